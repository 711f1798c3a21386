// The window against the simulated controller over a pseudo-terminal: connect, read the
// settings, edit them on the pages, write, compare and read them back, write the RS 485
// configuration, read and save the register, disconnect.

#include "app/animationwidget.h"
#include "app/cmainframe.h"
#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "app/filecommands.h"
#include "app/linktools.h"
#include "link/cserialport.h"
#include "link/devicelink.h"
#include "link/page/cinitpage.h"
#include "model/devicedata.h"
#include "model/password.h"
#include "pages/canalog.h"
#include "pages/cbinary.h"
#include "pages/crs484cfg.h"
#include "pages/entryfields.h"
#include "tests/support/simprocess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestCommWindow : public QObject {
    Q_OBJECT

private slots:
    void wholeSession();
};

void TestCommWindow::wholeSession()
{
    QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    // Reserved bytes 0, 1 and 14 set, to see them travel unchanged.
    const QByteArray held = "1234000165bd333d1565952f02065621";
    SimProcess sim;
    QVERIFY2(sim.start({"--settings", QString::fromLatin1(held), "--factory-number", "4711",
                        "--combination", "6"}),
             sim.log().constData());
    QTemporaryDir dir;
    const StartOptions options{.port = sim.linkPath(), .labelsDir = dir.path()};
    const LinkTimings timings{.connectTick = 60,
                              .tick = 80,
                              .eventTick = 40,
                              .replyTimeout = 800,
                              .eventReplyTimeout = 800,
                              .errorPause = 100,
                              .closeWait = 50};
    CMainFrame frame(
        options,
        [timings](PageKind kind, AppContext& context, const StartOptions& start) -> CPropertyPage* {
            if (kind == PageKind::Communication)
                return new CInitPage(context, start, std::make_unique<CSerialPort>(), timings);
            return createPage(kind, context, start);
        });
    frame.show();
    CTavrelView& view = *frame.view();
    CMyProperty& sheet = *view.sheet();
    auto* link = dynamic_cast<CInitPage*>(view.page(PageKind::Communication));
    const auto logged = [link](const QString& text) {
        int count = 0;
        for (int row = 0; row < link->logLineCount(); ++row)
            count += link->logLineAt(row).endsWith("  " + text);
        return count;
    };
    const auto field = [link](const char* name) {
        return link->findChild<QLineEdit*>(QLatin1String(name))->text();
    };
    const DeviceImage& image = frame.data().image();
    const auto settings = [&image] {
        return QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16).toHex();
    };
    constexpr int patience = 30000;

    view.runCommand(Command::Connect);
    QCOMPARE(sheet.activePageIndex(), CInitPage::pageIndex);
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), patience);
    QCOMPARE(logged(QStringLiteral("Nawiązano połączenie %1").arg(sim.linkPath())), 1);
    QVERIFY(view.linkAnimation()->isPlaying());
    QCOMPARE(field("version"), QStringLiteral("2.2"));
    QCOMPARE(field("factoryNumber"), QStringLiteral("4711"));

    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(sheet.pageCount(), 6, patience);
    QCOMPARE(settings(), held);
    QCOMPARE(image.combinationIndex, 6u);

    // tgSZR 10000 ms becomes 15 s; program flag 16 is set. Each page stores on leaving.
    auto* times = dynamic_cast<Canalog*>(view.page(PageKind::Times));
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("15000");
    QVERIFY(view.setActivePage(int(PageKind::Program)));
    QTest::mouseClick(dynamic_cast<CBinary*>(view.page(PageKind::Program))->bitBox(16),
                      Qt::LeftButton);
    const QByteArray edited = "1234010190bd333d1565952f02065621";

    // The write would change two fields read from the controller: they are listed first.
    QStringList listed;
    frame.linkTools()->setDiffViewer(
        [&listed](const QList<SettingsDiff::Difference>& list, SettingsDiffDialog::Purpose) {
            for (const SettingsDiff::Difference& d : list)
                listed << d.held + '|' + d.device;
            return true;
        });
    view.runCommand(Command::WriteSettings);
    QCOMPARE(listed, (QStringList{"15 [s]|10000 [ms]", "1|0"}));
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy zapisano do Dorvik"), 1, patience);
    QCOMPARE(settings(), edited);
    QCOMPARE(sim.dump().value("settings").left(32), edited); // registers 0..7 of its 0..9

    view.runCommand(Command::CompareSettings);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy identyczne"), 1, patience);
    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy odczytano"), 2, patience);
    QCOMPARE(settings(), edited);
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    QCOMPARE(times->valueEdit(0)->text() + times->unitEdit(0)->text(), QString("15[s]"));
    QCOMPARE(logged("Nastawy różne"), 0);

    // With the device password, the RS 485 page's button stores address 9 at 9600 baud
    // and writes register 7.
    view.passwordEdit()->setText(devicePassword(4711));
    view.confirmPassword();
    auto* rs485 = dynamic_cast<CRS484cfg*>(view.page(PageKind::Rs485));
    QVERIFY(view.setActivePage(int(PageKind::Rs485)));
    rs485->addressEdit()->setText("9");
    rs485->baudList()->setCurrentIndex(1);
    QTest::mouseClick(rs485->writeButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Konfigurację RS485 zapisano do Dorvik"), 1, patience);
    QCOMPARE(sim.dump().value("settings").mid(28, 4), QByteArray("5649"));

    // One request at a time, whatever the window does meanwhile.
    int inFlight = 0;
    int mostInFlight = 0;
    int sent = 0;
    DeviceLink* engine = link->deviceLink();
    connect(engine, &DeviceLink::frameSent, [&](const QByteArray&, bool) {
        ++sent;
        mostInFlight = std::max(mostInFlight, ++inFlight);
    });
    connect(engine, &DeviceLink::frameReceived, [&] { inFlight = std::max(0, inFlight - 1); });
    connect(engine, &DeviceLink::replyTimedOut, [&] { inFlight = std::max(0, inFlight - 1); });

    view.runCommand(Command::ReadEvents);
    QVERIFY(link->readingEvents());
    // Loading or saving a register is refused while it is being read.
    QVERIFY(!view.isCommandEnabled(Command::OpenEvents));
    QVERIFY(!view.isCommandEnabled(Command::SaveEvents));
    // While it is read, a bad number is typed on another page: bringing the events page up
    // prompts, and the link goes on polling while the prompt is open (as a modal box would,
    // the prompt runs the event loop).
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("abc");
    int prompts = 0;
    int sentDuringPrompt = -1;
    setPromptHandler([&](QWidget*, const QString&) {
        ++prompts;
        const int before = sent;
        QTest::qWait(timings.tick * 8);
        sentDuringPrompt = sent - before;
    });
    QTRY_VERIFY_WITH_TIMEOUT(!link->readingEvents(), patience);
    QTRY_COMPARE_WITH_TIMEOUT(prompts, 1, patience);
    setPromptHandler({});
    QVERIFY2(sentDuringPrompt >= 3, qPrintable(QString::number(sentDuringPrompt)));
    QCOMPARE(mostInFlight, 1);
    QCOMPARE(sheet.activePage(), view.page(PageKind::Times));
    times->valueEdit(0)->setText("15");
    view.activateEventsPage();
    QCOMPARE(logged(QStringLiteral("Rejestr zdarzeń odczytany")), 1);
    QCOMPARE(sheet.pageCount(), 7);
    QCOMPARE(sheet.activePage(), view.page(PageKind::Events));
    const QByteArray deviceRegister = sim.dump().value("register");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.entries), registerSize).toHex(),
             deviceRegister);
    QCOMPARE(int(image.registerFactoryNumber), 4711);

    // Saving through the menu brings the log to the front and writes the register.
    const QString saved = dir.filePath(QStringLiteral("rejestr.rzd"));
    view.fileCommands().setFileChooser(
        [saved](const FileCommands::DialogRequest&) { return saved; });
    QStringList messages;
    view.fileCommands().setMessageShower([&messages](const QString& text) { messages << text; });
    view.runCommand(Command::SaveEvents);
    QCOMPARE(sheet.activePageIndex(), CInitPage::pageIndex);
    QCOMPARE(logged(QStringLiteral("Zapisano zdarzenia na dysk")), 1);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written.size(), 3084);
    QCOMPARE(written.left(int(registerSize)).toHex(), deviceRegister);
    QCOMPARE(written.mid(3078, 2), QByteArray::fromHex("6712"));
    QVERIFY(messages.isEmpty());

    view.runCommand(Command::Disconnect);
    QTRY_VERIFY_WITH_TIMEOUT(logged(QStringLiteral("Rozłączono")), patience);
    QVERIFY(!view.isConnected());
    QVERIFY(!view.linkAnimation()->isPlaying());
    QVERIFY(link->findChild<QPushButton*>(QStringLiteral("connect"))->isEnabled());
    QCOMPARE(field("version"), QStringLiteral("0"));
    QCOMPARE(sim.dump().value("link"), QByteArray("closed"));
}

QTEST_MAIN(TestCommWindow)
#include "tst_commwindow.moc"
