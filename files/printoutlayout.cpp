#include "files/printoutlayout.h"

#include <algorithm>

std::optional<PrintoutPage> printoutPage(QSize physical, QPoint offset, bool landscape,
                                         QSize paintable)
{
    int width = physical.width() - 2 * offset.x();
    int height = physical.height() - 2 * offset.y();
    if (landscape)
        std::swap(width, height);
    width = std::min(width, paintable.width());
    height = std::min(height, paintable.height());
    if (width <= 0 || height / 80 == 0)
        return std::nullopt;
    return PrintoutPage{width, height, printoutMetrics(height)};
}

QList<PrintoutSheet> settingsPrintoutSheets(const QList<PrintoutRow>& rows,
                                            const PrintoutPage& page)
{
    const QList<PrintoutPlacement> placements = placePrintoutRows(rows, page.metrics.linesPerPage);
    QList<PrintoutSheet> sheets(placements.isEmpty() ? 1 : placements.constLast().page + 1);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        PrintoutSheet& sheet = sheets[placements[i].page];
        const int y = page.metrics.lineHeight * placements[i].line;
        for (const PrintoutCell& cell : rows[i].cells)
            sheet.append({printoutColumnX(cell.column, page.width), y, cell.text});
    }
    return sheets;
}

PrintoutLayout settingsPrintoutLayout(QList<PrintoutRow> rows)
{
    return [rows = std::move(rows)](const PrintoutPage& page) {
        return std::optional(settingsPrintoutSheets(rows, page));
    };
}
