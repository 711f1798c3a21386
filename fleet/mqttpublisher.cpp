#include "fleet/mqttpublisher.h"

#include <QCoreApplication>
#include <QUrl>
#include <QUuid>
#include <mqtt/async_client.h>

namespace {

constexpr int defaultMqttPort = 1883;

// Context values Paho hands back beside a token: the message's id, or 0 for the
// connection.
void* contextOf(quint64 id)
{
    return reinterpret_cast<void*>(static_cast<quintptr>(id));
}

quint64 idOf(const mqtt::token& token)
{
    return static_cast<quint64>(reinterpret_cast<quintptr>(token.get_user_context()));
}

} // namespace

// Runs on Paho's threads: it only posts to the publisher.
struct MqttPublisher::Paho : mqtt::callback, mqtt::iaction_listener {
    Paho(MqttPublisher& owner, const QString& address)
        : owner(owner), client(address.toStdString(),
                               QStringLiteral("tavrel-%1")
                                   .arg(QUuid::createUuid().toString(QUuid::Id128).left(16))
                                   .toStdString())
    {
        client.set_callback(*this);
    }

    void post(std::function<void()> report)
    {
        QMetaObject::invokeMethod(&owner, std::move(report), Qt::QueuedConnection);
    }

    void connection_lost(const std::string& cause) override
    {
        const QString reason = QString::fromStdString(cause);
        post([o = &owner, reason] { o->lose(reason); });
    }
    void on_success(const mqtt::token& token) override
    {
        const quint64 id = idOf(token);
        post([o = &owner, id] {
            if (id == 0) {
                // Paho may report the same connection twice.
                if (!o->m_up) {
                    o->m_up = true;
                    emit o->connected();
                }
            } else {
                o->settle(id, true);
                o->sendQueued();
            }
        });
    }
    void on_failure(const mqtt::token& token) override
    {
        const quint64 id = idOf(token);
        const QString reason =
            QString::fromStdString(mqtt::exception::error_str(token.get_return_code()));
        post([o = &owner, id, reason] {
            if (id == 0)
                emit o->connectFailed(reason);
            else
                o->settle(id, false);
            o->sendQueued();
        });
    }

    MqttPublisher& owner;
    mqtt::async_client client;
};

MqttPublisher::MqttPublisher(const QString& brokerUrl, QObject* parent) : QObject(parent)
{
    m_ackTimer.setSingleShot(true);
    m_ackTimer.setInterval(30000);
    connect(&m_ackTimer, &QTimer::timeout, this,
            [this] { lose(QStringLiteral("no acknowledgement from the broker")); });
    const QString address = pahoAddress(brokerUrl);
    if (!address.isEmpty())
        m_paho = std::make_unique<Paho>(*this, address);
}

MqttPublisher::~MqttPublisher()
{
    // Paho's threads end with the client, before anything they would post to goes.
    if (m_paho) {
        disconnectFromBroker(1000);
        m_paho->client.disable_callbacks();
    }
    m_paho.reset();
}

QString MqttPublisher::pahoAddress(const QString& brokerUrl)
{
    const QUrl url(brokerUrl, QUrl::StrictMode);
    const int port = url.port(defaultMqttPort);
    if (!url.isValid() || (url.scheme() != u"mqtt" && url.scheme() != u"tcp") ||
        url.host().isEmpty() || port <= 0 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == u"/") || url.hasQuery() || url.hasFragment())
        return {};
    return QStringLiteral("tcp://%1:%2").arg(url.host()).arg(port);
}

void MqttPublisher::connectToBroker(int timeoutSecs)
{
    // Reported later, as Paho reports: the caller waits for it.
    const auto refuse = [this](const QString& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { emit connectFailed(reason); }, Qt::QueuedConnection);
    };
    if (!m_paho) {
        refuse(QStringLiteral("not an mqtt://HOST:PORT address"));
        return;
    }
    mqtt::connect_options options;
    options.set_clean_session(true);
    options.set_connect_timeout(timeoutSecs);
    options.set_keep_alive_interval(20);
    options.set_automatic_reconnect(false);
    try {
        m_paho->client.connect(options, contextOf(0), *m_paho);
    } catch (const mqtt::exception& e) {
        refuse(QString::fromUtf8(e.what()));
    }
}

quint64 MqttPublisher::publish(const QString& topic, const QByteArray& payload, bool retained)
{
    const quint64 id = m_nextId++;
    m_pending.append(id);
    m_queue.push_back({id, topic, payload, retained});
    m_ackTimer.start();
    // Later, so that the caller has recorded the id before anything is reported on it.
    QMetaObject::invokeMethod(this, &MqttPublisher::sendQueued, Qt::QueuedConnection);
    return id;
}

void MqttPublisher::sendQueued()
{
    while (!m_queue.empty() && m_inFlight < maxInFlight) {
        const Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_inFlight;
        if (!m_up) {
            settle(next.id, false);
            continue;
        }
        try {
            const auto message =
                mqtt::make_message(next.topic.toStdString(), next.payload.constData(),
                                   std::size_t(next.payload.size()), 1, next.retained);
            m_paho->client.publish(message, contextOf(next.id), *m_paho);
        } catch (const mqtt::exception&) {
            settle(next.id, false);
        }
    }
}

void MqttPublisher::disconnectFromBroker(int timeoutMs)
{
    if (!m_paho || !m_up)
        return;
    m_up = false;
    try {
        m_paho->client.disconnect(timeoutMs)->wait_for(std::chrono::milliseconds(timeoutMs));
    } catch (const mqtt::exception&) {
        // Going anyway: whatever was not acknowledged is not counted as published.
    }
}

void MqttPublisher::settle(quint64 id, bool ok)
{
    if (!m_pending.removeOne(id))
        return;
    --m_inFlight;
    if (m_pending.isEmpty())
        m_ackTimer.stop();
    else
        m_ackTimer.start();
    if (ok)
        emit delivered(id);
    else
        emit failed(id);
}

void MqttPublisher::lose(const QString& reason)
{
    const bool wasUp = m_up;
    m_up = false;
    if (wasUp || !m_pending.isEmpty())
        emit connectionLost(reason);
    // A message in flight when the connection went is not known to have arrived.
    m_queue.clear();
    const QList<quint64> pending = m_pending;
    for (quint64 id : pending)
        settle(id, false);
    m_inFlight = 0;
}
