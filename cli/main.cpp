#include "cli/clicommand.h"
#include "cli/offlinecommands.h"
#include "cli/onlinecommands.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Output is UTF-8 with the line ends the commands write; Windows would otherwise turn
// every LF into CRLF, and the CSV's own CRLF into CR CR LF.
void setBinaryOutput()
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-cli"));

    setBinaryOutput();
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io{out, err};

    CommandTable table;
    registerOfflineCommands(table);
    registerOnlineCommands(table);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const ExitCode code = dispatch(table, arguments, io);
    out.flush();
    err.flush();
    return static_cast<int>(code);
}
