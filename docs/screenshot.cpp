// Takes the README's pictures. The window: connected to a controller, the service
// password given, the settings read, the communication page in front. The events: an
// events file loaded, its list filtered, and the timeline window beside it.
//   tavrel-screenshot PORT FILE
//   tavrel-screenshot --events EVENTS.rzd LIST.png TIMELINE.png

#include "app/cmainframe.h"
#include "app/ctavrelview.h"
#include "events/ceventsdlg.h"
#include "events/timelineview.h"
#include "events/timelinewindow.h"
#include "files/eventsfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <cstdio>

namespace {

// The labels beside the window program in the build tree, as scripts/run has them.
QString labelsDir()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../app"));
}

int eventsPictures(const QStringList& args)
{
    StartOptions options;
    options.labelsDir = labelsDir();
    CMainFrame frame(options);
    frame.show();
    CTavrelView* view = frame.view();
    if (loadEventsFile(args[2], frame.data(), [view](const QString& t) { view->logMessage(t); }) !=
        FileStatus::Ok) {
        std::fprintf(stderr, "tavrel-screenshot: cannot load %s\n", qPrintable(args[2]));
        return 1;
    }
    view->addEventsPage();
    view->activateEventsPage();
    auto* events = static_cast<CEventsDlg*>(view->page(PageKind::Events));
    EventsFilter filter;
    filter.signalNames = {QStringLiteral("U1 brak"), QStringLiteral("W3 zał")};
    events->setFilter(filter);
    events->showTimeline();
    events->timeline()->resize(1400, 620);
    // Zoomed to the minutes of the last transfer, the cursor where supply 1 came back.
    constexpr int backRow = 8;
    events->selectEntryRow(backRow);
    QApplication::processEvents();
    TimelineView* timeline = events->timeline()->view();
    for (const SignalTrace::Point& point : timeline->trace().points) {
        if (point.row != backRow)
            continue;
        const QPointF at(timeline->xOf(double(point.position)), 60);
        QWheelEvent wheel(at, timeline->mapToGlobal(at), {}, QPoint(0, 120 * 36), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(timeline, &wheel);
        const QPointF cursor = at + QPointF(40, 0);
        QMouseEvent move(QEvent::MouseMove, cursor, timeline->mapToGlobal(cursor), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(timeline, &move);
    }
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const bool saved = frame.grab().save(args[3]) && events->timeline()->grab().save(args[4]);
    if (!saved)
        std::fprintf(stderr, "tavrel-screenshot: cannot write the pictures\n");
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--events"))
        return eventsPictures(args);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tavrel-screenshot PORT FILE\n");
        return 2;
    }
    StartOptions options;
    options.port = args[1];
    options.connect = true;
    options.labelsDir = labelsDir();
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
