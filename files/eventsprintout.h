#pragma once

#include "files/eventstable.h"
#include "files/printoutlayout.h"

#include <QList>
#include <QString>
#include <array>
#include <functional>

// The events printout: rows of the events list in four columns under a heading line,
// page after page, each page with its own heading line and page number.

// Fixed positions in device units, whatever the page size; only the row pitch scales.
inline constexpr int eventsHeadingY = 110;
inline constexpr int eventsRuleY = 190;
inline constexpr int eventsRowsY = 250;
// Longest cell text printed.
inline constexpr int eventsCellLength = 63;

// The columns, at c x W / 4958: row number, time, counter, events, and the page line.
enum class EventsColumn { Number, Time, Counter, Events, PageLine };
int eventsColumnX(EventsColumn column, int width);

// Rows on one page below the heading: the largest n with 250 + lh x n + lh <= H, so
// that the last row ends inside the printable area; 0 when not even one fits.
int eventsRowsPerPage(const PrintoutPage& page);

// The list rows to print, in list order: the selected ones (rows outside the list are
// dropped), or all rowCount rows when none is selected.
QList<int> eventsPrintoutRange(QList<int> selectedRows, int rowCount);

// Which of the rows go on which page, rowsPerPage (at least 1) to a page; no page when
// there is no row.
QList<QList<int>> eventsPrintoutPages(const QList<int>& rows, int rowsPerPage);

// Columns 1 to 3 of a list row (time, counter, events); empty texts outside the list.
using EventRowTexts = std::function<std::array<QString, 3>(int row)>;
// The same texts from the rows the events list shows, for printing without the list.
EventRowTexts eventRowTexts(QList<EventListRow> rows);

// What the events printout takes from the events list when the job is prepared: the
// selected rows, the number of list rows and the texts of each row.
struct EventsPrintSource {
    QList<int> selectedRows;
    int rowCount = 0;
    EventRowTexts texts;
    // While the list is filtered: the rows it shows, and the filter in words.
    std::optional<QList<int>> shownRows;
    QString note;
};

// The rows a print source prints: the selected ones the list shows, else all it shows.
QList<int> eventsPrintoutRows(const EventsPrintSource& source);

// The printout laid out on a page: per page the heading line with "Strona: p/n ", the
// rule and the rows, numbered list row + 1. An empty range gives one blank sheet; a page
// that holds no row gives nothing.
// A note (the filter that chose the rows) takes the first row line of every page.
std::optional<QList<PrintoutSheet>> eventsPrintoutSheets(const QList<int>& rows,
                                                         const EventRowTexts& texts,
                                                         const PrintoutPage& page,
                                                         const QString& note = {});

// The events printout of these list rows, for any page.
PrintoutLayout eventsPrintoutLayout(QList<int> rows, EventRowTexts texts, QString note = {});
