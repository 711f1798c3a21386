#pragma once

#include "fleet/eventcursor.h"
#include "fleet/inventory.h"

#include <QHash>
#include <QObject>
#include <QTextStream>
#include <memory>

class ControllerCollector;
class QEventLoop;
class MqttPublisher;

struct CollectOptions {
    QString broker;   // mqtt://HOST:PORT
    QString stateDir; // the cursors
    QString labelsDir;
    bool dryRun = false;     // print the messages instead of publishing them
    int timeLimitSecs = 120; // per controller
    int brokerTimeoutSecs = 10;
};

// One collection run over an inventory. Controllers on different ports are collected at
// the same time, those sharing a port one after the other. Each one's messages go out as
// soon as it is done; its cursor moves once the broker has acknowledged its events.
class FleetCollector : public QObject {
    Q_OBJECT
public:
    enum class Outcome { AllCollected = 0, SomeFailed = 1, BrokerUnreachable = 3 };

    FleetCollector(Inventory inventory, CollectOptions options, QTextStream& out, QTextStream& err);
    ~FleetCollector() override;

    // Runs the whole collection on a local event loop.
    Outcome run();

private:
    struct Pending; // what a controller still waits for from the broker
    // The reason when the broker cannot be reached.
    QString connectBroker();
    void startControllers();
    void startNext(const QString& port);
    void controllerFinished(ControllerCollector* collector);
    void send(ControllerCollector* collector, const QString& topic, const QByteArray& payload,
              bool retained, int eventSlot = -1);
    void settled(quint64 id, bool delivered);
    void controllerPublished(ControllerCollector* collector);
    void checkDone();
    void report(const QString& text);

    Inventory m_inventory;
    CollectOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    std::unique_ptr<MqttPublisher> m_publisher;
    QHash<QString, QList<InventoryEntry>> m_queues; // per port, in inventory order
    QHash<ControllerCollector*, std::shared_ptr<Pending>> m_pending;
    QHash<quint64, std::pair<ControllerCollector*, int>> m_messages; // id -> (whose, slot)
    int m_running = 0;
    bool m_anyFailed = false;
    bool m_brokerLost = false;
    QEventLoop* m_loop = nullptr;
};
