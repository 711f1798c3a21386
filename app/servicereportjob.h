#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class AppContext;
class DeviceLink;
class TrafficMonitor;

// "Plik -> Raport serwisowy...": asks for the folder to put the report in, reads what this
// link has not read yet (the controller's settings, without touching the settings being
// edited; the register, with the progress bar), then writes the report's folder.
class ServiceReportJob : public QObject {
    Q_OBJECT
public:
    // The folder chosen, or empty for Cancel; tests hand in their own.
    using FolderChooser = std::function<QString()>;
    using MessageShower = std::function<void(const QString&)>;

    ServiceReportJob(AppContext& context, DeviceLink& link, const TrafficMonitor& monitor,
                     MessageShower showMessage, QObject* parent = nullptr);

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    // Whose backups tell the settings changed during the visit.
    void setBackupRoot(const QString& root) { m_backupRoot = root; }

    void start(QWidget* dialogParent);
    bool isRunning() const { return !m_parent.isEmpty(); }

private:
    void proceed();
    void write();
    void abandon();

    AppContext& m_context;
    QPointer<DeviceLink> m_link;
    const TrafficMonitor& m_monitor;
    MessageShower m_showMessage;
    FolderChooser m_chooseFolder;
    QString m_backupRoot;
    QString m_parent; // the chosen folder while the job runs
};
