// The yardstick of the start-up benchmark: a bare Qt Widgets program that shows an
// empty main window and ends after its first frame, reporting like tavrel does.
// With --text it also has a menu bar and a label, so the font set-up and the first
// text drawing that every real window pays are in both measurements.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

class FirstFrameWatch : public QObject {
public:
    explicit FirstFrameWatch(QWindow* window) : QObject(window)
    {
        window->installEventFilter(this);
    }

    QElapsedTimer sinceStart;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::printf("first-frame-ms %lld\n", static_cast<long long>(sinceStart.elapsed()));
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(828, 550);
    if (app.arguments().contains(QStringLiteral("--text"))) {
        window.menuBar()->addMenu(QStringLiteral("&Plik"))->addAction(QStringLiteral("E&xit"));
        window.setCentralWidget(new QLabel(QStringLiteral("Stan komunikacji"), &window));
    }
    window.show();
    auto* watch = new FirstFrameWatch(window.windowHandle());
    watch->sinceStart = sinceStart;
    return QApplication::exec();
}
