#include "cli/clicommand.h"

const CliCommand* CommandTable::find(const QString& name) const
{
    for (const CliCommand& command : m_commands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

void printUsage(const CommandTable& table, QTextStream& stream)
{
    stream << "Usage:\n";
    for (const CliCommand& command : table.commands())
        stream << "  tavrel-cli " << command.name << ' ' << command.synopsis << '\n';
    stream << "Exit codes: 0 success, 1 a refused or unreadable file or a negative result "
              "(collect: some controllers failed), 2 a usage error, 3 no connection or the "
              "link ended (collect: the broker unreachable or lost).\n";
}

ExitCode usageError(CliIo& io, const QString& reason, const CliCommand& command)
{
    io.err << "tavrel-cli: " << reason << '\n'
           << "Usage: tavrel-cli " << command.name << ' ' << command.synopsis << '\n';
    return ExitCode::UsageError;
}

ExitCode dispatch(const CommandTable& table, const QStringList& arguments, CliIo& io)
{
    if (arguments.size() == 1 && (arguments[0] == u"--help" || arguments[0] == u"-h")) {
        printUsage(table, io.out);
        return ExitCode::Success;
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (const CliCommand* command = table.find(arguments[i])) {
            QStringList rest = arguments;
            rest.removeAt(i);
            return command->run(*command, rest, io);
        }
    }
    io.err << "tavrel-cli: "
           << (arguments.isEmpty() ? QStringLiteral("no command given")
                                   : QStringLiteral("unknown command"))
           << '\n';
    printUsage(table, io.err);
    return ExitCode::UsageError;
}

QString tsvLine(const QStringList& texts)
{
    QStringList cleaned;
    cleaned.reserve(texts.size());
    for (QString text : texts) {
        for (QChar& c : text) {
            if (c == u'\t' || c == u'\n' || c == u'\r')
                c = u' ';
        }
        cleaned.append(text);
    }
    return cleaned.join(u'\t');
}
