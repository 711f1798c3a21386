#include "events/ceventsdlg.h"

#include "events/ceditex.h"
#include "events/clistctrlex.h"
#include "events/timelineview.h"
#include "events/timelinewindow.h"
#include "files/eventstable.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/strings.h"
#include "model/textcodec.h"
#include "pagekit/appcontext.h"
#include "pagekit/colors.h"
#include "pagekit/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <algorithm>

Q_LOGGING_CATEGORY(lcEvents, "tavrel.events", QtInfoMsg)

namespace ER = EventRegister;

namespace {

constexpr std::uint32_t restartColor = 0x0000FF;      // RGB(255, 0, 0)
constexpr std::uint32_t afterRestartColor = 0x00FFFF; // RGB(255, 255, 0)
constexpr std::uint32_t changedNameColor = 0x0000FF;
constexpr std::uint32_t nameColor = 0x010101; // RGB(1, 1, 1)
constexpr std::uint32_t white = 0xFFFFFF;
constexpr int rowTextLength = 63;

// Widths in pixels; the widest text of a column widens it where the desktop's font
// would otherwise cut it.
struct ListColumn {
    int heading;
    int width;
    const char* widest;
};
constexpr ListColumn listColumns[] = {{StringId::columnNumber, 30, "256?"},
                                      {StringId::columnTime, 130, "2088_12_28 20:58:58"},
                                      {StringId::columnCounter, 60, "4294967295"},
                                      {StringId::columnEvents, 480, ""}};

} // namespace

CEventsDlg::CEventsDlg(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("Zdarzenia"), parent), m_context(context),
      m_list(new CListCtrlEx(this))
{
    const QFontMetrics fm(font());
    for (int c = 0; c < int(std::size(listColumns)); ++c) {
        const ListColumn& column = listColumns[c];
        const int fit = fm.horizontalAdvance(QString::fromLatin1(column.widest)) + 12;
        m_list->InsertColumn(c, stringText(column.heading), std::max(column.width, fit));
    }
    m_list->setMinimumHeight(fm.height() * 10);
    connect(m_list, &CListCtrlEx::itemChanged, this, &CEventsDlg::showRow);
    connect(m_list, &CListCtrlEx::itemChanged, this, &CEventsDlg::markTimeline);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    const int nameWidth = fm.averageCharWidth() * 12;
    for (int g = 0; g < int(eventCellBits.size()); ++g) {
        for (int c = 0; c < int(eventCellBits[g].size()); ++c) {
            const int bit = eventCellBits[g][c];
            auto* box = new QCheckBox(this);
            box->setEnabled(false);
            auto* name = new CEditEx(this);
            name->setMinimumWidth(nameWidth);
            name->setReadOnly(true);
            box->setAccessibleName(QString::number(bit));
            auto* cell = new QHBoxLayout;
            cell->setSpacing(2);
            cell->addWidget(box);
            cell->addWidget(name, 1);
            grid->addLayout(cell, g, c);
            m_bitBoxes[bit] = box;
            m_nameBoxes[bit] = name;
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildFilterBar());
    layout->addWidget(m_list, 1);
    layout->addLayout(grid);
}

CEventsDlg::~CEventsDlg() = default;

void CEventsDlg::onSetActive()
{
    m_shown = true;
    showNames();
    if (ER::isComplete(m_context.data().image()))
        buildList();
    else
        showEmptyList();
}

bool CEventsDlg::onKillActive()
{
    if (!m_context.locked())
        storeNames();
    m_shown = false;
    return true;
}

void CEventsDlg::registerChanged()
{
    refreshTimeline();
    if (!m_shown)
        return;
    onKillActive();
    onSetActive();
}

void CEventsDlg::showNames()
{
    m_namesSource = &ER::nameSet(m_context.data().image());
    const bool locked = m_context.locked();
    const std::uint32_t back = locked ? colorRef(palette().color(QPalette::Button)) : white;
    for (int k = 0; k < signalCount; ++k) {
        m_names[k] = slotText(m_namesSource->signalNames[k]);
        CEditEx* box = m_nameBoxes[k];
        box->setText(m_names[k]);
        box->setCursorPosition(0);
        box->setReadOnly(locked);
        box->SetBkColor(back);
    }
    fillSignalChoice();
}

void CEventsDlg::readNameBoxes()
{
    for (int k = 0; k < signalCount; ++k)
        m_names[k] = m_nameBoxes[k]->text();
}

void CEventsDlg::storeNames()
{
    if (!m_namesSource)
        return;
    readNameBoxes();
    for (int k = 0; k < signalCount; ++k) {
        char* slot = m_namesSource->signalNames[k];
        // A name left as it was keeps its exact bytes, even those without a character.
        if (slotText(slot, narrowSlot) != m_names[k])
            setSlotText(slot, narrowSlot, m_names[k]);
    }
    refreshTimeline();
}

void CEventsDlg::buildList()
{
    DeviceImage& image = m_context.data().image();
    m_listBuilt = true;
    m_showsRows = true;
    m_list->beginUpdate();
    m_list->DeleteAllItems();
    bool afterRestart = false;
    for (int r = 0; r < entryCount; ++r) {
        const int s = ER::slotOfRow(image, r);
        image.rowEntry[r] = std::uint8_t(s);
        m_list->InsertItem(r, ER::rowNumberText(image, r));
        m_list->SetItemText(r, 1, ER::timeText(image, s));
        m_list->SetItemText(r, 2, ER::counterText(image, s));
        m_list->SetItemText(r, 3, r == 0 ? ER::deviceLine(image) : ER::eventText(image, s));
        const bool restart = ER::stateBit(image.entries[s], ER::restartBit);
        if (restart || afterRestart) {
            m_list->SetRowStyle(r, CellStyle::textColor | CellStyle::backColor, false);
            m_list->SetRowBkColor(r, restart ? restartColor : afterRestartColor, false);
        }
        afterRestart = afterRestart || restart;
    }
    m_list->endUpdate();
    applyFilter();
    qCDebug(lcEvents) << "list built from write position" << image.writePosition;
}

void CEventsDlg::showEmptyList()
{
    m_showsRows = false;
    m_list->beginUpdate();
    m_list->DeleteAllItems();
    m_list->InsertItem(0, QString());
    m_list->SetItemText(0, 1, stringText(StringId::noEventsRead));
    m_list->endUpdate();
    applyFilter();
}

void CEventsDlg::showRow(int row)
{
    // The empty list's row stands for no entry; a notice for it shows nothing.
    if (row < 0 || row >= entryCount || !m_showsRows || row >= m_list->itemCount() ||
        m_list->isRowHidden(row))
        return;
    const DeviceImage& image = m_context.data().image();
    const int s = image.rowEntry[row];
    const int p = row > 0 ? ER::predecessorSlot(s) : s;
    const EventEntry& entry = image.entries[s];
    const EventEntry& before = image.entries[p];
    // Text typed but not yet stored stays: it is taken into the held names first.
    if (!m_context.locked())
        readNameBoxes();
    for (int k = 0; k < signalCount; ++k) {
        m_bits[k] = ER::stateBit(entry, k);
        const bool changed = m_bits[k] != ER::stateBit(before, k);
        m_nameBoxes[k]->SetTextColor(changed ? changedNameColor : nameColor);
        m_bitBoxes[k]->setChecked(m_bits[k]);
        if (m_nameBoxes[k]->text() != m_names[k])
            m_nameBoxes[k]->setText(m_names[k]);
    }
}

CEventsDlg::Selection CEventsDlg::selection() const
{
    return {m_list->FirstSelectedItem(), m_list->selectedCount()};
}

QList<int> CEventsDlg::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        if (!m_list->isRowHidden(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::array<QString, 3> CEventsDlg::rowTexts(int row) const
{
    std::array<QString, 3> texts;
    if (row < 0 || row >= m_list->itemCount())
        return texts;
    for (int c = 0; c < 3; ++c)
        texts[c] = m_list->itemText(row, c + 1).left(rowTextLength);
    return texts;
}

QByteArray CEventsDlg::csv() const
{
    QList<EventListRow> rows;
    for (int r : shownRows())
        rows.append({m_list->itemText(r, 0), m_list->itemText(r, 1), m_list->itemText(r, 2),
                     m_list->itemText(r, 3)});
    return eventsCsv(rows);
}

void CEventsDlg::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QString(), QStringLiteral("zdarzenia.csv"), stringText(StringId::csvFilter));
    if (!path.isEmpty())
        writeCsv(path);
}

bool CEventsDlg::writeCsv(const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = csv();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcEvents) << "CSV not saved:" << path << file.errorString();
        showWarning(this, stringText(StringId::csvSaveProblem));
        return false;
    }
    m_context.logMessage(stringText(StringId::csvSaved));
    if (m_filter.isActive())
        m_context.logMessage(filterDescription(m_filter));
    return true;
}

QWidget* CEventsDlg::buildFilterBar()
{
    auto* bar = new QWidget(this);
    m_signalChoice = new QListWidget;
    m_signalChoice->setMinimumSize(220, 360);
    auto* choiceAction = new QWidgetAction(bar);
    choiceAction->setDefaultWidget(m_signalChoice);
    auto* menu = new QMenu(bar);
    menu->addAction(choiceAction);
    m_signalButton = new QToolButton;
    m_signalButton->setPopupMode(QToolButton::InstantPopup);
    m_signalButton->setMenu(menu);
    m_signalButton->setMinimumWidth(150);
    connect(m_signalChoice, &QListWidget::itemChanged, this, &CEventsDlg::takeFilterControls);

    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_signalButton);
    for (int i = 0; i < 2; ++i) {
        m_limitOn[i] = new QCheckBox(i == 0 ? QStringLiteral("od") : QStringLiteral("do"));
        m_limit[i] = new QDateTimeEdit;
        m_limit[i]->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        m_limit[i]->setCalendarPopup(true);
        m_limit[i]->setEnabled(false);
        m_limit[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_limitOn[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(m_limitOn[i], &QCheckBox::toggled, m_limit[i], &QWidget::setEnabled);
        connect(m_limitOn[i], &QCheckBox::toggled, this, &CEventsDlg::takeFilterControls);
        connect(m_limit[i], &QDateTimeEdit::dateTimeChanged, this, &CEventsDlg::takeFilterControls);
        layout->addWidget(m_limitOn[i]);
        layout->addWidget(m_limit[i]);
    }
    auto* clear = new QPushButton(QStringLiteral("Wyczyść"));
    connect(clear, &QPushButton::clicked, this, [this] { setFilter({}); });
    layout->addWidget(clear);
    m_filterState = new QLabel;
    layout->addWidget(m_filterState, 1);
    fillSignalChoice();
    return bar;
}

void CEventsDlg::fillSignalChoice()
{
    const QSignalBlocker blocker(m_signalChoice);
    m_signalChoice->clear();
    for (int k = 0; k < signalCount; ++k) {
        const QString name = m_names[k].trimmed();
        // Unnamed and repeated names cannot be told apart in an events text.
        if (name.isEmpty() || !m_signalChoice->findItems(name, Qt::MatchExactly).isEmpty())
            continue;
        auto* item = new QListWidgetItem(name, m_signalChoice);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(m_filter.signalNames.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
}

void CEventsDlg::takeFilterControls()
{
    if (m_settingFilter)
        return;
    EventsFilter filter;
    for (int i = 0; i < m_signalChoice->count(); ++i) {
        const QListWidgetItem* item = m_signalChoice->item(i);
        if (item->checkState() == Qt::Checked)
            filter.signalNames.append(item->text());
    }
    // The list shows wall-clock times; the limits are compared as such.
    const auto limit = [this](int i) -> std::optional<QDateTime> {
        if (!m_limitOn[i]->isChecked())
            return std::nullopt;
        const QDateTime shown = m_limit[i]->dateTime();
        return QDateTime(shown.date(), shown.time(), Qt::UTC);
    };
    filter.from = limit(0);
    filter.to = limit(1);
    m_filter = filter;
    applyFilter();
}

void CEventsDlg::setFilter(const EventsFilter& filter)
{
    m_filter = filter;
    m_settingFilter = true;
    for (int i = 0; i < m_signalChoice->count(); ++i) {
        QListWidgetItem* item = m_signalChoice->item(i);
        item->setCheckState(filter.signalNames.contains(item->text()) ? Qt::Checked
                                                                      : Qt::Unchecked);
    }
    for (int i = 0; i < 2; ++i) {
        const std::optional<QDateTime>& limit = i == 0 ? filter.from : filter.to;
        m_limitOn[i]->setChecked(limit.has_value());
        if (limit)
            m_limit[i]->setDateTime(QDateTime(limit->date(), limit->time()));
    }
    m_settingFilter = false;
    applyFilter();
}

QList<int> CEventsDlg::shownRows() const
{
    QList<int> rows;
    for (int r = 0; r < m_list->itemCount(); ++r)
        if (!m_list->isRowHidden(r))
            rows.append(r);
    return rows;
}

void CEventsDlg::applyFilter()
{
    const int count = m_list->itemCount();
    QList<int> kept;
    if (m_showsRows && m_filter.isActive()) {
        QList<EventListRow> rows;
        rows.reserve(count);
        for (int r = 0; r < count; ++r)
            rows.append({{}, m_list->itemText(r, 1), {}, m_list->itemText(r, 3)});
        kept = filteredRows(rows, m_filter);
    } else {
        for (int r = 0; r < count; ++r)
            kept.append(r);
    }
    if (m_showsRows)
        offerRegisterRange();
    for (int r = 0, k = 0; r < count; ++r) {
        const bool shown = k < kept.size() && kept[k] == r;
        k += shown ? 1 : 0;
        if (m_list->isRowHidden(r) == shown)
            m_list->setRowHidden(r, !shown);
    }

    const QStringList& names = m_filter.signalNames;
    m_signalButton->setText(names.isEmpty() ? QStringLiteral("Sygnały: wszystkie")
                            : names.size() == 1
                                ? QStringLiteral("Sygnał: %1").arg(names.constFirst())
                                : QStringLiteral("Sygnały: %1 wybrane").arg(names.size()));
    m_filterState->setText(
        m_filter.isActive() && m_showsRows
            ? QStringLiteral("Pokazano %1 z %2 wierszy").arg(kept.size()).arg(count)
            : QString());

    // The grid shows an entry the list shows. A selection the filter hid is dropped, so
    // that printing takes every row shown, and the grid shows the newest entry.
    const int current = m_list->currentIndex().row();
    if (m_showsRows && current >= 0 && m_list->isRowHidden(current)) {
        m_list->selectionModel()->clear();
        showRow(0);
    }
}

void CEventsDlg::offerRegisterRange()
{
    // A limit not yet in use starts at the register's oldest or newest date.
    std::optional<QDateTime> oldest, newest;
    for (int r = 0; r < m_list->itemCount(); ++r) {
        if (const std::optional<QDateTime> t = rowTime(m_list->itemText(r, 1))) {
            oldest = oldest ? std::min(*oldest, *t) : *t;
            newest = newest ? std::max(*newest, *t) : *t;
        }
    }
    const QSignalBlocker fromBlocker(m_limit[0]), toBlocker(m_limit[1]);
    for (int i = 0; i < 2; ++i) {
        const std::optional<QDateTime>& t = i == 0 ? oldest : newest;
        if (t && !m_limitOn[i]->isChecked())
            m_limit[i]->setDateTime(QDateTime(t->date(), t->time()));
    }
}

void CEventsDlg::selectListRow(int row)
{
    const QModelIndex index = m_list->model()->index(row, 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_list->scrollTo(index);
}

void CEventsDlg::selectEntryRow(int row)
{
    if (!m_shown)
        m_context.activateEventsPage();
    if (!m_showsRows || row < 0 || row >= m_list->itemCount())
        return;
    if (m_list->isRowHidden(row)) {
        QApplication::beep(); // the filter hides it
        return;
    }
    selectListRow(row);
}

void CEventsDlg::showTimeline()
{
    if (!m_timeline) {
        m_timeline = new TimelineWindow(this);
        connect(m_timeline->view(), &TimelineView::entryClicked, this, &CEventsDlg::selectEntryRow);
        refreshTimeline();
        // Beside the main window, where the list stays in view; on the screen still.
        const QRect main = window()->frameGeometry();
        QRect place(main.topRight() + QPoint(8, 0), m_timeline->size());
        if (const QScreen* screen = window()->screen()) {
            const QRect free = screen->availableGeometry();
            place.moveRight(std::min(place.right(), free.right()));
            place.moveLeft(std::max(place.left(), free.left()));
        }
        m_timeline->move(place.topLeft());
    }
    m_timeline->show();
    m_timeline->raise();
    m_timeline->activateWindow();
    markTimeline();
}

void CEventsDlg::refreshTimeline()
{
    if (m_timeline)
        m_timeline->showRegister(m_context.data().image());
}

void CEventsDlg::markTimeline()
{
    if (m_timeline && m_showsRows)
        m_timeline->view()->setMarkedRows(selectedRows());
}
