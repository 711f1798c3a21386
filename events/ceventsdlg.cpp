#include "events/ceventsdlg.h"

#include "events/ceditex.h"
#include "events/clistctrlex.h"
#include "files/eventstable.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/strings.h"
#include "model/textcodec.h"
#include "pagekit/appcontext.h"
#include "pagekit/colors.h"
#include "pagekit/messagebox.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QVBoxLayout>
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
}

void CEventsDlg::showRow(int row)
{
    // The empty list's row stands for no entry; a notice for it shows nothing.
    if (row < 0 || row >= entryCount || !m_showsRows || row >= m_list->itemCount())
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
    rows.reserve(m_list->itemCount());
    for (int r = 0; r < m_list->itemCount(); ++r)
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
    return true;
}
