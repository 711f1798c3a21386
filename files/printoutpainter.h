#pragma once

#include "files/printoutlayout.h"

#include <QFont>
#include <QString>
#include <functional>
#include <optional>

class QIODevice;
class QPagedPaintDevice;
class QPainter;

// Draws printouts on a paged device: a printer, the print preview or a PDF writer, all
// through the same code, so that the PDF has the pages the paper gets.

enum class PrintStatus {
    Ok,
    NoPrinter,   // no page that holds one line: treated as no usable printer
    CannotStart, // the device refused to start the job
    Failed,      // the device failed while the pages were produced
};

// Resolution of every printout; the fixed offsets of the events printout assume it.
inline constexpr int printoutResolution = 600;

// The printout page of a device, from its page layout at its resolution.
std::optional<PrintoutPage> printoutPageOf(const QPagedPaintDevice& device);

// Arial (or a face with the same metrics) whose character cell is fontHeight device
// pixels high, as the printer font is chosen by its cell height.
QFont printoutFont(int fontHeight);

// Draws what is not text (a picture) on a sheet after its texts: sheet index from 0.
using SheetDecorator = std::function<void(QPainter&, int sheet, const PrintoutPage&)>;

// Lays the printout out for the device's page and draws every sheet, each text with its
// top at its y.
PrintStatus paintPrintout(QPagedPaintDevice& device, const PrintoutLayout& layout,
                          const SheetDecorator& decorate = {});

// The PDF of a printout on A4 portrait paper with the margins of a usual office printer.
PrintStatus writePrintoutPdf(QIODevice& out, const PrintoutLayout& layout,
                             const SheetDecorator& decorate = {});

// Saves the PDF of a printout; an existing file is replaced only by a complete PDF.
// On failure, `error` (when given) gets the message to show.
bool savePrintoutPdf(const QString& path, const PrintoutLayout& layout, QString* error = nullptr,
                     const SheetDecorator& decorate = {});
