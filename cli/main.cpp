#include "cli/clicommand.h"
#include "cli/collectcommand.h"
#include "cli/offlinecommands.h"
#include "cli/onlinecommands.h"
#include "cli/pdfoutput.h"
#include "model/labellocation.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

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
    // A PDF or a picture needs fonts and the writers: Qt's graphics, without any window.
    // The offscreen platform spares the need for a display.
    std::unique_ptr<QCoreApplication> app;
    if (wantsGraphics(argc, argv)) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(LabelLocation::toolName);

    setBinaryOutput();
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io{out, err};

    CommandTable table;
    registerOfflineCommands(table);
    registerOnlineCommands(table);
    registerCollectCommand(table);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const ExitCode code = dispatch(table, arguments, io);
    out.flush();
    err.flush();
    return static_cast<int>(code);
}
