#include "fleet/fleetcollector.h"

#include "fleet/controllercollector.h"
#include "fleet/fleetmessages.h"
#include "fleet/mqttpublisher.h"
#include "link/logline.h"

#include <QDir>
#include <QEventLoop>
#include <QSet>

using FleetMessages::Topic;

namespace {

// Stands for the gap report among the slots of the events sent: the cursor passes a gap
// only once its report is acknowledged.
constexpr int gapReport = entryCount;

} // namespace

struct FleetCollector::Pending {
    std::optional<EventCursor::Cursor> cursor; // as the run found it
    QList<int> entrySlots;                     // the events sent, oldest first
    QSet<int> delivered;
    int left = 0; // messages not yet settled
};

FleetCollector::FleetCollector(Inventory inventory, CollectOptions options, QTextStream& out,
                               QTextStream& err)
    : m_inventory(std::move(inventory)), m_options(std::move(options)), m_out(out), m_err(err)
{
}

FleetCollector::~FleetCollector() = default;

void FleetCollector::report(const QString& text)
{
    m_err << "tavrel-cli: " << text << '\n';
    m_err.flush();
}

FleetCollector::Outcome FleetCollector::run()
{
    if (!m_options.dryRun) {
        if (!QDir().mkpath(m_options.stateDir)) {
            report(m_options.stateDir + QStringLiteral(": cannot create the state directory"));
            return Outcome::SomeFailed;
        }
        const QString refusal = connectBroker();
        if (!refusal.isEmpty()) {
            report(QStringLiteral("broker %1 unreachable (%2)").arg(m_options.broker, refusal));
            return Outcome::BrokerUnreachable;
        }
    }
    QEventLoop loop;
    m_loop = &loop;
    startControllers();
    loop.exec();
    m_loop = nullptr;
    if (m_publisher)
        m_publisher->disconnectFromBroker(2000);
    if (m_brokerLost)
        return Outcome::BrokerUnreachable;
    return m_anyFailed ? Outcome::SomeFailed : Outcome::AllCollected;
}

QString FleetCollector::connectBroker()
{
    m_publisher = std::make_unique<MqttPublisher>(m_options.broker);
    QString refusal;
    {
        // Its connections go with it: a late second answer cannot end the run.
        QEventLoop waiting;
        connect(m_publisher.get(), &MqttPublisher::connected, &waiting, &QEventLoop::quit);
        connect(m_publisher.get(), &MqttPublisher::connectFailed, &waiting,
                [&](const QString& reason) {
                    refusal = reason;
                    waiting.quit();
                });
        m_publisher->connectToBroker(m_options.brokerTimeoutSecs);
        waiting.exec();
    }
    if (!refusal.isEmpty())
        return refusal;
    connect(m_publisher.get(), &MqttPublisher::delivered, this,
            [this](quint64 id) { settled(id, true); });
    connect(m_publisher.get(), &MqttPublisher::failed, this,
            [this](quint64 id) { settled(id, false); });
    connect(m_publisher.get(), &MqttPublisher::connectionLost, this, [this](const QString& reason) {
        m_brokerLost = true;
        report(QStringLiteral("broker %1 lost (%2)").arg(m_options.broker, reason));
    });
    return {};
}

void FleetCollector::startControllers()
{
    QStringList ports;
    for (const InventoryEntry& entry : std::as_const(m_inventory.controllers)) {
        if (!m_queues.contains(entry.port))
            ports << entry.port;
        m_queues[entry.port].append(entry);
    }
    for (const QString& port : ports)
        startNext(port);
}

void FleetCollector::startNext(const QString& port)
{
    QList<InventoryEntry>& queue = m_queues[port];
    if (queue.isEmpty())
        return;
    const InventoryEntry entry = queue.takeFirst();
    const QString prefix = entry.name + QStringLiteral(": ");
    auto* collector = new ControllerCollector(
        entry, m_options.labelsDir, m_options.timeLimitSecs * 1000,
        [this, prefix](const QString& text) {
            m_err << prefix << logLine(QTime::currentTime(), text) << '\n';
            m_err.flush();
        },
        this);
    connect(collector, &ControllerCollector::finished, this,
            [this, collector] { controllerFinished(collector); });
    ++m_running;
    collector->start();
}

void FleetCollector::send(ControllerCollector* collector, const QString& topic,
                          const QByteArray& payload, bool retained, int eventSlot)
{
    Pending& pending = *m_pending[collector];
    ++pending.left;
    if (eventSlot >= 0)
        pending.entrySlots.append(eventSlot);
    if (!m_publisher) {
        m_out << topic << ' ' << QString::fromUtf8(payload) << '\n';
        m_messages.insert(0, {collector, eventSlot});
        settled(0, true);
        return;
    }
    m_messages.insert(m_publisher->publish(topic, payload, retained), {collector, eventSlot});
}

void FleetCollector::controllerFinished(ControllerCollector* collector)
{
    --m_running;
    const InventoryEntry& entry = collector->entry();
    const quint16 factory = entry.factory;
    const DeviceImage& image = collector->connection().data.image();
    auto pending = std::make_shared<Pending>();
    m_pending.insert(collector, pending);
    ++pending->left; // held until everything is sent

    QStringList errors = collector->errors();
    if (collector->statusTaken()) {
        send(collector, FleetMessages::topic(factory, Topic::Status),
             FleetMessages::status({entry.name, factory, collector->version(),
                                    collector->operatingHours(), collector->collectedAt()}),
             true);
    }
    if (collector->registerTaken()) {
        QString problem;
        const QString path = EventCursor::cursorPath(m_options.stateDir, factory);
        pending->cursor = EventCursor::loadCursor(path, problem);
        if (!problem.isEmpty())
            errors << path + QStringLiteral(": ") + problem +
                          QStringLiteral("; every entry held is published again");
        const EventCursor::NewEntries fresh = EventCursor::newEntries(image, pending->cursor);
        if (fresh.gap)
            send(collector, FleetMessages::topic(factory, Topic::Error),
                 FleetMessages::gap(image, factory, entry.name, pending->cursor->entry,
                                    fresh.entrySlots.value(0, image.writePosition)),
                 false, gapReport);
        for (int slot : fresh.entrySlots)
            send(collector, FleetMessages::topic(factory, Topic::Events),
                 FleetMessages::event(image, slot, factory, collector->eventNames()), false, slot);
    }
    if (collector->drift())
        send(collector, FleetMessages::topic(factory, Topic::Drift),
             FleetMessages::drift(factory, *collector->drift()), true);
    for (const QString& message : std::as_const(errors)) {
        report(entry.name + QStringLiteral(": ") + message);
        send(collector, FleetMessages::topic(factory, Topic::Error),
             FleetMessages::error(factory, entry.name, message), false);
    }
    if (!errors.isEmpty())
        m_anyFailed = true;
    if (--pending->left == 0)
        controllerPublished(collector);
    startNext(entry.port);
}

void FleetCollector::settled(quint64 id, bool delivered)
{
    const auto found = m_messages.constFind(id);
    if (found == m_messages.constEnd())
        return;
    const auto [collector, slot] = *found;
    m_messages.erase(found);
    const std::shared_ptr<Pending> pending = m_pending.value(collector);
    if (!pending)
        return;
    if (!delivered)
        m_brokerLost = true;
    else if (slot >= 0)
        pending->delivered.insert(slot);
    if (--pending->left == 0)
        controllerPublished(collector);
}

void FleetCollector::controllerPublished(ControllerCollector* collector)
{
    const std::shared_ptr<Pending> pending = m_pending.take(collector);
    if (!m_options.dryRun && collector->registerTaken()) {
        // The cursor covers the events the broker acknowledged without one missing before
        // them; the rest goes again next time.
        const DeviceImage& image = collector->connection().data.image();
        std::optional<EventCursor::Cursor> cursor;
        int published = 0;
        while (published < pending->entrySlots.size() &&
               pending->delivered.contains(pending->entrySlots[published]))
            ++published;
        if (published == pending->entrySlots.size())
            cursor = EventCursor::cursorAtEnd(image);
        else if (published > 0 && pending->entrySlots[published - 1] != gapReport)
            cursor = EventCursor::cursorAt(image, pending->entrySlots[published - 1]);
        QString problem;
        const QString path =
            EventCursor::cursorPath(m_options.stateDir, collector->entry().factory);
        if (cursor && !EventCursor::saveCursor(path, *cursor, problem)) {
            // The events went out but the next run will not know: say so.
            report(path + QStringLiteral(": ") + problem);
            m_anyFailed = true;
        }
    }
    collector->deleteLater();
    checkDone();
}

void FleetCollector::checkDone()
{
    if (m_running > 0 || !m_pending.isEmpty())
        return;
    for (const QList<InventoryEntry>& queue : std::as_const(m_queues))
        if (!queue.isEmpty())
            return;
    if (m_loop)
        m_loop->quit();
}
