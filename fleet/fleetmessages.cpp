#include "fleet/fleetmessages.h"

#include "model/eventregister.h"
#include "model/textcodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

namespace FleetMessages {

namespace {

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The register's local time of a counter; null when the sum is no date or no time base
// is known.
QJsonValue registerTime(std::uint32_t timeBase, std::uint32_t counter)
{
    const std::optional<QDateTime> local = EventRegister::localTime(timeBase, counter);
    if (!local || timeBase == 0)
        return QJsonValue::Null;
    return isoTime(*local);
}

} // namespace

QString topic(quint16 factory, Topic kind)
{
    static const char* const names[] = {"status", "events", "drift", "error"};
    return QStringLiteral("tavrel/%1/%2").arg(factory).arg(QLatin1String(names[int(kind)]));
}

QString isoTime(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray status(const Status& s)
{
    return compact({{QStringLiteral("name"), s.name},
                    {QStringLiteral("factory"), s.factory},
                    {QStringLiteral("version"), s.version},
                    {QStringLiteral("hours"), qint64(s.hours)},
                    {QStringLiteral("collected"), isoTime(s.collected)}});
}

QByteArray event(const DeviceImage& image, int slot, quint16 factory, const LabelSet& names)
{
    const EventEntry& entry = image.entries[slot];
    const EventEntry& before = image.entries[EventRegister::predecessorSlot(slot)];
    // The restart bit has a key of its own; as a change it would only repeat it.
    QJsonArray changes;
    for (int k = 0; k < signalCount; ++k) {
        const bool on = EventRegister::stateBit(entry, k);
        if (k == EventRegister::restartBit || on == EventRegister::stateBit(before, k))
            continue;
        changes.append(QJsonObject{{QStringLiteral("signal"), slotText(names.signalNames[k])},
                                   {QStringLiteral("on"), on}});
    }
    const std::uint32_t counter = EventRegister::counter(entry);
    return compact(
        {{QStringLiteral("factory"), factory},
         {QStringLiteral("time"), registerTime(image.timeBase, counter)},
         {QStringLiteral("counter"), qint64(counter)},
         {QStringLiteral("valid"), EventRegister::isEntryValid(entry)},
         {QStringLiteral("restart"), EventRegister::stateBit(entry, EventRegister::restartBit)},
         {QStringLiteral("changes"), changes}});
}

QByteArray drift(quint16 factory, const QList<SettingsDiff::Difference>& fields)
{
    QJsonArray list;
    for (const SettingsDiff::Difference& d : fields)
        list.append(QJsonObject{{QStringLiteral("name"), d.name},
                                {QStringLiteral("reference"), d.held},
                                {QStringLiteral("controller"), d.device}});
    return compact({{QStringLiteral("factory"), factory}, {QStringLiteral("fields"), list}});
}

QByteArray error(quint16 factory, const QString& name, const QString& message)
{
    return compact({{QStringLiteral("factory"), factory},
                    {QStringLiteral("name"), name},
                    {QStringLiteral("message"), message}});
}

QByteArray gap(const DeviceImage& image, quint16 factory, const QString& name,
               const QByteArray& lastPublished, int oldestHeldSlot)
{
    const std::uint32_t after = qFromLittleEndian<std::uint32_t>(lastPublished.constData());
    const std::uint32_t before = EventRegister::counter(image.entries[oldestHeldSlot]);
    const QJsonValue from = registerTime(image.timeBase, after);
    const QJsonValue to = registerTime(image.timeBase, before);
    QJsonObject object{
        {QStringLiteral("factory"), factory},
        {QStringLiteral("name"), name},
        {QStringLiteral("message"),
         QStringLiteral("event register: entries after counter %1 (%2, the last published) and "
                        "before counter %3 (%4, the oldest held) were overwritten before they "
                        "were published")
             .arg(after)
             .arg(from.isNull() ? QStringLiteral("?") : from.toString())
             .arg(before)
             .arg(to.isNull() ? QStringLiteral("?") : to.toString())},
        {QStringLiteral("gap"), QJsonObject{{QStringLiteral("afterCounter"), qint64(after)},
                                            {QStringLiteral("beforeCounter"), qint64(before)}}}};
    return compact(object);
}

} // namespace FleetMessages
