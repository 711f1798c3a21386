#include "cli/offlinesession.h"

#include "cli/pdfoutput.h"
#include "model/labellocation.h"
#include "model/settingsrecord.h"

OfflineSession::OfflineSession(const QString& labelsDirectory, LogSink log)
    : labels(data, labelsDirectory, std::move(log))
{
    SettingsRecord::applyDefaults(data);
}

void OfflineOptions::addTo(QCommandLineParser& parser, bool withLog) const
{
    parser.addOption(labelsDir);
    if (withLog)
        parser.addOption(log);
}

QString OfflineOptions::labelsDirectory(const QCommandLineParser& parser) const
{
    return parser.isSet(labelsDir) ? parser.value(labelsDir) : LabelLocation::labelDirectory();
}

LogSink OfflineOptions::logSink(const QCommandLineParser& parser, CliIo& io) const
{
    if (!parser.isSet(log))
        return [](const QString&) {};
    return [&io](const QString& line) { io.err << line << '\n'; };
}

std::optional<ExitCode> parseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                       CliIo& io, const CliCommand& command)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(QStringList{command.name} + arguments))
        return usageError(io, parser.errorText(), command);
    if (parser.isSet(help)) {
        // The parser's own text, under the command's usage line instead of its own.
        QString text = parser.helpText();
        text.remove(0, text.indexOf(u'\n') + 1);
        io.out << "Usage: tavrel-cli " << command.name << ' ' << command.synopsis << '\n' << text;
        return ExitCode::Success;
    }
    return std::nullopt;
}

std::optional<ExitCode> parseRecordFileArguments(QCommandLineParser& parser,
                                                 const QStringList& arguments, CliIo& io,
                                                 const CliCommand& command,
                                                 const QCommandLineOption& alternative,
                                                 const QString& kind, RecordFileArguments& parsed)
{
    const OfflineOptions options;
    options.addTo(parser);
    parser.addOption(alternative);
    const QCommandLineOption pdf = pdfOption();
    parser.addOption(pdf);
    if (const std::optional<ExitCode> done = parseArguments(parser, arguments, io, command))
        return done;
    if (parser.positionalArguments().size() != 1)
        return usageError(io, QStringLiteral("one %1 file expected").arg(kind), command);
    if (parser.isSet(alternative) && parser.isSet(pdf)) {
        return usageError(
            io,
            QStringLiteral("--%1 and --pdf exclude each other").arg(alternative.names().first()),
            command);
    }
    parsed.path = parser.positionalArguments().constFirst();
    parsed.alternative = parser.isSet(alternative);
    if (parser.isSet(pdf))
        parsed.pdf = parser.value(pdf);
    parsed.labelsDirectory = options.labelsDirectory(parser);
    parsed.log = options.logSink(parser, io);
    return std::nullopt;
}

ExitCode fileRefused(CliIo& io, const QString& path, const QString& message)
{
    io.err << path << ": " << message << '\n';
    return ExitCode::FileRefused;
}
