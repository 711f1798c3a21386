#include "link/visitreport.h"

#include "link/devicelink.h"
#include "link/trafficmonitor.h"
#include "model/strings.h"

ServiceReport visitReport(const DeviceData& controller, const DeviceLink& link,
                          const TrafficMonitor& monitor, const QString& backupRoot)
{
    ServiceReport report;
    report.data = &controller;
    report.labelFileCode = link.deviceLabelFileCode();
    report.status = {
        {stringText(StringId::statusVersion), link.versionText()},
        {stringText(StringId::statusHours), QString::number(link.operatingHours())},
        {stringText(StringId::statusFactoryNumber), QString::number(link.factoryNumberField())},
        {stringText(StringId::statusLabelFile), link.labelFileName()}};
    for (const StatisticsRow& row : statisticsRows(monitor.statistics()))
        report.statistics.append({row.name, row.value});
    report.traffic = monitor.log().text() + statisticsText(monitor.statistics());
    report.time = QDateTime::currentDateTime();
    report.changes = ServiceReportFolder::visitChanges(backupRoot, controller, report.time.date());
    return report;
}
