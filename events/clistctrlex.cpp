#include "events/clistctrlex.h"

#include "pagekit/colors.h"

#include <QEvent>
#include <QHeaderView>
#include <QMetaMethod>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

namespace {

FontSpec fontSpecFromFont(const QFont& font)
{
    FontSpec s;
    s.family = font.family();
    s.pointSize = font.pointSizeF();
    s.pixelSize = font.pixelSize();
    s.weight = font.weight();
    s.italic = font.italic();
    s.underline = font.underline();
    s.strikeOut = font.strikeOut();
    s.fixedPitch = font.fixedPitch();
    s.styleHint = font.styleHint();
    s.styleStrategy = font.styleStrategy();
    return s;
}

QFont fontFromSpec(const FontSpec& desc)
{
    QFont f(desc.family);
    if (desc.pixelSize > 0)
        f.setPixelSize(desc.pixelSize);
    else if (desc.pointSize > 0)
        f.setPointSizeF(desc.pointSize);
    f.setWeight(QFont::Weight(std::clamp(desc.weight, 1, 1000)));
    f.setItalic(desc.italic);
    f.setUnderline(desc.underline);
    f.setStrikeOut(desc.strikeOut);
    f.setFixedPitch(desc.fixedPitch);
    f.setStyleHint(QFont::StyleHint(desc.styleHint), QFont::StyleStrategy(desc.styleStrategy));
    return f;
}

// Paints every cell with the resolved format. A selected item loses its selected
// state for the paint, so the style draws no highlight of its own over our colours.
class CellFormatDelegate : public QStyledItemDelegate {
public:
    explicit CellFormatDelegate(CListCtrlEx* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool selected = opt.state & QStyle::State_Selected;
        const ResolvedFormat f = m_list->resolvedFormat(index.row(), index.column(), selected);
        opt.state &= ~QStyle::State_Selected;
        opt.backgroundBrush = colorFromRef(f.backColor);
        const QColor text = colorFromRef(f.textColor);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            opt.palette.setColor(group, QPalette::Text, text);
            opt.palette.setColor(group, QPalette::HighlightedText, text);
        }
        if (f.font) {
            opt.font = fontFromSpec(*f.font);
            opt.fontMetrics = QFontMetrics(opt.font);
        }
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

private:
    CListCtrlEx* m_list;
};

} // namespace

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableView(parent), m_model(new ListItemModel(this))
{
    setModel(m_model);
    setItemDelegate(new CellFormatDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    takeSystemColors();
    m_colors.selectedText = colorRef(palette().color(QPalette::Active, QPalette::HighlightedText));
    m_colors.selectedBack = colorRef(palette().color(QPalette::Active, QPalette::Highlight));

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CListCtrlEx::onSelectionChanged);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CListCtrlEx::onCurrentChanged);
}

CListCtrlEx::~CListCtrlEx() = default;

int CListCtrlEx::InsertColumn(int index, const QString& heading, int width, Qt::Alignment alignment)
{
    const int column = m_model->addColumn(index, heading, alignment);
    if (column >= 0)
        setColumnWidth(column, width);
    return column;
}

int CListCtrlEx::InsertItem(int item, const QString& text)
{
    return m_model->addItem(item, text);
}

bool CListCtrlEx::SetItemText(int item, int subItem, const QString& text)
{
    return m_model->setItemText(item, subItem, text);
}

bool CListCtrlEx::DeleteAllItems()
{
    m_model->removeAllItems();
    return true;
}

bool CListCtrlEx::SetRowStyle(int item, std::uint32_t style, bool redraw)
{
    return setStyle(FormatTarget::row(item), style, redraw);
}

bool CListCtrlEx::SetRowBkColor(int item, std::uint32_t color, bool redraw)
{
    return setBkColor(FormatTarget::row(item), color, redraw);
}

int CListCtrlEx::FirstSelectedItem() const
{
    int first = -1;
    for (const QItemSelectionRange& r : selectionModel()->selection()) {
        if (first < 0 || r.top() < first)
            first = r.top();
    }
    return first;
}

int CListCtrlEx::selectedCount() const
{
    return int(selectionModel()->selectedRows().size());
}

bool CListCtrlEx::setStyle(const FormatTarget& target, std::uint32_t style, bool redraw)
{
    CellFormat* r = m_model->record(target, true);
    if (!r)
        return false;
    r->setStyle(style);
    if (redraw)
        redrawTarget(target);
    return true;
}

bool CListCtrlEx::setBkColor(const FormatTarget& target, std::uint32_t color, bool redraw)
{
    CellFormat* r = m_model->record(target, true);
    if (!r)
        return false;
    r->backColor = color;
    if (redraw)
        redrawTarget(target);
    return true;
}

ResolvedFormat CListCtrlEx::resolvedFormat(int item, int subItem, bool selected) const
{
    if (!m_listFont)
        m_listFont = fontSpecFromFont(font());
    return resolveCellFormat(m_model->levels(item, subItem), selected, m_colors, *m_listFont);
}

void CListCtrlEx::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_listFont.reset();
    else if (event->type() == QEvent::PaletteChange)
        takeSystemColors();
    QTableView::changeEvent(event);
}

void CListCtrlEx::takeSystemColors()
{
    m_colors.text = colorRef(palette().color(QPalette::Active, QPalette::Text));
    m_colors.back = colorRef(palette().color(QPalette::Active, QPalette::Base));
}

// Notices of one operation are gathered and delivered together once it has finished;
// an item whose state changed twice (selection and focus) is told once, in the place
// of its last change.
void CListCtrlEx::postNotice(int item)
{
    static const QMetaMethod notice = QMetaMethod::fromSignal(&CListCtrlEx::itemChanged);
    if (!isSignalConnected(notice))
        return;
    m_pendingNotices.removeOne(item);
    m_pendingNotices.append(item);
    if (m_noticePosted)
        return;
    m_noticePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_noticePosted = false;
            const QList<int> items = std::exchange(m_pendingNotices, {});
            for (int i : items)
                emit itemChanged(i);
        },
        Qt::QueuedConnection);
}

void CListCtrlEx::onSelectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected)
{
    for (const QItemSelection* s : {&deselected, &selected}) {
        QList<int> rows;
        for (const QItemSelectionRange& r : *s) {
            for (int row = r.top(); row <= r.bottom(); ++row)
                rows.append(row);
        }
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (int row : rows)
            postNotice(row);
    }
}

void CListCtrlEx::onCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (previous.isValid() && previous.row() != current.row())
        postNotice(previous.row());
    if (current.isValid() && (!previous.isValid() || previous.row() != current.row()))
        postNotice(current.row());
}

void CListCtrlEx::redrawTarget(const FormatTarget& target)
{
    if (target.level == FormatTarget::Level::Column)
        viewport()->update();
    else
        redrawItem(target.item);
}

void CListCtrlEx::redrawItem(int item)
{
    viewport()->update(QRect(0, rowViewportPosition(item), viewport()->width(), rowHeight(item)));
}
