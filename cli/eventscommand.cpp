#include "cli/offlinecommands.h"
#include "cli/offlinesession.h"
#include "cli/pdfoutput.h"
#include "files/eventsfile.h"
#include "files/eventsfilter.h"
#include "files/eventsprintout.h"
#include "files/eventstable.h"
#include "files/timelinepainter.h"
#include "model/eventregister.h"
#include "model/signaltrace.h"
#include "model/textcodec.h"

#include <QFileInfo>

// The width of an exported timeline, the height following from its rows.
constexpr int timelineWidth = 1600;

namespace {

ExitCode writeTimeline(const DeviceImage& image, const QStringList& signalNames,
                       const QString& path, CliIo& io)
{
    const SignalTrace::Trace trace = SignalTrace::traceOf(image);
    TimelinePicture picture{trace, {}, {}, {}};
    const LabelSet& names = EventRegister::nameSet(image);
    for (int k = 0; k < signalCount; ++k) {
        picture.names[k] = slotText(names.signalNames[k]);
        if (signalNames.contains(picture.names[k]))
            picture.rows.append(k);
    }
    if (signalNames.isEmpty())
        picture.rows = changingSignals(trace);
    const QString error =
        saveTimeline(path, picture, QSize(timelineWidth, timelineHeight(int(picture.rows.size()))));
    if (error.isEmpty())
        return ExitCode::Success;
    io.err << error << '\n';
    return ExitCode::FileRefused;
}

} // namespace

ExitCode runEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write the rows as CSV with a header line."));
    const QCommandLineOption signal(
        QStringLiteral("signal"),
        QStringLiteral("Only rows in which this signal changed; repeated: any of them."),
        QStringLiteral("NAME"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Only rows at or after YYYY-MM-DD[THH:MM[:SS]]."),
                                  QStringLiteral("TIME"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Only rows at or before YYYY-MM-DD[THH:MM[:SS]]."),
                                QStringLiteral("TIME"));
    const QCommandLineOption timeline(
        QStringLiteral("timeline"),
        QStringLiteral("Draw the signals over time to OUT.svg or OUT.png: those named by "
                       "--signal, else every signal that changes."),
        QStringLiteral("OUT"));
    QCommandLineParser parser;
    parser.addOptions({signal, from, to, timeline});
    RecordFileArguments args;
    if (const std::optional<ExitCode> done = parseRecordFileArguments(
            parser, arguments, io, self, csv, QStringLiteral("events"), args))
        return *done;

    EventsFilter filter;
    for (const auto& [option, upper, limit] :
         {std::tuple{&from, false, &filter.from}, std::tuple{&to, true, &filter.to}}) {
        if (!parser.isSet(*option))
            continue;
        *limit = parseTimeLimit(parser.value(*option), upper);
        if (!*limit) {
            return usageError(io,
                              QStringLiteral("--%1 expects YYYY-MM-DD[THH:MM[:SS]]")
                                  .arg(option->names().constFirst()),
                              self);
        }
    }
    filter.signalNames = parser.values(signal);
    if (parser.isSet(timeline)) {
        const QString suffix = QFileInfo(parser.value(timeline)).suffix().toLower();
        if (suffix != QLatin1String("svg") && suffix != QLatin1String("png"))
            return usageError(io, QStringLiteral("--timeline writes OUT.svg or OUT.png"), self);
        // The axis of the picture is not a calendar across restarts, so no time range.
        if (filter.from || filter.to || args.pdf || args.alternative) {
            return usageError(
                io,
                QStringLiteral("--timeline goes with --signal only, not with --from, --to, "
                               "--csv or --pdf"),
                self);
        }
    }

    EventsFileRecord record;
    const FileStatus status = readEventsFile(args.path, record);
    if (status != FileStatus::Ok)
        return fileRefused(io, args.path, eventsFileMessage(status));

    // As the tool does: the start-up labels name the signals of the loaded register.
    OfflineSession session(args.labelsDirectory, args.log);
    session.labels.setLabelFileCode(LabelStore::startCode);
    applyEventsFile(record, session.data, args.log);

    // A misspelt name would silently leave only the device line.
    const LabelSet& names = EventRegister::nameSet(session.data.image());
    for (const QString& name : std::as_const(filter.signalNames)) {
        const auto known =
            std::any_of(std::begin(names.signalNames), std::end(names.signalNames),
                        [&name](const auto& slot) { return slotText(slot) == name; });
        if (!known)
            return usageError(io, QStringLiteral("no signal is named \"%1\"").arg(name), self);
    }

    if (parser.isSet(timeline))
        return writeTimeline(session.data.image(), filter.signalNames, parser.value(timeline), io);

    const QList<EventListRow> all = eventListRows(session.data.image());
    const QList<int> kept = filteredRows(all, filter);
    if (args.pdf) {
        // The list's own row numbers, as the window prints a filtered list.
        return writePrintoutPdf(
            *args.pdf, eventsPrintoutLayout(kept, eventRowTexts(all), filterDescription(filter)),
            io);
    }
    QList<EventListRow> rows;
    for (int r : kept)
        rows.append(all[r]);
    if (args.alternative) {
        io.out << QString::fromUtf8(eventsCsv(rows));
        return ExitCode::Success;
    }
    for (const EventListRow& row : rows)
        io.out << tsvLine({row.number, row.time, row.counter, row.event}) << '\n';
    return ExitCode::Success;
}
