#pragma once

#include "files/eventsfilter.h"
#include "model/deviceimage.h"
#include "pagekit/cpropertypage.h"
#include "pagekit/eventslistquery.h"

#include <QByteArray>
#include <QString>
#include <array>

class AppContext;
class CEditEx;
class CListCtrlEx;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QToolButton;
class TimelineWindow;

// The state bit of each cell of the grid below the list, by grid row and column.
inline constexpr std::array<std::array<int, 7>, 8> eventCellBits{{
    {0, 24, 12, 30, 51, 40, 55},
    {14, 25, 15, 31, 16, 41, 54},
    {13, 26, 2, 32, 17, 42, 5},
    {3, 27, 1, 33, 52, 43, 7},
    {10, 28, 22, 34, 53, 44, 48},
    {11, 29, 9, 35, 6, 45, 49},
    {23, 19, 18, 36, 38, 46, 50},
    {20, 4, 21, 37, 39, 47, 8},
}};

// The page "Zdarzenia": the event register as a list of 256 rows, newest first, and a
// grid of the 56 signals showing the selected entry's bits, with the names that changed
// at that entry painted red. After the service password the names can be edited; they
// go into the label set of the register's combination when the page is left. A filter
// above the list shows only the rows in which chosen signals changed, within a time range;
// the grid, printing and CSV take only the rows shown. The timeline window follows the
// register and the list's selection.
class CEventsDlg : public CPropertyPage, public EventsListQuery {
    Q_OBJECT
public:
    explicit CEventsDlg(AppContext& context, QWidget* parent = nullptr);
    ~CEventsDlg() override;

    void onSetActive() override;
    bool onKillActive() override;

    // The held register changed (read from the controller or loaded from a file). While
    // the page is in front its list is rebuilt at once; otherwise at its next activation.
    void registerChanged();

    // Writes the name boxes into the label set, whatever the access level.
    void storeNames();
    // True from the first list build on.
    bool isListBuilt() const override { return m_listBuilt; }

    struct Selection {
        int first = -1; // the lowest selected row, -1 when none
        int count = 0;
    };
    Selection selection() const;
    // Every selected row the list shows, in list order.
    QList<int> selectedRows() const;
    // The rows the filter lets through, in list order (all while no filter is set).
    QList<int> shownRows() const;

    const EventsFilter& filter() const { return m_filter; }
    // Sets the filter's controls and shows only the matching rows.
    void setFilter(const EventsFilter& filter);

    // "Przebieg sygnałów", beside the main window; created at the first call.
    void showTimeline();
    TimelineWindow* timeline() const { return m_timeline; }
    // Brings the page up with this list row selected, as a click in the timeline does.
    void selectEntryRow(int row);
    // Columns 1 to 3 of a row, each at most 63 characters; empty outside the list.
    std::array<QString, 3> rowTexts(int row) const;

    // The shown rows as CSV (UTF-8, the header line first).
    QByteArray csv() const;
    // Asks for a file name and writes the CSV; failures are shown in a message box.
    void exportCsv();
    // Writes the CSV to path; false (with the message shown) when it could not be saved.
    bool writeCsv(const QString& path);

    CListCtrlEx* list() const { return m_list; }
    CEditEx* nameBox(int bit) const { return m_nameBoxes[bit]; }
    QCheckBox* bitBox(int bit) const { return m_bitBoxes[bit]; }

private:
    QWidget* buildFilterBar();
    void takeFilterControls();
    void applyFilter();
    void selectListRow(int row);
    void offerRegisterRange();
    void fillSignalChoice();
    void refreshTimeline();
    void markTimeline();
    void showNames();
    void buildList();
    void showEmptyList();
    void showRow(int row);
    void readNameBoxes();

    AppContext& m_context;
    bool m_listBuilt = false;
    bool m_shown = false;     // between activation and leave
    bool m_showsRows = false; // the list holds the register, not the empty row
    CListCtrlEx* m_list;
    std::array<CEditEx*, signalCount> m_nameBoxes{};
    std::array<QCheckBox*, signalCount> m_bitBoxes{};
    std::array<bool, signalCount> m_bits{};
    std::array<QString, signalCount> m_names;
    LabelSet* m_namesSource = nullptr;

    EventsFilter m_filter;
    QToolButton* m_signalButton = nullptr;
    QListWidget* m_signalChoice = nullptr;
    std::array<QCheckBox*, 2> m_limitOn{};
    std::array<QDateTimeEdit*, 2> m_limit{};
    QLabel* m_filterState = nullptr;
    bool m_settingFilter = false; // controls set from code, not by the user
    TimelineWindow* m_timeline = nullptr;
};
