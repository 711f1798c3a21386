#pragma once

#include "model/logsink.h"
#include "model/settingsdiff.h"

#include <QObject>
#include <QString>

class DeviceData;
class DeviceLink;

// "Zapis nastaw do Dorvik" done so that the engineer knows what the controller holds
// afterwards: what it held before is saved as a backup first (read now unless a read or
// compare on this link gave it), the held settings are written, then read back and
// compared with what was written. A backup that cannot be saved stops the write.
class SafeSettingsWrite : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Verified,     // the controller holds what was written
        Different,    // it holds something else: differences() lists it
        BackupFailed, // nothing was written
        NotWritten,   // the controller refused the read or the write
        NotChecked,   // written, but the read back was refused
        LinkEnded,    // the link ended before the end
    };

    SafeSettingsWrite(DeviceLink& link, DeviceData& data, LogSink log, QObject* parent = nullptr);

    // Where the backups go (SettingsBackup::defaultRoot() unless set).
    void setBackupRoot(const QString& root) { m_root = root; }
    QString backupRoot() const { return m_root; }

    // False, and nothing sent, when no link is up or a write is under way.
    bool start();
    bool isRunning() const { return m_step != Step::Idle; }

    // The backup of the last run; empty when none was saved.
    QString backupPath() const { return m_backupPath; }
    // After Different: each field the controller holds otherwise than written.
    QList<SettingsDiff::Difference> differences() const { return m_differences; }

signals:
    void finished(SafeSettingsWrite::Result result);

private:
    enum class Step { Idle, ReadingBefore, Writing, ReadingBack };

    void onOperationFinished(int operation, bool confirmed);
    void backupAndWrite();
    void check();
    void end(Result result);

    DeviceLink& m_link;
    DeviceData& m_data;
    LogSink m_log;
    QString m_root;
    Step m_step = Step::Idle;
    QString m_backupPath;
    SettingsImage m_written{};
    unsigned m_writtenCombination = 0;
    QList<SettingsDiff::Difference> m_differences;
};
