#pragma once

#include "model/settingsdiff.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <utility>

class DeviceData;

// The record of a service visit, one folder named after the controller and the day:
// raport.pdf (status, settings printout, events printout, signal timeline, link
// statistics, the settings changed during the visit), nastawy.nst, zdarzenia.rzd, zdarzenia.csv and ruch.txt.
struct ServiceReport {
    // The controller's settings and register, as read from it.
    const DeviceData* data = nullptr;
    quint8 labelFileCode = 0;
    // Name and value rows: the status fields, the link statistics.
    QList<std::pair<QString, QString>> status;
    QList<std::pair<QString, QString>> statistics;
    // The traffic log as text, with the statistics after it.
    QString traffic;
    // Field, before the visit, now.
    QList<SettingsDiff::Difference> changes;
    QDateTime time;
};

namespace ServiceReportFolder {

inline constexpr auto pdfName = "raport.pdf";
inline constexpr auto settingsName = "nastawy.nst";
inline constexpr auto eventsName = "zdarzenia.rzd";
inline constexpr auto csvName = "zdarzenia.csv";
inline constexpr auto trafficName = "ruch.txt";

// Writes the report's folder in `parent` ("<factory number>_<YYYY-MM-DD>", "-2" and on for
// later reports of the same day). Everything is written in a hidden folder beside it and
// renamed at the end, so a failure leaves nothing half written. The folder, or empty with
// the failure in `error`.
QString write(const QString& parent, const ServiceReport& report, QString* error = nullptr);

// The settings changed during a visit: the oldest of the controller's backups taken on the
// report's day against its settings now (empty when none was taken).
QList<SettingsDiff::Difference> visitChanges(const QString& backupRoot, const DeviceData& now,
                                             const QDate& day);

} // namespace ServiceReportFolder
