#include "link/safesettingswrite.h"

#include "files/settingsbackup.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/strings.h"

#include <QDir>

SafeSettingsWrite::SafeSettingsWrite(DeviceLink& link, DeviceData& data, LogSink log,
                                     QObject* parent)
    : QObject(parent), m_link(link), m_data(data), m_log(std::move(log)),
      m_root(SettingsBackup::defaultRoot())
{
    connect(&link, &DeviceLink::operationFinished, this, &SafeSettingsWrite::onOperationFinished);
    connect(&link, &DeviceLink::linkEnded, this, [this] {
        if (isRunning())
            end(Result::LinkEnded);
    });
}

bool SafeSettingsWrite::start()
{
    if (isRunning())
        return false;
    if (!m_link.IsConnected() || m_link.isClosing()) {
        m_log(stringText(StringId::deviceNotConnected));
        return false;
    }
    m_backupPath.clear();
    m_differences.clear();
    if (m_link.deviceSettings()) {
        backupAndWrite();
    } else {
        m_step = Step::ReadingBefore;
        m_link.readBackSettings();
    }
    return true;
}

void SafeSettingsWrite::onOperationFinished(int operation, bool confirmed)
{
    if (m_step == Step::ReadingBefore && operation == DeviceLink::OP_READ_BACK) {
        if (confirmed && m_link.deviceSettings())
            backupAndWrite();
        else
            end(Result::NotWritten);
    } else if (m_step == Step::Writing && operation == DeviceLink::OP_WRITE_SETTINGS) {
        if (!confirmed) {
            end(Result::NotWritten);
            return;
        }
        m_step = Step::ReadingBack;
        m_link.readBackSettings();
    } else if (m_step == Step::ReadingBack && operation == DeviceLink::OP_READ_BACK) {
        if (confirmed && m_link.deviceSettings())
            check();
        else
            end(Result::NotChecked);
    }
}

void SafeSettingsWrite::backupAndWrite()
{
    const DeviceLink::DeviceSettings& before = *m_link.deviceSettings();
    const SettingsFileRecord record =
        SettingsBackup::deviceRecord(before.image, before.combination, m_data.image().factoryNumber,
                                     m_link.deviceLabelFileCode());
    m_backupPath = SettingsBackup::save(m_root, record, QDateTime::currentDateTime());
    if (m_backupPath.isEmpty()) {
        const QString folder = QDir(m_root).filePath(QString::number(m_data.image().factoryNumber));
        m_log(fillText(StringId::backupFailed, {QDir::toNativeSeparators(folder)}));
        end(Result::BackupFailed);
        return;
    }
    m_log(fillText(StringId::backupSaved, {QDir::toNativeSeparators(m_backupPath)}));
    m_written = m_data.image().settings;
    m_writtenCombination = m_data.image().combinationIndex;
    m_step = Step::Writing;
    m_link.writeSettings();
}

void SafeSettingsWrite::check()
{
    const DeviceLink::DeviceSettings& device = *m_link.deviceSettings();
    m_differences = SettingsDiff::differences(
        m_written, m_writtenCombination, device.image, device.combination, m_data.currentLabelSet(),
        m_data.currentFlagOutputSet(), SettingsDiff::Scope::Stored);
    m_log(stringText(m_differences.isEmpty() ? StringId::settingsVerified
                                             : StringId::settingsNotVerified));
    end(m_differences.isEmpty() ? Result::Verified : Result::Different);
}

void SafeSettingsWrite::end(Result result)
{
    m_step = Step::Idle;
    emit finished(result);
}
