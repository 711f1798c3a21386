#include "files/printoutpainter.h"

#include "model/strings.h"

#include <QDir>
#include <QFontMetricsF>
#include <QLoggingCategory>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

Q_LOGGING_CATEGORY(lcPrint, "tavrel.print", QtInfoMsg)

namespace {

// 1/6 inch on every side: about the unprintable border of an office laser printer.
constexpr double pdfMargin = 12.0; // points

} // namespace

std::optional<PrintoutPage> printoutPageOf(const QPagedPaintDevice& device)
{
    const int dpi = device.logicalDpiX();
    const QPageLayout layout = device.pageLayout();
    // Size and offset of the paper in portrait; the orientation swaps them.
    QPageLayout portrait = layout;
    portrait.setOrientation(QPageLayout::Portrait);
    const QRect full = portrait.fullRectPixels(dpi);
    const QRect paint = portrait.paintRectPixels(dpi);
    const std::optional<PrintoutPage> page =
        printoutPage(full.size(), paint.topLeft(), layout.orientation() == QPageLayout::Landscape,
                     layout.paintRectPixels(dpi).size());
    qCDebug(lcPrint) << "page" << full << paint << "dpi" << dpi << "W" << (page ? page->width : 0)
                     << "H" << (page ? page->height : 0);
    return page;
}

QFont printoutFont(int fontHeight)
{
    QFont font;
    font.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    // Without shaping no ligatures: a face that joins "fi" into one glyph would leave
    // U+FB01 in the PDF's text, and searching for "Konfiguracja" would fail.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(std::max(fontHeight, 1));
    // The printer font's height is its cell (ascent and descent); a pixel size is the em.
    const qreal cell = QFontMetricsF(font).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, int(std::lround(fontHeight * fontHeight / cell))));
    return font;
}

PrintStatus paintPrintout(QPagedPaintDevice& device, const PrintoutLayout& layout,
                          const SheetDecorator& decorate)
{
    const std::optional<PrintoutPage> page = printoutPageOf(device);
    if (!page)
        return PrintStatus::NoPrinter;
    const std::optional<QList<PrintoutSheet>> sheets = layout(*page);
    if (!sheets)
        return PrintStatus::NoPrinter;

    QPainter painter;
    if (!painter.begin(&device))
        return PrintStatus::CannotStart;
    painter.setFont(printoutFont(page->metrics.fontHeight));
    painter.setPen(Qt::black);
    const qreal ascent = painter.fontMetrics().ascent();
    for (qsizetype i = 0; i < sheets->size(); ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            return PrintStatus::Failed;
        }
        for (const PrintoutText& text : sheets->at(i)) {
            if (!text.text.isEmpty())
                painter.drawText(QPointF(text.x, text.y + ascent), text.text);
        }
        if (decorate) {
            painter.save();
            decorate(painter, int(i), *page);
            painter.restore();
        }
    }
    return painter.end() ? PrintStatus::Ok : PrintStatus::Failed;
}

PrintStatus writePrintoutPdf(QIODevice& out, const PrintoutLayout& layout,
                             const SheetDecorator& decorate)
{
    QPdfWriter writer(&out);
    writer.setCreator(QStringLiteral("Tavrel"));
    writer.setResolution(printoutResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(pdfMargin, pdfMargin, pdfMargin, pdfMargin),
                                     QPageLayout::Point));
    return paintPrintout(writer, layout, decorate);
}

bool savePrintoutPdf(const QString& path, const PrintoutLayout& layout, QString* error,
                     const SheetDecorator& decorate)
{
    QSaveFile file(path);
    PrintStatus status = PrintStatus::CannotStart;
    if (file.open(QIODevice::WriteOnly)) {
        status = writePrintoutPdf(file, layout, decorate);
        if (status == PrintStatus::Ok && !file.commit())
            status = PrintStatus::Failed;
    }
    if (status == PrintStatus::Ok)
        return true;
    qCWarning(lcPrint) << "PDF not saved" << path << int(status) << file.errorString();
    if (error) {
        *error = status == PrintStatus::NoPrinter
                     ? stringText(StringId::printerNotFound)
                     : fillText(StringId::pdfSaveProblem, {QDir::toNativeSeparators(path)});
    }
    return false;
}
