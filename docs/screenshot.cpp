// Takes the README's picture of the window: connected to a controller, the service
// password given, the settings read, the communication page in front.
//   scripts/screenshot [FILE]
// With --restore-dialog FILE, the list of "Przywróć kopię..." with three backups.

#include "app/cmainframe.h"
#include "app/ctavrelview.h"
#include "app/restoredialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--restore-dialog")) {
        RestoreDialog dialog(
            {{"2026-12-07", "10:42:17", "brak"},
             {"2026-12-07", "10:31:05",
              "tgSZR - czas graniczny dla SZR, Program działania: Default text 17"},
             {"2026-11-20", "08:12:44", "trSZR - opóźnienie rozruchu SZR od zaniku napięcia"}});
        dialog.resize(760, 220);
        dialog.table()->selectRow(1);
        dialog.show();
        return dialog.grab().save(args[2]) ? 0 : 1;
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tavrel-screenshot PORT FILE\n");
        return 2;
    }
    StartOptions options;
    options.port = args[1];
    options.connect = true;
    // The label files beside the window program in the build tree, as scripts/run has them.
    options.labelsDir =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../app"));
    CMainFrame frame(options);
    frame.show();
    CTavrelView* view = frame.view();
    view->passwordEdit()->setText(QStringLiteral("KTRsondal"));
    view->confirmPassword();

    enum class Step { Connecting, Reading, Settling } step = Step::Connecting;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer settling;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (clock.elapsed() > 60000) {
            std::fprintf(stderr, "tavrel-screenshot: the controller did not answer in time\n");
            QApplication::exit(1);
        } else if (step == Step::Connecting && view->isConnected()) {
            view->runCommand(Command::ReadSettings);
            step = Step::Reading;
        } else if (step == Step::Reading && frame.data().settingsValid) {
            // Activated again, the page shows the service buttons the password unlocked.
            view->setActivePage(0);
            view->setActivePage(1);
            settling.start();
            step = Step::Settling;
        } else if (step == Step::Settling && settling.elapsed() > 2500) {
            const bool saved = frame.grab().save(args[2]);
            if (!saved)
                std::fprintf(stderr, "tavrel-screenshot: cannot write %s\n", qPrintable(args[2]));
            QApplication::exit(saved ? 0 : 1);
        }
    });
    poll.start(100);
    return QApplication::exec();
}
