#include "cli/offlinecommands.h"
#include "cli/offlinesession.h"
#include "cli/pdfoutput.h"
#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/eventstable.h"

ExitCode runEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    QCommandLineParser parser;
    const OfflineOptions options;
    options.addTo(parser);
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write the rows as CSV with a header line."));
    parser.addOption(csv);
    const QCommandLineOption pdf = pdfOption();
    parser.addOption(pdf);
    if (const std::optional<ExitCode> done = parseArguments(parser, arguments, io, self))
        return *done;
    if (parser.positionalArguments().size() != 1)
        return usageError(io, QStringLiteral("one events file expected"), self);
    if (parser.isSet(csv) && parser.isSet(pdf))
        return usageError(io, QStringLiteral("--csv and --pdf exclude each other"), self);
    const QString path = parser.positionalArguments().constFirst();

    EventsFileRecord record;
    const FileStatus status = readEventsFile(path, record);
    if (status != FileStatus::Ok) {
        io.err << path << ": " << eventsFileMessage(status) << '\n';
        return ExitCode::FileRefused;
    }

    // As the tool does: the start-up labels name the signals of the loaded register.
    const LogSink log = options.logSink(parser, io);
    OfflineSession session(options.labelsDirectory(parser), log);
    session.labels.setLabelFileCode(LabelStore::startCode);
    applyEventsFile(record, session.data, log);

    const QList<EventListRow> rows = eventListRows(session.data.image());
    if (parser.isSet(pdf)) {
        // All rows, as the window prints them with nothing selected.
        return writePrintoutPdf(
            parser.value(pdf),
            eventsPrintoutLayout(eventsPrintoutRange({}, int(rows.size())), eventRowTexts(rows)),
            io);
    }
    if (parser.isSet(csv)) {
        io.out << QString::fromUtf8(eventsCsv(rows));
        return ExitCode::Success;
    }
    for (const EventListRow& row : rows)
        io.out << tsvLine({row.number, row.time, row.counter, row.event}) << '\n';
    return ExitCode::Success;
}
