#include "app/cmainframe.h"
#include "model/labellocation.h"
#include "pagekit/startoptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

// Calls back once, after the window's first frame has been painted (the expose is
// handled synchronously, so the next turn of the event loop comes after it).
class FirstFrameWatch : public QObject {
public:
    FirstFrameWatch(QWindow* window, std::function<void()> done)
        : QObject(window), m_done(std::move(done))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { m_done(); });
        }
        return false;
    }

private:
    std::function<void()> m_done;
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(LabelLocation::toolName);
    QApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavrel.png")));
    // Ties the window to the installed desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("tavrel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Konfiguracja i diagnostyka sterownika Dorvik"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Port szeregowy (nazwa lub ścieżka urządzenia) albo "
                       "serwer portu (rfc2217://HOST:PORT)."),
        QStringLiteral("NAME"));
    const QCommandLineOption connectAtStart(QStringLiteral("connect"),
                                            QStringLiteral("Połącz zaraz po starcie."));
    const QCommandLineOption labelsDir(QStringLiteral("labels-dir"),
                                       QStringLiteral("Katalog plików etykiet."),
                                       QStringLiteral("DIR"));
    // For the documentation and the start-up benchmark: save the first frame as a
    // picture, report the time to it, and end.
    QCommandLineOption grab(QStringLiteral("grab"), QString(), QStringLiteral("FILE"));
    grab.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption grabDelay(QStringLiteral("grab-delay"), QString(), QStringLiteral("MS"));
    grabDelay.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption firstFrame(QStringLiteral("quit-after-first-frame"));
    firstFrame.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({port, connectAtStart, labelsDir, grab, grabDelay, firstFrame});
    parser.process(app);

    StartOptions options;
    options.port = parser.value(port);
    options.connect = parser.isSet(connectAtStart);
    options.labelsDir =
        parser.isSet(labelsDir) ? parser.value(labelsDir) : LabelLocation::labelDirectory();

    CMainFrame frame(options);
    frame.show();

    if (parser.isSet(firstFrame)) {
        new FirstFrameWatch(frame.windowHandle(), [&] {
            std::printf("first-frame-ms %lld\n", static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
            QApplication::quit();
        });
    }
    if (parser.isSet(grab)) {
        const QString file = parser.value(grab);
        QTimer::singleShot(parser.value(grabDelay).toInt(), &frame, [&frame, file] {
            const bool saved = frame.grab().save(file);
            if (!saved)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
