#include "cli/offlinesession.h"

#include "model/labellocation.h"

#include "model/settingsrecord.h"

#include <QCoreApplication>

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
