#pragma once

#include "app/restoredialog.h"
#include "app/settingsdiffdialog.h"
#include "link/safesettingswrite.h"
#include "model/settingsdiff.h"

#include <QObject>
#include <QPointer>
#include <functional>

class AppContext;
class ServiceReportJob;
class DeviceLink;
class TrafficMonitor;
class TrafficWindow;
class QWidget;

// What the main window adds to the device link: the traffic monitor, recording from the
// start so that its window shows what happened before it was opened; the list of the
// settings that differ after a compare and before a write overwrites them; the settings
// write with its backup and check, restoring a backup, and the service report.
class LinkTools : public QObject {
    Q_OBJECT
public:
    // Shows the differences; for a write, true to go on. Tests hand in their own.
    using DiffViewer =
        std::function<bool(const QList<SettingsDiff::Difference>&, SettingsDiffDialog::Purpose)>;

    // `link` may be null (no engine): the window then stays empty.
    LinkTools(AppContext& context, DeviceLink* link, QWidget* window);
    ~LinkTools() override;

    TrafficMonitor& monitor() { return *m_monitor; }
    TrafficWindow* showTrafficWindow();
    TrafficWindow* trafficWindow() const;

    void setDiffViewer(DiffViewer viewer) { m_showDifferences = std::move(viewer); }
    // Picks a backup to restore from the dialog's rows: its index, or -1.
    using BackupChooser = std::function<int(const QList<RestoreDialog::Row>&)>;
    void setBackupChooser(BackupChooser chooser) { m_chooseBackup = std::move(chooser); }
    using MessageShower = std::function<void(const QString&)>;
    void setMessageShower(MessageShower shower) { m_showMessage = std::move(shower); }

    // The backups and the check of the settings write; null without an engine.
    SafeSettingsWrite* settingsWrite() const { return m_safeWrite; }

    // "Zapis nastaw do Dorvik": confirmed as below, then backed up, written and checked.
    void writeSettings();
    // "Przywróć kopię...": the connected controller's backups to choose from (its
    // settings are read first when this link has not read them yet).
    void restoreBackup();
    // Writes a backup file back, with its own backup and check.
    bool restoreFile(const QString& path);
    // "Raport serwisowy..."; null without an engine.
    ServiceReportJob* serviceReport() const { return m_report; }

    // Asked before "Zapis nastaw do Dorvik": when the controller's settings were read on
    // this link and the write would change some of them, lists them and lets the user go
    // on or cancel. True when the write may go.
    bool confirmSettingsWrite();

private:
    void onCompareFinished(bool identical);
    void onWriteFinished(SafeSettingsWrite::Result result);
    void chooseBackup();
    QList<SettingsDiff::Difference> differences(SettingsDiff::Scope scope) const;
    bool showDifferences(const QList<SettingsDiff::Difference>& list,
                         SettingsDiffDialog::Purpose purpose);

    AppContext& m_context;
    QPointer<DeviceLink> m_link;
    QWidget* m_window;
    TrafficMonitor* m_monitor;
    QPointer<TrafficWindow> m_trafficWindow;
    QPointer<SettingsDiffDialog> m_compareDialog;
    DiffViewer m_showDifferences;
    BackupChooser m_chooseBackup;
    MessageShower m_showMessage;
    SafeSettingsWrite* m_safeWrite = nullptr;
    ServiceReportJob* m_report = nullptr;
    bool m_restoreAsked = false; // the restore list waits for the controller's settings
};
