#include "app/cmainframe.h"
#include "app/ctavrelview.h"
#include "app/linktools.h"
#include "app/trafficwindow.h"
#include "link/cserialport.h"
#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/trafficmonitor.h"
#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "tests/support/fakepages.h"
#include "tests/support/linktesthelpers.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include "tests/support/simprocess.h"
#endif

using namespace Fake;

namespace {

// The communication page with a real engine on the line the test chooses.
class EnginePage : public FakeLinkPage {
public:
    EnginePage(AppContext& context, std::unique_ptr<SerialLine> line, LinkTimings timings)
        : FakeLinkPage(pageTitle(PageKind::Communication)), m_line(std::move(line)),
          m_engine(context.data(), context.labels(), *m_line, {}, timings)
    {
    }
    DeviceLink* deviceLink() override { return &m_engine; }
    MemoryLine& memoryLine() { return static_cast<MemoryLine&>(*m_line); }

private:
    std::unique_ptr<SerialLine> m_line;
    DeviceLink m_engine;
};

} // namespace

// What the main window adds to the link: the traffic window and the lists of settings
// that differ.
class TestLinkTools : public QObject {
    Q_OBJECT
private slots:
    void writeAndCompareListTheDifferences();
    void trafficWindow();
    void screenshotAfterFaultyRegisterRead();

private:
    void makeFrame(bool serialPort);
    EnginePage* page() const
    {
        return static_cast<EnginePage*>(m_frame->view()->page(PageKind::Communication));
    }
    DeviceLink& engine() const { return *page()->deviceLink(); }
    void deliverAfterTick(const QByteArray& reply)
    {
        engine().onLinkTick();
        page()->memoryLine().deliver(reply);
    }

    std::unique_ptr<CMainFrame> m_frame;
    QStringList m_shown; // "purpose: name|held|device" per field listed
    bool m_goOn = false;
};

void TestLinkTools::makeFrame(bool serialPort)
{
    const LinkTimings timings{.tick = 80,
                              .eventTick = 60,
                              .replyTimeout = 400,
                              .eventReplyTimeout = 400,
                              .errorPause = 50};
    m_frame = std::make_unique<CMainFrame>(StartOptions{}, [=](PageKind kind, AppContext& context,
                                                               const StartOptions& options) {
        std::unique_ptr<SerialLine> line;
        if (serialPort)
            line = std::make_unique<CSerialPort>();
        else
            line = std::make_unique<MemoryLine>();
        return kind == PageKind::Communication ? new EnginePage(context, std::move(line), timings)
                                               : createFakePage(kind, context, options);
    });
    m_frame->linkTools()->setDiffViewer(
        [this](const QList<SettingsDiff::Difference>& list, SettingsDiffDialog::Purpose purpose) {
            for (const auto& d : list)
                m_shown << QString::number(int(purpose)) + ": " + d.name + '|' + d.held + '|' +
                               d.device;
            return m_goOn;
        });
    if (serialPort)
        return;
    engine().connectDevice();
    page()->memoryLine().deliver(probeAnswer());
    engine().onConnectTick();
    page()->memoryLine().deliver(writeAnswer(0, 1));
    engine().onConnectTick();
    deliverAfterTick(statusAnswer());
    QVERIFY(engine().IsConnected());
    page()->connected = true;
}

void TestLinkTools::writeAndCompareListTheDifferences()
{
    makeFrame(false);
    CTavrelView& view = *m_frame->view();
    m_frame->data().settingsValid = true;
    view.runCommand(Command::WriteSettings); // nothing read on this link: nothing to compare
    engine().readSettings();
    deliverAfterTick(settingsAnswer(SettingsRecord::defaultImage, 3));
    view.runCommand(Command::WriteSettings); // read and unchanged
    // Register 7 and the combination are not written: an edit there alone asks nothing.
    DeviceImage& image = m_frame->data().image();
    image.settings.bytes[15] = 0x45;
    image.combinationIndex = 4;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(page()->calls.count("writeSettings"), 3);
    QVERIFY(m_shown.isEmpty());

    image.settings.bytes[4] = 0x8B;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(m_shown, QStringList{"1: tgSZR - czas graniczny dla SZR|10 [s]|10000 [ms]"});
    QCOMPARE(page()->calls.count("writeSettings"), 3);
    QCOMPARE(page()->lines.last(), QString("Zapis nastaw do Dorvik anulowano"));
    m_goOn = true;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(page()->calls.count("writeSettings"), 4);

    // Once the controller confirms a write it holds what was sent.
    engine().writeSettings();
    deliverAfterTick(writeAnswer(0, 7));
    m_shown.clear();
    view.runCommand(Command::WriteSettings);
    QVERIFY(m_shown.isEmpty());

    // A compare that finds them different lists each field.
    SettingsImage device = SettingsRecord::defaultImage;
    device.bytes[3] = 0x02;
    engine().compareSettings();
    deliverAfterTick(settingsAnswer(device, 2));
    QCOMPARE(m_shown,
             (QStringList{"0: tgSZR - czas graniczny dla SZR|10 [s]|10000 [ms]",
                          "0: Wyjście programowalne: Default text 25|1|0",
                          "0: Wyjście programowalne: Default text 26|0|1",
                          "0: Konfiguracja portu RS485: Adres|5|1",
                          "0: Konfiguracja portu RS485: Parametry|9600,N,1|19200,N,1",
                          "0: Kombinacja|4 (Układ: 2, Wariant: C)|2 (Układ: 2, Wariant: A)"}));
}

void TestLinkTools::trafficWindow()
{
    makeFrame(false);
    engine().onLinkTick();
    engine().onReplyTimeout();
    QByteArray spoilt = statusAnswer();
    spoilt[spoilt.size() - 1] = char(spoilt.back() ^ 0x5A);
    deliverAfterTick(spoilt);

    m_frame->view()->setActivePage(0);
    const QList<QAction*> items = m_frame->menuBar()->actions()[1]->menu()->actions();
    items.last()->trigger();
    TrafficWindow* window = m_frame->linkTools()->trafficWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(items.last()->text(), window->windowTitle());
    QCOMPARE(m_frame->view()->activePageIndex(), 0); // the sheet keeps its page
    const QAbstractItemModel* model = window->table()->model();
    QStringList red;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 3).data(Qt::ForegroundRole).value<QColor>() == Qt::red)
            red << model->index(row, 3).data().toString();
    }
    QCOMPARE(red, (QStringList{"Brak odpowiedzi: Odczyt stanu", "Błąd CRC: Odczyt stanu"}));

    QTemporaryDir dir;
    window->setPathAsker([&dir](QWidget*) { return dir.filePath("ruch.txt"); });
    QVERIFY(window->saveToFile());
    QFile file(dir.filePath("ruch.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(text.count('\n'), model->rowCount() + 7); // and the seven statistics
    QVERIFY(text.contains(" -- ! Brak odpowiedzi: Odczyt stanu\n"));
    QVERIFY(text.contains("\nPowtórzenia: 1\n"));
    window->clearList();
    QCOMPARE(model->rowCount(), 0);
}

void TestLinkTools::screenshotAfterFaultyRegisterRead()
{
    // For the documentation: TAVREL_SCREENSHOT=docs/traffic-window.png.
    const QString target = qEnvironmentVariable("TAVREL_SCREENSHOT");
#ifdef Q_OS_UNIX
    if (target.isEmpty())
        QSKIP("TAVREL_SCREENSHOT names the picture to take");
    SimProcess sim;
    QVERIFY(sim.start({"--drop-every", "6", "--corrupt-every", "9", "--garbage-every", "13"}));
    makeFrame(true);
    engine().setSelectedPort(sim.linkPath());
    engine().connectDevice();
    QTRY_VERIFY_WITH_TIMEOUT(engine().IsConnected(), 15000);
    engine().readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(engine().eventsRead(), 60000);
    sim.stop();
    TrafficWindow* window = m_frame->linkTools()->showTrafficWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(50);
    QVERIFY(window->grab().save(target));
#else
    QSKIP("the simulator runs on a pseudo-terminal");
#endif
}

QTEST_MAIN(TestLinkTools)
#include "tst_linktools.moc"
