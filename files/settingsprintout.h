#pragma once

#include <QList>
#include <QString>
#include <array>

class DeviceData;

// The settings printout as data: what each printed row says in which column and how far
// it stands below the row before it. The printer draws these rows; the command line
// prints them as text.

// Columns at 5 %, 10 %, 25 % and 40 % of the printable width.
enum class PrintoutColumn { Rule, Label, Unit, Text };

struct PrintoutCell {
    PrintoutColumn column;
    QString text;
};

struct PrintoutRow {
    int advance = 1; // lines to move down before the row is drawn
    QList<PrintoutCell> cells;
};

QList<PrintoutRow> settingsPrintoutRows(const DeviceData& data);

// A time setting as printed: its own conversion of the settings byte, with the display
// minima of the printout (not the record's decodeTime).
struct PrintoutTime {
    int value;
    QString unit;
};
PrintoutTime printoutTime(int row, quint8 code);

// The RS-485 parameters text of a baud index (0 = 4800 .. 3 = 38400).
QString printoutLineParameters(int baudIndex);

// x of a column in device units on a page `width` device units wide.
int printoutColumnX(PrintoutColumn column, int width);

// Font height, line height and lines per page for a printable height in device units.
struct PrintoutMetrics {
    int fontHeight;
    int lineHeight;
    int linesPerPage;
};
PrintoutMetrics printoutMetrics(int printableHeight);

// Where each row lands: its page (from 0) and its line L on that page; the row is drawn
// at y = lineHeight * line. A row whose advance reaches the page end goes to line 1 of
// the next page, so blank advance lines are not carried over.
struct PrintoutPlacement {
    int page;
    int line;
};
QList<PrintoutPlacement> placePrintoutRows(const QList<PrintoutRow>& rows, int linesPerPage);
