#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <memory>

// A connection to an MQTT broker for publishing with QoS 1, through the Paho client.
// Paho reports on threads of its own; every report reaches this object's thread queued,
// as a signal, so nothing else of the program runs on them.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    // `brokerUrl` is mqtt://HOST:PORT (Paho's own tcp:// is taken too).
    explicit MqttPublisher(const QString& brokerUrl, QObject* parent = nullptr);
    ~MqttPublisher() override;

    // mqtt://HOST[:PORT] as Paho's tcp://HOST:PORT; empty when it is no such address.
    static QString pahoAddress(const QString& brokerUrl);

    // connected() or connectFailed() follows.
    void connectToBroker(int timeoutSecs);
    // delivered(id) follows once the broker has acknowledged the message, failed(id) when
    // it will not be: the connection is down or goes away first, or no acknowledgement
    // came within `ackTimeoutMs` of the last publication.
    quint64 publish(const QString& topic, const QByteArray& payload, bool retained);
    // Waits for the broker to take the disconnect, at most `timeoutMs`.
    void disconnectFromBroker(int timeoutMs);
    void setAckTimeout(int ms) { m_ackTimer.setInterval(ms); }

signals:
    void connected();
    void connectFailed(const QString& reason);
    void connectionLost(const QString& reason);
    void delivered(quint64 id);
    void failed(quint64 id);

private:
    struct Paho;
    struct Queued {
        quint64 id;
        QString topic;
        QByteArray payload;
        bool retained;
    };
    // Paho refuses publications beyond its own limit of messages in flight; the rest
    // wait here for acknowledgements.
    static constexpr int maxInFlight = 50;

    void sendQueued();
    void settle(quint64 id, bool ok);
    void lose(const QString& reason);

    std::unique_ptr<Paho> m_paho;
    QTimer m_ackTimer;
    QList<quint64> m_pending; // published or queued, not yet settled
    std::deque<Queued> m_queue;
    int m_inFlight = 0;
    quint64 m_nextId = 1;
    bool m_up = false;
};
