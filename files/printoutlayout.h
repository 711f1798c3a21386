#pragma once

#include "files/settingsprintout.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

// The printable page of a printout in device units (600 per inch), and the metrics
// that follow from its height.
struct PrintoutPage {
    int width = 0;  // W
    int height = 0; // H
    PrintoutMetrics metrics{};
};

// The page from what the printer reports for its paper in portrait: the physical size
// and the offset of the printable area. W and H are the size less the offset on both
// sides, taken crosswise for landscape, and never more than `paintable`, the area the
// device really lets us draw on in the chosen orientation (a printer with a wider right
// margin than left would otherwise cut the line ends). No page when it is too small for
// one line of text (H div 80 = 0): that is no usable printer.
std::optional<PrintoutPage> printoutPage(QSize physical, QPoint offset, bool landscape,
                                         QSize paintable);

// One text on a printed page, with the top left corner of the text at (x, y).
struct PrintoutText {
    int x = 0;
    int y = 0;
    QString text;
};
using PrintoutSheet = QList<PrintoutText>;

// A printout laid out for a page: its sheets in order, or nothing when the page cannot
// hold the printout at all.
using PrintoutLayout = std::function<std::optional<QList<PrintoutSheet>>(const PrintoutPage&)>;

// The settings rows on their pages: row L of a page at y = lh x L, the cells at their
// columns. At least one sheet.
QList<PrintoutSheet> settingsPrintoutSheets(const QList<PrintoutRow>& rows,
                                            const PrintoutPage& page);

// The settings printout of these rows, for any page.
PrintoutLayout settingsPrintoutLayout(QList<PrintoutRow> rows);
