#include "app/printjob.h"

#include "files/settingsprintout.h"
#include "model/strings.h"
#include "pagekit/appcontext.h"
#include "pagekit/messagebox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

void showPrinterFailure(PrintStatus status, QWidget* parent)
{
    if (status == PrintStatus::Ok)
        return;
    showWarning(parent, printStatusText(status), stringText(StringId::printerErrorCaption));
}

// A printer set up for the default printer (or none) at the printout's resolution.
void preparePrinter(QPrinter& printer)
{
    printer.setResolution(printoutResolution);
    printer.setFullPage(false);
}

void printWithDialog(const PrintoutLayout& layout, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    showPrinterFailure(printOn(printer, layout), parent);
}

void previewPrintout(const PrintoutLayout& layout, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer);
    // Without a printer the preview still shows the pages of the PDF.
    if (!printer.isValid())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(stringText(StringId::printPreview));
    PrintStatus status = PrintStatus::Ok;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&status, &layout](QPrinter* target) {
                         const PrintStatus painted = printOn(*target, layout);
                         if (painted != PrintStatus::Ok)
                             status = painted;
                     });
    dialog.exec();
    showPrinterFailure(status, parent);
}

void savePdfWithDialog(const PrintoutLayout& layout, AppContext& context, QWidget* parent)
{
    const QString path = QFileDialog::getSaveFileName(parent, stringText(StringId::pdfCaption),
                                                      QString(), stringText(StringId::pdfFilter));
    if (!path.isEmpty())
        savePdfAs(path, layout, context, parent);
}

} // namespace

bool savePdfAs(QString path, const PrintoutLayout& layout, AppContext& context, QWidget* parent)
{
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    QString error;
    if (!savePrintoutPdf(path, layout, &error)) {
        showWarning(parent, error);
        return false;
    }
    context.logMessage(stringText(StringId::pdfSaved) + QDir::toNativeSeparators(path));
    return true;
}

PrintStatus printOn(QPrinter& printer, const PrintoutLayout& layout)
{
    if (printer.outputFormat() == QPrinter::NativeFormat && !printer.isValid())
        return PrintStatus::NoPrinter;
    preparePrinter(printer);
    PrintStatus status = paintPrintout(printer, layout);
    if (status == PrintStatus::Ok &&
        (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted))
        status = PrintStatus::Failed;
    return status;
}

QString printStatusText(PrintStatus status)
{
    switch (status) {
    case PrintStatus::Ok:
        break;
    case PrintStatus::NoPrinter:
        return stringText(StringId::printerNotFound);
    case PrintStatus::CannotStart:
        return stringText(StringId::printerCannotStart);
    case PrintStatus::Failed:
        return stringText(StringId::printerFailed);
    }
    return {};
}

void runPrintJob(int mode, AppContext& context, const std::optional<EventsPrintSource>& events,
                 QWidget* parent)
{
    PrintoutLayout layout;
    if (mode & PrintMode::events) {
        if (!events)
            return;
        layout = eventsPrintoutLayout(eventsPrintoutRows(*events), events->texts, events->note);
    } else {
        layout = settingsPrintoutLayout(settingsPrintoutRows(context.data()));
    }

    if (mode & PrintMode::preview)
        previewPrintout(layout, parent);
    else if (mode & PrintMode::pdf)
        savePdfWithDialog(layout, context, parent);
    else
        printWithDialog(layout, parent);
}
