#include "files/settingsbackup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

QString folderOf(const QString& root, quint16 factoryNumber)
{
    return QDir(root).filePath(QString::number(factoryNumber));
}

} // namespace

namespace SettingsBackup {

QString defaultRoot()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("backups"));
}

SettingsFileRecord deviceRecord(const SettingsImage& settings, unsigned combination,
                                quint16 factoryNumber, quint8 labelFileCode)
{
    SettingsFileRecord record;
    record.settings = settings;
    record.combinationIndex = combination;
    record.factoryNumber = factoryNumber;
    record.labelFileCode = labelFileCode;
    record.labelFileCodeCheck = labelFileCode ^ 0xFF;
    return record;
}

QString save(const QString& root, const SettingsFileRecord& record, const QDateTime& time)
{
    const QString folder = folderOf(root, record.factoryNumber);
    if (root.isEmpty() || !QDir().mkpath(folder))
        return {};
    const QString stem = QDir(folder).filePath(time.toString(timeFormat));
    QString path = stem + QStringLiteral(".nst");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.nst").arg(n);
    if (writeRecordFile(path, recordBytes(record)) != FileStatus::Ok)
        return {};
    return path;
}

QList<Entry> list(const QString& root, quint16 factoryNumber)
{
    struct Found {
        Entry entry;
        int sequence; // 1, then 2, 3 ... for the later backups of the same second
    };
    QList<Found> found;
    const QDir folder(folderOf(root, factoryNumber));
    for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.nst")}, QDir::Files)) {
        const QString name = file.completeBaseName();
        const QDateTime time = QDateTime::fromString(name.left(timeFormat.size()), timeFormat);
        const QString rest = name.mid(timeFormat.size());
        bool ok = rest.isEmpty();
        const int sequence = ok ? 1 : rest.startsWith(u'-') ? rest.mid(1).toInt(&ok) : 0;
        if (time.isValid() && ok)
            found.append({{file.filePath(), time}, sequence});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.entry.time != b.entry.time ? a.entry.time > b.entry.time : a.sequence > b.sequence;
    });
    QList<Entry> entries;
    for (const Found& f : found)
        entries.append(f.entry);
    return entries;
}

} // namespace SettingsBackup
