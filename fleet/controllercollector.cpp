#include "fleet/controllercollector.h"

#include "model/eventregister.h"

ControllerCollector::ControllerCollector(const InventoryEntry& entry,
                                         const QString& labelsDirectory, int timeLimitMs,
                                         LogSink log, QObject* parent)
    : QObject(parent), m_entry(entry), m_log(std::move(log)),
      m_connection(entry.port, labelsDirectory, [this](const QString& text) { this->log(text); })
{
    DeviceLink& link = m_connection.link;
    connect(&link, &DeviceLink::connectedChanged, this, [this](bool connected) {
        if (connected && !m_statusTaken)
            this->connected();
    });
    connect(&link, &DeviceLink::registerCompleted, this, &ControllerCollector::registerDone);
    // A read that ends without its register: refused, or the link went.
    connect(&link, &DeviceLink::readingEventsChanged, this, [this](bool reading) {
        if (!reading && !m_connection.link.eventsRead() && !m_closing &&
            m_connection.link.IsConnected())
            fail(QStringLiteral("event register not read: ") + m_lastLogLine);
    });
    connect(&link, &DeviceLink::compareFinished, this, &ControllerCollector::compareDone);
    connect(&link, &DeviceLink::operationFinished, this, [this](int operation, bool confirmed) {
        if (operation == DeviceLink::OP_COMPARE && !confirmed && !m_drift)
            fail(QStringLiteral("settings not compared: ") + m_lastLogLine);
    });
    connect(&link, &DeviceLink::linkEnded, this, &ControllerCollector::linkEnded);

    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(timeLimitMs);
    connect(&m_timeLimit, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("time limit passed")); });
    m_closeWait.setSingleShot(true);
    connect(&m_closeWait, &QTimer::timeout, this, [this] {
        m_connection.line.close();
        linkEnded();
    });
}

void ControllerCollector::log(const QString& text)
{
    m_lastLogLine = text;
    if (m_log)
        m_log(text);
}

void ControllerCollector::start()
{
    if (!m_entry.settingsPath.isEmpty()) {
        // Read before the line is touched; a bad file spoils only the comparison.
        SettingsFileRecord record;
        const FileStatus status = readSettingsFile(m_entry.settingsPath, record);
        if (status == FileStatus::Ok)
            m_reference = record;
        else
            m_errors << m_entry.settingsPath + QStringLiteral(": ") + settingsFileMessage(status);
    }
    m_timeLimit.start();
    m_connection.link.connectDevice();
}

void ControllerCollector::connected()
{
    DeviceLink& link = m_connection.link;
    const quint32 factory = link.factoryNumberField();
    // The topics and the cursor belong to the listed number: another controller's
    // register must not move them.
    if (factory != m_entry.factory) {
        fail(QStringLiteral("factory number %1 answered, %2 expected")
                 .arg(factory)
                 .arg(m_entry.factory));
        return;
    }
    // The engine clears its status fields when the link ends.
    m_statusTaken = true;
    m_version = link.versionText();
    m_hours = link.operatingHours();
    m_collectedAt = QDateTime::currentDateTime();
    link.readEventRegister();
}

void ControllerCollector::registerDone()
{
    if (m_closing)
        return;
    m_registerTaken = true;
    m_eventNames = EventRegister::nameSet(m_connection.data.image());
    if (!m_reference) {
        finish();
        return;
    }
    // As the compare command does: the reference becomes the held settings, loaded as
    // while connected, and the controller's answer is set against it.
    applySettingsFile(*m_reference, m_connection.data, m_connection.labels, true,
                      [this](const QString& text) { log(text); });
    m_connection.link.compareSettings();
}

void ControllerCollector::compareDone(bool identical)
{
    if (m_closing)
        return;
    m_drift = identical ? QList<SettingsDiff::Difference>{} : m_connection.settingsDifferences();
    finish();
}

void ControllerCollector::fail(const QString& message)
{
    if (m_closing)
        return;
    m_errors << message;
    finish();
}

void ControllerCollector::finish()
{
    if (m_closing)
        return;
    m_closing = true;
    m_timeLimit.stop();
    DeviceLink& link = m_connection.link;
    if (!link.isPortOpen()) {
        linkEnded();
        return;
    }
    // The link-closing command waits for the next tick; a line that never lets go is
    // closed after that.
    m_closeWait.start(2 * (link.timings().tick + link.timings().replyTimeout));
    link.disconnectDevice();
}

void ControllerCollector::linkEnded()
{
    if (m_done)
        return;
    if (!m_closing) {
        // The link ended on its own: the attempt failed or the line went.
        m_closing = true;
        m_timeLimit.stop();
        m_errors << m_lastLogLine;
    }
    if (m_connection.link.isPortOpen())
        return;
    m_done = true;
    m_closeWait.stop();
    // Later, so that the engine has left the handler that ended the link.
    QMetaObject::invokeMethod(this, &ControllerCollector::finished, Qt::QueuedConnection);
}
