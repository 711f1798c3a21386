#include "files/eventsfilter.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The event text lists "name_^," or "name_v," for each change, or a restart's name alone.
bool changedIn(const QString& eventText, const QString& name)
{
    if (name.isEmpty())
        return false;
    if (eventText == name)
        return true;
    for (QLatin1String mark : {QLatin1String("_^,"), QLatin1String("_v,")}) {
        const QString needle = name + mark;
        for (qsizetype at = eventText.indexOf(needle); at >= 0;
             at = eventText.indexOf(needle, at + 1)) {
            if (at == 0 || eventText[at - 1] == u',')
                return true;
        }
    }
    return false;
}

// A date and time as the list shows them, on the wall clock, held as UTC.
std::optional<QDateTime> wallClock(const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

std::optional<QDateTime> parseTimeLimit(const QString& text, bool upper)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})(?:T(\d{2}):(\d{2})(?::(\d{2}))?)?$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const bool hasTime = m.hasCaptured(4);
    const bool hasSeconds = m.hasCaptured(6);
    const int fill = upper ? 59 : 0;
    const QTime time(hasTime ? m.captured(4).toInt() : (upper ? 23 : 0),
                     hasTime ? m.captured(5).toInt() : fill,
                     hasSeconds ? m.captured(6).toInt() : fill);
    return wallClock(date, time);
}

std::optional<QDateTime> rowTime(const QString& timeText)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d+)_(\d+)_(\d+) (\d+):(\d+):(\d+)$)"));
    const QRegularExpressionMatch m = pattern.match(timeText);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return wallClock(date,
                     QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
}

QList<int> filteredRows(const QList<EventListRow>& rows, const EventsFilter& filter)
{
    const auto inRange = [&filter](const QString& timeText) {
        if (!filter.from && !filter.to)
            return true;
        const std::optional<QDateTime> t = rowTime(timeText);
        return t && (!filter.from || *t >= *filter.from) && (!filter.to || *t <= *filter.to);
    };
    const auto signalMatches = [&filter](const QString& eventText) {
        return filter.signalNames.isEmpty() ||
               std::any_of(
                   filter.signalNames.cbegin(), filter.signalNames.cend(),
                   [&eventText](const QString& name) { return changedIn(eventText, name); });
    };
    QList<int> kept;
    for (int r = 0; r < rows.size(); ++r) {
        if (r == 0 || (inRange(rows[r].time) && signalMatches(rows[r].event)))
            kept.append(r);
    }
    return kept;
}

QString filterDescription(const EventsFilter& filter)
{
    if (!filter.isActive())
        return {};
    QStringList parts;
    if (!filter.signalNames.isEmpty())
        parts.append(
            QStringLiteral("sygnały: %1").arg(filter.signalNames.join(QStringLiteral(", "))));
    const auto limit = [](const QDateTime& t) { return t.toString(u"yyyy-MM-dd HH:mm:ss"); };
    if (filter.from)
        parts.append(QStringLiteral("od %1").arg(limit(*filter.from)));
    if (filter.to)
        parts.append(QStringLiteral("do %1").arg(limit(*filter.to)));
    return QStringLiteral("Filtr: %1").arg(parts.join(QStringLiteral("; ")));
}
