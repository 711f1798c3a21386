#pragma once

#include "files/settingsfile.h"
#include "fleet/inventory.h"
#include "link/deviceconnection.h"
#include "model/logsink.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <optional>

// One controller of a collection run: connect, take the status, read the event register,
// compare the settings with the reference file when there is one, disconnect. Driven by
// the engine's signals alone, so that any number of them share one event loop.
class ControllerCollector : public QObject {
    Q_OBJECT
public:
    ControllerCollector(const InventoryEntry& entry, const QString& labelsDirectory,
                        int timeLimitMs, LogSink log, QObject* parent = nullptr);

    const InventoryEntry& entry() const { return m_entry; }
    void start();

    // Results, once finished() was signalled.
    bool statusTaken() const { return m_statusTaken; }
    bool registerTaken() const { return m_registerTaken; }
    const std::optional<QList<SettingsDiff::Difference>>& drift() const { return m_drift; }
    QDateTime collectedAt() const { return m_collectedAt; }
    QString version() const { return m_version; }
    quint32 operatingHours() const { return m_hours; }
    // What went wrong, one message each; empty when everything was collected.
    const QStringList& errors() const { return m_errors; }
    const DeviceConnection& connection() const { return m_connection; }
    // The signal names of the register as read: a reference file loaded afterwards may
    // bring another label file.
    const LabelSet& eventNames() const { return m_eventNames; }

signals:
    void finished();

private:
    void connected();
    void registerDone();
    void compareDone(bool identical);
    void fail(const QString& message);
    void finish();
    void linkEnded();
    void log(const QString& text);

    InventoryEntry m_entry;
    LogSink m_log;
    QString m_lastLogLine;
    DeviceConnection m_connection;
    std::optional<SettingsFileRecord> m_reference;
    QTimer m_timeLimit;
    QTimer m_closeWait;
    bool m_statusTaken = false;
    bool m_registerTaken = false;
    bool m_closing = false;
    bool m_done = false;
    std::optional<QList<SettingsDiff::Difference>> m_drift;
    QDateTime m_collectedAt;
    QString m_version;
    quint32 m_hours = 0;
    QStringList m_errors;
    LabelSet m_eventNames{};
};
