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
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
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
