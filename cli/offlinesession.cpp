#include "cli/offlinesession.h"

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
    return parser.isSet(labelsDir) ? parser.value(labelsDir)
                                   : QCoreApplication::applicationDirPath();
}

LogSink OfflineOptions::logSink(const QCommandLineParser& parser, CliIo& io) const
{
    if (!parser.isSet(log))
        return [](const QString&) {};
    return [&io](const QString& line) { io.err << line << '\n'; };
}

bool parseArguments(QCommandLineParser& parser, const QStringList& arguments, CliIo& io,
                    const CliCommand& command)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{command.name} + arguments)) {
        usageError(io, parser.errorText(), command);
        return false;
    }
    return true;
}
