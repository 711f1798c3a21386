#pragma once

#include "files/settingsfile.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Copies of a controller's settings taken before they are overwritten: settings files
// under <root>/<factory number>/<YYYY-MM-DD_HH-MM-SS>.nst.
namespace SettingsBackup {

// backups/ in the user's data directory.
QString defaultRoot();

// The settings file of what a controller holds.
SettingsFileRecord deviceRecord(const SettingsImage& settings, unsigned combination,
                                quint16 factoryNumber, quint8 labelFileCode);

// Saves a new backup of `record`'s controller taken at `time`, never over an older one
// (a second backup within the same second gets "-2", "-3" ...). The path, or empty when
// the folder could not be made or the file not written.
QString save(const QString& root, const SettingsFileRecord& record, const QDateTime& time);

struct Entry {
    QString path;
    QDateTime time;
};
// The backups of one controller, newest first.
QList<Entry> list(const QString& root, quint16 factoryNumber);

} // namespace SettingsBackup
