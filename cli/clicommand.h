#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <vector>

// Exit codes of every command.
// A command that talks to a controller ends with 1 when the controller answered but the
// result is negative (settings differ, a write not confirmed), with 3 when no link came
// up or the link ended before the command was done.
enum class ExitCode {
    Success = 0,
    FileRefused = 1,
    NotConfirmed = 1,
    UsageError = 2,
    NoConnection = 3
};

// Where a command writes: stdout for its result, stderr for errors and log lines, both
// UTF-8.
struct CliIo {
    QTextStream& out;
    QTextStream& err;
};

struct CliCommand {
    QString name;
    QString synopsis; // the arguments after the name, for the usage text
    // Runs with the arguments other than the command name; `self` is this entry.
    ExitCode (*run)(const CliCommand& self, const QStringList& arguments, CliIo& io);
};

// The commands the program knows, in the order the usage text lists them.
class CommandTable {
public:
    void add(CliCommand command) { m_commands.push_back(std::move(command)); }
    const CliCommand* find(const QString& name) const;
    const std::vector<CliCommand>& commands() const { return m_commands; }

private:
    std::vector<CliCommand> m_commands;
};

// Finds the first argument that names a command and runs it with all other arguments,
// in their order, so that options may stand before the command name (--port PORT status).
ExitCode dispatch(const CommandTable& table, const QStringList& arguments, CliIo& io);

void printUsage(const CommandTable& table, QTextStream& stream);

// Texts joined by tabs; a tab or line break inside a text (a label file may hold one)
// becomes a blank so that every row stays one line of the same columns.
QString tsvLine(const QStringList& texts);

// A usage error: the reason on stderr, then the usage of the command.
ExitCode usageError(CliIo& io, const QString& reason, const CliCommand& command);
