#include "app/linktools.h"

#include "app/servicereportjob.h"
#include "app/trafficwindow.h"
#include "files/settingsbackup.h"
#include "files/settingsfile.h"
#include "link/devicelink.h"
#include "link/trafficmonitor.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/strings.h"
#include "pagekit/appcontext.h"
#include "pagekit/messagebox.h"

#include <QDir>
#include <QLocale>
#include <utility>

LinkTools::LinkTools(AppContext& context, DeviceLink* link, QWidget* window)
    : QObject(window), m_context(context), m_link(link), m_window(window),
      m_monitor(new TrafficMonitor(TrafficLog::defaultCapacity, this)),
      m_showMessage([window](const QString& text) { showWarning(window, text); })
{
    if (link) {
        m_monitor->attach(*link);
        connect(link, &DeviceLink::compareFinished, this, &LinkTools::onCompareFinished);
        m_safeWrite = new SafeSettingsWrite(
            *link, context.data(), [this](const QString& text) { m_context.logMessage(text); },
            this);
        connect(m_safeWrite, &SafeSettingsWrite::finished, this, &LinkTools::onWriteFinished);
        m_report = new ServiceReportJob(
            context, *link, *m_monitor, [this](const QString& text) { m_showMessage(text); }, this);
        m_report->setBackupRoot(m_safeWrite->backupRoot());
        connect(link, &DeviceLink::operationFinished, this, [this](int operation, bool confirmed) {
            if (operation == DeviceLink::OP_READ_BACK && std::exchange(m_restoreAsked, false) &&
                confirmed && !m_safeWrite->isRunning())
                chooseBackup();
        });
        connect(link, &DeviceLink::linkEnded, this, [this] { m_restoreAsked = false; });
    }
}

LinkTools::~LinkTools()
{
    // The window shows the monitor's list; it goes first.
    delete m_trafficWindow;
}

TrafficWindow* LinkTools::trafficWindow() const
{
    return m_trafficWindow;
}

TrafficWindow* LinkTools::showTrafficWindow()
{
    if (!m_trafficWindow)
        m_trafficWindow = new TrafficWindow(*m_monitor, m_window);
    m_trafficWindow->show();
    m_trafficWindow->raise();
    m_trafficWindow->activateWindow();
    return m_trafficWindow;
}

QList<SettingsDiff::Difference> LinkTools::differences(SettingsDiff::Scope scope) const
{
    if (!m_link || !m_link->deviceSettings())
        return {};
    const DeviceLink::DeviceSettings& device = *m_link->deviceSettings();
    const DeviceData& data = m_context.data();
    const DeviceImage& image = data.image();
    return SettingsDiff::differences(image.settings, image.combinationIndex, device.image,
                                     device.combination, data.currentLabelSet(),
                                     data.currentFlagOutputSet(), scope);
}

bool LinkTools::showDifferences(const QList<SettingsDiff::Difference>& list,
                                SettingsDiffDialog::Purpose purpose)
{
    if (m_showDifferences)
        return m_showDifferences(list, purpose);
    if (purpose != SettingsDiffDialog::Purpose::Compare) {
        SettingsDiffDialog dialog(list, purpose, m_window);
        return dialog.exec() == QDialog::Accepted;
    }
    // The compare's list stays open beside the window while the link goes on; a new
    // compare replaces it.
    if (m_compareDialog)
        m_compareDialog->close();
    m_compareDialog = new SettingsDiffDialog(list, purpose, m_window);
    m_compareDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_compareDialog->show();
    return true;
}

void LinkTools::onCompareFinished(bool identical)
{
    if (identical)
        return;
    const auto list = differences(SettingsDiff::Scope::Everything);
    if (!list.isEmpty())
        showDifferences(list, SettingsDiffDialog::Purpose::Compare);
}

bool LinkTools::confirmSettingsWrite()
{
    const auto list = differences(SettingsDiff::Scope::SettingsWrite);
    if (list.isEmpty())
        return true;
    if (showDifferences(list, SettingsDiffDialog::Purpose::Write))
        return true;
    m_context.logMessage(stringText(StringId::writeSettingsCancelled));
    return false;
}

void LinkTools::writeSettings()
{
    if (m_safeWrite && !m_safeWrite->isRunning() && confirmSettingsWrite())
        m_safeWrite->start();
}

void LinkTools::onWriteFinished(SafeSettingsWrite::Result result)
{
    if (result == SafeSettingsWrite::Result::BackupFailed) {
        m_showMessage(fillText(StringId::backupFailed,
                               {QDir::toNativeSeparators(m_safeWrite->backupRoot())}));
        return;
    }
    if (result != SafeSettingsWrite::Result::Different)
        return;
    const QString backup = m_safeWrite->backupPath();
    if (showDifferences(m_safeWrite->differences(), SettingsDiffDialog::Purpose::Verify) &&
        !backup.isEmpty())
        restoreFile(backup);
}

void LinkTools::restoreBackup()
{
    if (!m_link || !m_safeWrite || m_safeWrite->isRunning() || !m_link->IsConnected())
        return;
    if (m_link->deviceSettings()) {
        chooseBackup();
        return;
    }
    m_restoreAsked = true;
    m_link->readBackSettings();
}

void LinkTools::chooseBackup()
{
    if (!m_link || !m_link->deviceSettings())
        return;
    const DeviceLink::DeviceSettings& device = *m_link->deviceSettings();
    const DeviceData& data = m_context.data();
    const auto backups =
        SettingsBackup::list(m_safeWrite->backupRoot(), data.image().factoryNumber);
    if (backups.isEmpty()) {
        m_showMessage(stringText(StringId::noBackups));
        return;
    }
    QList<RestoreDialog::Row> rows;
    for (const SettingsBackup::Entry& entry : backups) {
        SettingsFileRecord record;
        QString differences = stringText(StringId::settingsFileInvalid);
        if (readSettingsFile(entry.path, record) == FileStatus::Ok) {
            QStringList names;
            for (const SettingsDiff::Difference& d : SettingsDiff::differences(
                     record.settings, record.combinationIndex, device.image, device.combination,
                     data.currentLabelSet(), data.currentFlagOutputSet(),
                     SettingsDiff::Scope::Stored))
                names << d.name;
            differences = names.isEmpty() ? stringText(StringId::noDifferences)
                                          : names.join(QStringLiteral(", "));
        }
        rows.append({QLocale::c().toString(entry.time.date(), QStringLiteral("yyyy-MM-dd")),
                     QLocale::c().toString(entry.time.time(), QStringLiteral("HH:mm:ss")),
                     differences});
    }
    int chosen = -1;
    if (m_chooseBackup) {
        chosen = m_chooseBackup(rows);
    } else {
        RestoreDialog dialog(rows, m_window);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.chosenRow();
    }
    if (chosen >= 0 && chosen < backups.size())
        restoreFile(backups[chosen].path);
}

bool LinkTools::restoreFile(const QString& path)
{
    if (!m_safeWrite || m_safeWrite->isRunning())
        return false;
    SettingsFileRecord record;
    const FileStatus status = readSettingsFile(path, record);
    if (status != FileStatus::Ok) {
        m_showMessage(settingsFileMessage(status));
        return false;
    }
    DeviceData& data = m_context.data();
    if (record.factoryNumber != data.image().factoryNumber) {
        m_showMessage(stringText(StringId::backupOtherDevice));
        return false;
    }
    const LogSink log = [this](const QString& text) { m_context.logMessage(text); };
    log(fillText(StringId::restoreStarted, {QDir::toNativeSeparators(path)}));
    applySettingsFile(record, data, m_context.labels(), true, log);
    m_context.addSettingsPages();
    return m_safeWrite->start();
}
