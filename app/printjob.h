#pragma once

#include "files/eventsprintout.h"
#include "files/printoutpainter.h"
#include "model/logsink.h"

#include <optional>

class AppContext;
class QPrinter;
class QWidget;

// The mode of a printout: what is printed, and where to (paper by default).
namespace PrintMode {
inline constexpr int settings = 1;
inline constexpr int events = 2; // bit 1 set: the events printout
inline constexpr int preview = 4;
inline constexpr int pdf = 8;
} // namespace PrintMode

// Runs a printout from the menu: the print dialog with the default printer, the print
// preview, or a PDF file chosen in a save dialog. Failures are shown in message boxes. The
// events printout needs the events page's list; without one it prints nothing.
void runPrintJob(int mode, AppContext& context, const std::optional<EventsPrintSource>& events,
                 QWidget* parent);

// Saves the PDF of a printout to the file chosen for it (".pdf" added to a name without
// a suffix) and logs it; a failure is shown in a message box.
bool savePdfAs(QString path, const PrintoutLayout& layout, AppContext& context, QWidget* parent);

// Prints on a printer that the print dialog has set up.
PrintStatus printOn(QPrinter& printer, const PrintoutLayout& layout);

// The message box text of a failed print job.
QString printStatusText(PrintStatus status);
