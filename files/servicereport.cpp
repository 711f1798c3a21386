#include "files/servicereport.h"

#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/eventstable.h"
#include "files/printoutpainter.h"
#include "files/settingsbackup.h"
#include "files/settingsfile.h"
#include "model/devicedata.h"
#include "model/strings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

PrintoutRow heading(int advance, const QString& text)
{
    return {advance, {{PrintoutColumn::Rule, text}}};
}

QList<PrintoutRow> pairRows(const QList<std::pair<QString, QString>>& pairs)
{
    QList<PrintoutRow> rows;
    for (const auto& [name, value] : pairs)
        rows.append({1, {{PrintoutColumn::Label, name}, {PrintoutColumn::Text, value}}});
    return rows;
}

// The sheets of each part in turn, each part from a new sheet.
PrintoutLayout joined(QList<PrintoutLayout> parts)
{
    return [parts = std::move(parts)](const PrintoutPage& page) {
        std::optional<QList<PrintoutSheet>> sheets(std::in_place);
        for (const PrintoutLayout& part : parts) {
            const auto more = part(page);
            if (!more)
                return std::optional<QList<PrintoutSheet>>();
            *sheets += *more;
        }
        return sheets;
    };
}

PrintoutLayout reportLayout(const ServiceReport& report)
{
    const DeviceData& data = *report.data;
    QList<PrintoutRow> first{
        heading(1, stringText(StringId::reportTitle)),
        {1,
         {{PrintoutColumn::Label,
           fillText(StringId::reportDate,
                    {report.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"))})}}},
        heading(2, stringText(StringId::reportStatus))};
    first += pairRows(report.status);
    first.append(heading(2, stringText(StringId::reportSettings)));
    first += settingsPrintoutRows(data);

    // The events printout keeps its own heading line; the section's name goes above it.
    const PrintoutLayout events = eventsPrintoutLayout(eventsPrintoutRange({}, entryCount),
                                                       eventRowTexts(eventListRows(data.image())));
    const PrintoutLayout namedEvents = [events](const PrintoutPage& page) {
        auto sheets = events(page);
        if (sheets && !sheets->isEmpty())
            sheets->first().prepend({eventsColumnX(EventsColumn::Number, page.width), 0,
                                     stringText(StringId::reportEvents)});
        return sheets;
    };

    QList<PrintoutRow> last{heading(1, stringText(StringId::statsTitle))};
    last += pairRows(report.statistics);
    last.append(heading(2, stringText(StringId::reportChanges)));
    for (const SettingsDiff::Difference& d : report.changes) {
        last.append({1, {{PrintoutColumn::Label, d.name}}});
        last.append({1, {{PrintoutColumn::Text, d.held + QStringLiteral("  ->  ") + d.device}}});
    }
    if (report.changes.isEmpty())
        last.append({1, {{PrintoutColumn::Label, stringText(StringId::reportNoChanges)}}});
    return joined({settingsPrintoutLayout(first), namedEvents, settingsPrintoutLayout(last)});
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

namespace ServiceReportFolder {

QString write(const QString& parent, const ServiceReport& report, QString* error)
{
    const DeviceData& data = *report.data;
    const QString name = QStringLiteral("%1_%2")
                             .arg(data.image().factoryNumber)
                             .arg(report.time.toString(QStringLiteral("yyyy-MM-dd")));
    QDir parentDir(parent);
    QString target = parentDir.filePath(name);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = parentDir.filePath(name + QStringLiteral("-%1").arg(n));
    const auto failed = [&] {
        if (error)
            *error = fillText(StringId::reportFailed, {QDir::toNativeSeparators(target)});
        return QString();
    };

    QTemporaryDir work(parentDir.filePath(QStringLiteral(".") + name + QStringLiteral("-XXXXXX")));
    if (!parentDir.exists() || !work.isValid())
        return failed();
    const QDir dir(work.path());
    const bool written =
        savePrintoutPdf(dir.filePath(pdfName), reportLayout(report)) &&
        writeAll(dir.filePath(settingsName),
                 recordBytes(makeSettingsFileRecord(data, report.labelFileCode))) &&
        writeAll(dir.filePath(eventsName), recordBytes(makeEventsFileRecord(data))) &&
        writeAll(dir.filePath(csvName), eventsCsv(eventListRows(data.image()))) &&
        writeAll(dir.filePath(trafficName), report.traffic.toUtf8());
    // A temporary folder is the owner's alone; the report is an ordinary folder.
    QFile::setPermissions(work.path(), QFile::permissions(parent) | QFileDevice::ReadOwner |
                                           QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!written || !QDir().rename(work.path(), target))
        return failed();
    work.setAutoRemove(false);
    return target;
}

QList<SettingsDiff::Difference> visitChanges(const QString& backupRoot, const DeviceData& now,
                                             const QDate& day)
{
    const DeviceImage& image = now.image();
    const auto backups = SettingsBackup::list(backupRoot, image.factoryNumber);
    for (auto it = backups.rbegin(); it != backups.rend(); ++it) {
        SettingsFileRecord before;
        if (it->time.date() != day || readSettingsFile(it->path, before) != FileStatus::Ok)
            continue;
        return SettingsDiff::differences(before.settings, before.combinationIndex, image.settings,
                                         image.combinationIndex, now.currentLabelSet(),
                                         now.currentFlagOutputSet(), SettingsDiff::Scope::Stored);
    }
    return {};
}

} // namespace ServiceReportFolder
