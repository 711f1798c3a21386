#include "files/servicereport.h"

#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/eventstable.h"
#include "files/printoutpainter.h"
#include "files/settingsbackup.h"
#include "files/settingsfile.h"
#include "files/timelinepainter.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/signaltrace.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

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

// The timeline of the register's changing signals across one sheet, below its name.
class TimelineSection {
public:
    explicit TimelineSection(const DeviceImage& image)
        : m_trace(SignalTrace::traceOf(image)), m_picture{m_trace, {}, changingSignals(m_trace), {}}
    {
        const LabelSet& names = EventRegister::nameSet(image);
        for (int k = 0; k < signalCount; ++k)
            m_picture.names[k] = slotText(names.signalNames[k]);
    }

    // One sheet with the section's name; the picture is painted on it.
    static PrintoutLayout layout()
    {
        return [](const PrintoutPage& page) {
            return std::optional(
                QList<PrintoutSheet>{{{eventsColumnX(EventsColumn::Number, page.width), 0,
                                       stringText(StringId::reportTimeline)}}});
        };
    }

    void paint(QPainter& painter, const PrintoutPage& page) const
    {
        constexpr int width = 1600;
        const QSize size(width, timelineHeight(int(m_picture.rows.size())));
        const int top = 2 * page.metrics.lineHeight;
        const double factor =
            std::min(double(page.width) / width, double(page.height - top) / size.height());
        painter.translate(0, top);
        painter.scale(factor, factor);
        painter.setRenderHint(QPainter::Antialiasing);
        // The picture's own pixels, as on the screen, not the printout's 600 dpi.
        QFont font = printoutFont(12);
        font.setPixelSize(11);
        painter.setFont(font);
        paintTimeline(painter, size, m_picture, fitScale(m_trace, traceArea(size).width()));
    }

private:
    SignalTrace::Trace m_trace;
    TimelinePicture m_picture;
};

// The sheets of each part in turn, each part from a new sheet; `timelineSheet` is set to
// the first sheet of the part at `timelinePart`.
PrintoutLayout joinedWithTimeline(QList<PrintoutLayout> parts, int timelinePart,
                                  std::shared_ptr<int> timelineSheet)
{
    return [parts = std::move(parts), timelinePart, timelineSheet](const PrintoutPage& page) {
        std::optional<QList<PrintoutSheet>> sheets(std::in_place);
        for (int i = 0; i < parts.size(); ++i) {
            if (i == timelinePart)
                *timelineSheet = int(sheets->size());
            const auto more = parts[i](page);
            if (!more)
                return std::optional<QList<PrintoutSheet>>();
            *sheets += *more;
        }
        return sheets;
    };
}

PrintoutLayout eventsSection(const DeviceData& data)
{
    // The events printout keeps its own heading line; the section's name goes above it.
    const PrintoutLayout events = eventsPrintoutLayout(eventsPrintoutRange({}, entryCount),
                                                       eventRowTexts(eventListRows(data.image())));
    return [events](const PrintoutPage& page) {
        auto sheets = events(page);
        if (sheets && !sheets->isEmpty())
            sheets->first().prepend({eventsColumnX(EventsColumn::Number, page.width), 0,
                                     stringText(StringId::reportEvents)});
        return sheets;
    };
}

QList<PrintoutRow> firstSection(const ServiceReport& report)
{
    QList<PrintoutRow> rows{
        heading(1, stringText(StringId::reportTitle)),
        {1,
         {{PrintoutColumn::Label,
           fillText(StringId::reportDate,
                    {report.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"))})}}},
        heading(2, stringText(StringId::reportStatus))};
    rows += pairRows(report.status);
    rows.append(heading(2, stringText(StringId::reportSettings)));
    rows += settingsPrintoutRows(*report.data);
    return rows;
}

QList<PrintoutRow> lastSection(const ServiceReport& report)
{
    QList<PrintoutRow> rows{heading(1, stringText(StringId::statsTitle))};
    rows += pairRows(report.statistics);
    rows.append(heading(2, stringText(StringId::reportChanges)));
    for (const SettingsDiff::Difference& d : report.changes) {
        rows.append({1, {{PrintoutColumn::Label, d.name}}});
        rows.append({1, {{PrintoutColumn::Text, d.held + QStringLiteral("  ->  ") + d.device}}});
    }
    if (report.changes.isEmpty())
        rows.append({1, {{PrintoutColumn::Label, stringText(StringId::reportNoChanges)}}});
    return rows;
}

bool writePdf(const QString& path, const ServiceReport& report)
{
    const TimelineSection timeline(report.data->image());
    const auto timelineSheet = std::make_shared<int>(-1);
    const PrintoutLayout layout = joinedWithTimeline(
        {settingsPrintoutLayout(firstSection(report)), eventsSection(*report.data),
         TimelineSection::layout(), settingsPrintoutLayout(lastSection(report))},
        2, timelineSheet);
    return savePrintoutPdf(path, layout, nullptr,
                           [&](QPainter& painter, int sheet, const PrintoutPage& page) {
                               if (sheet == *timelineSheet)
                                   timeline.paint(painter, page);
                           });
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
        writePdf(dir.filePath(pdfName), report) &&
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
