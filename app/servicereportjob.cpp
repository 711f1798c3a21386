#include "app/servicereportjob.h"

#include "files/servicereport.h"
#include "link/devicelink.h"
#include "link/trafficmonitor.h"
#include "link/visitreport.h"
#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/strings.h"
#include "pagekit/appcontext.h"

#include <QDir>
#include <QFileDialog>

ServiceReportJob::ServiceReportJob(AppContext& context, DeviceLink& link,
                                   const TrafficMonitor& monitor, MessageShower showMessage,
                                   QObject* parent)
    : QObject(parent), m_context(context), m_link(&link), m_monitor(monitor),
      m_showMessage(std::move(showMessage))
{
    connect(&link, &DeviceLink::operationFinished, this, [this](int operation, bool confirmed) {
        if (isRunning() && operation == DeviceLink::OP_READ_BACK)
            confirmed ? proceed() : abandon();
    });
    // Queued: the events page takes the register first.
    connect(&link, &DeviceLink::registerCompleted, this, &ServiceReportJob::proceed,
            Qt::QueuedConnection);
    connect(&link, &DeviceLink::readingEventsChanged, this, [this](bool reading) {
        if (isRunning() && !reading && !m_link->eventsRead())
            abandon();
    });
    connect(&link, &DeviceLink::linkEnded, this, [this] {
        if (isRunning())
            abandon();
    });
}

void ServiceReportJob::start(QWidget* dialogParent)
{
    if (isRunning() || !m_link || !m_link->IsConnected() || m_link->readingEvents())
        return;
    const QString folder =
        m_chooseFolder
            ? m_chooseFolder()
            : QFileDialog::getExistingDirectory(dialogParent, stringText(StringId::reportTitle));
    if (folder.isEmpty())
        return;
    m_parent = folder;
    proceed();
}

void ServiceReportJob::proceed()
{
    if (!isRunning() || !m_link)
        return;
    if (!m_link->deviceSettings())
        m_link->readBackSettings();
    else if (!m_link->eventsRead())
        m_link->readEventRegister();
    else
        write();
}

void ServiceReportJob::abandon()
{
    const QString folder = std::exchange(m_parent, QString());
    m_showMessage(fillText(StringId::reportFailed, {QDir::toNativeSeparators(folder)}));
}

void ServiceReportJob::write()
{
    // The controller's settings, whatever is being edited in the tool meanwhile.
    const DeviceLink::DeviceSettings& device = *m_link->deviceSettings();
    DeviceData controller;
    controller.image() = m_context.data().image();
    controller.image().settings = device.image;
    Catalogue::selectCombination(controller, device.combination);
    controller.settingsValid = true;

    const ServiceReport report = visitReport(controller, *m_link, m_monitor, m_backupRoot);
    const QString parent = std::exchange(m_parent, QString());
    QString error;
    const QString folder = ServiceReportFolder::write(parent, report, &error);
    if (folder.isEmpty()) {
        m_showMessage(error);
        return;
    }
    m_context.logMessage(fillText(StringId::reportSaved, {QDir::toNativeSeparators(folder)}));
}
