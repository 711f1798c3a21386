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

// What a command that prints one record file (events, settings) was asked: the file, and
// the plain table, the command's other form (`alternative`: --csv, --json) or a PDF.
struct RecordFileArguments {
    QString path;
    bool alternative = false;
    std::optional<QString> pdf; // --pdf OUT
    QString labelsDirectory;
    LogSink log;
};

// Parses them, with the offline options, into `parser`, which may hold the command's own
// options; `kind` names the file in the usage error ("events"). Returns the exit code when
// the command ends here.
std::optional<ExitCode> parseRecordFileArguments(QCommandLineParser& parser,
                                                 const QStringList& arguments, CliIo& io,
                                                 const CliCommand& command,
                                                 const QCommandLineOption& alternative,
                                                 const QString& kind, RecordFileArguments& parsed);

// A file that could not be read or was refused: its path and why on stderr.
ExitCode fileRefused(CliIo& io, const QString& path, const QString& message);
