#pragma once

// What the online commands share: their options, the session, and the steps that end them.

#include "cli/clicommand.h"
#include "cli/onlinesession.h"
#include "files/settingsfile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <memory>
#include <optional>

// Options every online command takes.
struct OnlineOptions {
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Serial port: a port name (COM3, ttyUSB0), a "
                                           "device path, or a serial server "
                                           "(rfc2217://HOST:PORT)."),
                            QStringLiteral("PORT")};
    QCommandLineOption labelsDir{QStringLiteral("labels-dir"),
                                 QStringLiteral("Directory of the label files (default: the "
                                                "program's directory)."),
                                 QStringLiteral("DIR")};
    QCommandLineOption timeLimit{QStringLiteral("time-limit"),
                                 QStringLiteral("Give up after S seconds (default 120)."),
                                 QStringLiteral("S")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Print every frame on the line to stderr.")};
    QCommandLineOption password{QStringLiteral("password"),
                                QStringLiteral("The password of the login strip."),
                                QStringLiteral("TEXT")};

    void addTo(QCommandLineParser& parser, bool withPassword) const
    {
        parser.addOption(port);
        parser.addOption(labelsDir);
        parser.addOption(timeLimit);
        parser.addOption(trace);
        if (withPassword)
            parser.addOption(password);
    }
};

// A parsed online command: its parser and, once the options are sound, its session.
struct Invocation {
    QCommandLineParser parser;
    OnlineOptions options;
    std::unique_ptr<OnlineSession> session;
};

// Parses the options shared by all online commands and checks the positional arguments.
// Returns an exit code when the command ends here.
std::optional<ExitCode> prepare(Invocation& call, const QStringList& arguments, CliIo& io,
                                const CliCommand& self, int positionals, bool withPassword,
                                const QList<QCommandLineOption>& extra = {});
// Why the command could not finish, and its exit code.
ExitCode linkLost(OnlineSession& session, CliIo& io);
// Ends the link, then gives `code`.
ExitCode finish(OnlineSession& session, ExitCode code);
// A settings file read before the line is touched: nothing is sent for a bad file.
std::optional<ExitCode> readSettingsArgument(const QString& path, SettingsFileRecord& record,
                                             CliIo& io);
// Reads the controller's settings; an exit code when they did not come.
std::optional<ExitCode> readDeviceSettings(OnlineSession& session, CliIo& io);
// Reads the event register; an exit code when it did not complete (the held one stays).
std::optional<ExitCode> readDeviceRegister(OnlineSession& session, CliIo& io);
// Write and compare: the settings file is read before the line is touched, then loaded as
// while connected.
std::optional<ExitCode> connectWithSettingsFile(Invocation& call, const QStringList& arguments,
                                                CliIo& io, const CliCommand& self);

// write-settings and restore (settingswritecommands.cpp); service report (reportcommand.cpp).
void registerSettingsWriteCommands(CommandTable& table, const QString& common);
void registerReportCommand(CommandTable& table, const QString& common);
