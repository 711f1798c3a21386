#include "cli/offlinecommands.h"
#include "cli/offlinesession.h"
#include "cli/pdfoutput.h"
#include "files/eventsfile.h"
#include "files/eventsprintout.h"
#include "files/eventstable.h"

ExitCode runEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write the rows as CSV with a header line."));
    RecordFileArguments args;
    if (const std::optional<ExitCode> done =
            parseRecordFileArguments(arguments, io, self, csv, QStringLiteral("events"), args))
        return *done;

    EventsFileRecord record;
    const FileStatus status = readEventsFile(args.path, record);
    if (status != FileStatus::Ok)
        return fileRefused(io, args.path, eventsFileMessage(status));

    // As the tool does: the start-up labels name the signals of the loaded register.
    OfflineSession session(args.labelsDirectory, args.log);
    session.labels.setLabelFileCode(LabelStore::startCode);
    applyEventsFile(record, session.data, args.log);

    const QList<EventListRow> rows = eventListRows(session.data.image());
    if (args.pdf) {
        // All rows, as the window prints them with nothing selected.
        return writePrintoutPdf(
            *args.pdf,
            eventsPrintoutLayout(eventsPrintoutRange({}, int(rows.size())), eventRowTexts(rows)),
            io);
    }
    if (args.alternative) {
        io.out << QString::fromUtf8(eventsCsv(rows));
        return ExitCode::Success;
    }
    for (const EventListRow& row : rows)
        io.out << tsvLine({row.number, row.time, row.counter, row.event}) << '\n';
    return ExitCode::Success;
}
