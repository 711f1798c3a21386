#pragma once

#include "cli/clicommand.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <optional>

// The device data and labels of a command that works on files: the defaults of the
// record and, unless told otherwise, the label file the tool loads at start (code 20).
class OfflineSession {
public:
    OfflineSession(const QString& labelsDirectory, LogSink log);

    DeviceData data;
    LabelStore labels;
};

// Options that every offline command shares.
struct OfflineOptions {
    QCommandLineOption labelsDir{QStringLiteral("labels-dir"),
                                 QStringLiteral("Directory of the label files (default: the "
                                                "program's directory)."),
                                 QStringLiteral("DIR")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Write the tool's log lines to stderr.")};

    void addTo(QCommandLineParser& parser, bool withLog = true) const;
    QString labelsDirectory(const QCommandLineParser& parser) const;
    LogSink logSink(const QCommandLineParser& parser, CliIo& io) const;
};

// Parses the arguments of a command. Returns the exit code when the command ends here:
// after a usage error (reported on stderr) or after --help (printed on stdout).
std::optional<ExitCode> parseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                       CliIo& io, const CliCommand& command);
