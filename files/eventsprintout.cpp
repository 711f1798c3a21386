#include "files/eventsprintout.h"

#include "model/strings.h"

#include <algorithm>
#include <numeric>

namespace {

// Column offsets on a page 4958 device units wide.
constexpr int referenceWidth = 4958;
constexpr int columnOffset[] = {5, 200, 1120, 1470, 2100};

} // namespace

int eventsColumnX(EventsColumn column, int width)
{
    return static_cast<int>(qint64(columnOffset[static_cast<int>(column)]) * width /
                            referenceWidth);
}

int eventsRowsPerPage(const PrintoutPage& page)
{
    const int lh = page.metrics.lineHeight;
    if (lh <= 0 || page.height < eventsRowsY + 2 * lh)
        return 0;
    return (page.height - eventsRowsY) / lh - 1;
}

QList<int> eventsPrintoutRange(QList<int> selectedRows, int rowCount)
{
    selectedRows.removeIf([rowCount](int row) { return row < 0 || row >= rowCount; });
    if (selectedRows.isEmpty()) {
        QList<int> all(std::max(rowCount, 0));
        std::iota(all.begin(), all.end(), 0);
        return all;
    }
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    return selectedRows;
}

QList<QList<int>> eventsPrintoutPages(const QList<int>& rows, int rowsPerPage)
{
    rowsPerPage = std::max(rowsPerPage, 1);
    QList<QList<int>> pages;
    for (qsizetype first = 0; first < rows.size(); first += rowsPerPage)
        pages.append(rows.mid(first, rowsPerPage));
    return pages;
}

EventRowTexts eventRowTexts(QList<EventListRow> rows)
{
    return [rows = std::move(rows)](int row) -> std::array<QString, 3> {
        if (row < 0 || row >= rows.size())
            return {};
        const EventListRow& r = rows.at(row);
        return {r.time, r.counter, r.event};
    };
}

std::optional<QList<PrintoutSheet>> eventsPrintoutSheets(const QList<int>& rows,
                                                         const EventRowTexts& texts,
                                                         const PrintoutPage& page,
                                                         const QString& note)
{
    const int noteLines = note.isEmpty() ? 0 : 1;
    const int rowsPerPage = eventsRowsPerPage(page) - noteLines;
    if (rowsPerPage < 1)
        return std::nullopt;
    const QList<QList<int>> pages = eventsPrintoutPages(rows, rowsPerPage);
    if (pages.isEmpty())
        return QList<PrintoutSheet>(1);

    const auto x = [&page](EventsColumn column) { return eventsColumnX(column, page.width); };
    QList<PrintoutSheet> sheets;
    sheets.reserve(pages.size());
    for (qsizetype p = 0; p < pages.size(); ++p) {
        PrintoutSheet sheet;
        sheet.append({x(EventsColumn::Number), eventsHeadingY, stringText(StringId::columnNumber)});
        sheet.append({x(EventsColumn::Time), eventsHeadingY, stringText(StringId::columnTime)});
        sheet.append(
            {x(EventsColumn::Counter), eventsHeadingY, stringText(StringId::columnCounter)});
        sheet.append({x(EventsColumn::Events), eventsHeadingY, stringText(StringId::columnEvents)});
        sheet.append({x(EventsColumn::PageLine), eventsHeadingY,
                      fillText(StringId::eventsPageLine,
                               {QString::number(p + 1), QString::number(pages.size())})});
        sheet.append({x(EventsColumn::Number), eventsRuleY, QString(90, QLatin1Char('-'))});
        if (noteLines)
            sheet.append({x(EventsColumn::Number), eventsRowsY + page.metrics.lineHeight,
                          note.left(2 * eventsCellLength)});
        int line = noteLines;
        for (int row : pages[p]) {
            ++line;
            const int y = eventsRowsY + page.metrics.lineHeight * line;
            const std::array<QString, 3> cells = texts(row);
            sheet.append({x(EventsColumn::Number), y, QString::number(row + 1)});
            sheet.append({x(EventsColumn::Time), y, cells[0].left(eventsCellLength)});
            sheet.append({x(EventsColumn::Counter), y, cells[1].left(eventsCellLength)});
            sheet.append({x(EventsColumn::Events), y, cells[2].left(eventsCellLength)});
        }
        sheets.append(sheet);
    }
    return sheets;
}

PrintoutLayout eventsPrintoutLayout(QList<int> rows, EventRowTexts texts, QString note)
{
    return [rows = std::move(rows), texts = std::move(texts), note = std::move(note)](
               const PrintoutPage& page) { return eventsPrintoutSheets(rows, texts, page, note); };
}

QList<int> eventsPrintoutRows(const EventsPrintSource& source)
{
    if (!source.shownRows)
        return eventsPrintoutRange(source.selectedRows, source.rowCount);
    QList<int> rows;
    for (int row : source.selectedRows)
        if (source.shownRows->contains(row))
            rows.append(row);
    return rows.isEmpty() ? *source.shownRows : rows;
}
