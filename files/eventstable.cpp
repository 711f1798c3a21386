#include "files/eventstable.h"

#include "model/eventregister.h"
#include "model/strings.h"

QList<EventListRow> eventListRows(const DeviceImage& image)
{
    namespace ER = EventRegister;
    QList<EventListRow> rows;
    rows.reserve(entryCount);
    for (int row = 0; row < entryCount; ++row) {
        const int slot = ER::slotOfRow(image, row);
        rows.append({ER::rowNumberText(image, row), ER::timeText(image, slot),
                     ER::counterText(image, slot),
                     row == 0 ? ER::deviceLine(image) : ER::eventText(image, slot)});
    }
    return rows;
}

QString csvField(const QString& text)
{
    // Label texts are the user's own and travel between sites: a cell that a spreadsheet
    // would take for a formula is kept as text by a leading apostrophe.
    static constexpr QStringView formulaStarts = u"=+-@\t\r";
    const bool formulaLike = !text.isEmpty() && formulaStarts.contains(text.front());
    const QString cell = formulaLike ? u'\'' + text : text;
    if (!cell.contains(u',') && !cell.contains(u'"') && !cell.contains(u'\n') &&
        !cell.contains(u'\r'))
        return cell;
    QString quoted = cell;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray eventsCsv(const QList<EventListRow>& rows)
{
    // The list's own column headings; "Rbs [s] " carries a trailing blank on screen.
    QStringList header;
    for (int id : {StringId::columnNumber, StringId::columnTime, StringId::columnCounter,
                   StringId::columnEvents})
        header.append(csvField(stringText(id).trimmed()));

    QString csv = header.join(u',') + QLatin1String("\r\n");
    for (const EventListRow& row : rows) {
        csv += csvField(row.number) + u',' + csvField(row.time) + u',' + csvField(row.counter) +
               u',' + csvField(row.event) + QLatin1String("\r\n");
    }
    return csv.toUtf8();
}
