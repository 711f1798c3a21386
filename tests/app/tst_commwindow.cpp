// The window against the simulated controller over a pseudo-terminal: connect, read the
// settings and the register, save the register, disconnect.

#include "app/animationwidget.h"
#include "app/cmainframe.h"
#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "app/filecommands.h"
#include "link/cinitpage.h"
#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "simprocess.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr int patience = 30000;
constexpr char heldSettings[] = "000000016a6b6c6d1565952f02070121";

// Periods short enough for a line without line time, long enough for a loaded machine.
const LinkTimings shortTimings{.connectTick = 60,
                               .tick = 80,
                               .eventTick = 40,
                               .replyTimeout = 800,
                               .eventReplyTimeout = 800,
                               .errorPause = 100,
                               .closeWait = 50};

QByteArray bytesOf(const void* data, int size)
{
    return QByteArray(static_cast<const char*>(data), size);
}

} // namespace

class TestCommWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    }
    void connectReadDisconnect_data();
    void connectReadDisconnect();
};

void TestCommWindow::connectReadDisconnect_data()
{
    QTest::addColumn<bool>("systemPeriods");
    QTest::newRow("short periods") << false;
    QTest::newRow("system periods") << true;
}

void TestCommWindow::connectReadDisconnect()
{
    QFETCH(bool, systemPeriods);
    SimProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--factory-number"), QStringLiteral("4711"),
                        QStringLiteral("--combination"), QStringLiteral("6"),
                        QStringLiteral("--settings"), QLatin1String(heldSettings)}),
             sim.log().constData());
    QTemporaryDir dir;
    StartOptions options;
    options.port = sim.linkPath();
    options.labelsDir = dir.path();
    const LinkTimings timings = systemPeriods ? LinkTimings{} : shortTimings;
    const PageFactory factory = [timings](PageKind kind, AppContext& context,
                                          const StartOptions& start) -> CPropertyPage* {
        if (kind == PageKind::Communication)
            return new CInitPage(context, start, std::make_unique<CSerialPort>(), timings);
        return createPage(kind, context, start);
    };
    CMainFrame frame(options, factory);
    frame.show();
    CTavrelView& view = *frame.view();
    auto* page = dynamic_cast<CInitPage*>(view.page(PageKind::Communication));
    QVERIFY(page);
    CMyProperty& sheet = *view.sheet();
    QCOMPARE(sheet.pageCount(), 2);
    auto logged = [page](const QString& text) {
        for (int row = 0; row < page->logLineCount(); ++row) {
            if (page->logLineAt(row).endsWith(QStringLiteral("  ") + text))
                return true;
        }
        return false;
    };
    auto field = [page](const char* name) {
        return page->findChild<QLineEdit*>(QLatin1String(name))->text();
    };

    view.runCommand(Command::Connect);
    QCOMPARE(sheet.activePageIndex(), CInitPage::pageIndex);
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), patience);
    QVERIFY(logged(QStringLiteral("Nawiązano połączenie %1").arg(sim.linkPath())));
    QVERIFY(view.linkAnimation()->isPlaying());
    QCOMPARE(field("version"), QStringLiteral("2.2"));
    QCOMPARE(field("factoryNumber"), QStringLiteral("4711"));
    QVERIFY(view.isCommandEnabled(Command::ReadSettings));
    QVERIFY(!view.isCommandEnabled(Command::Connect));

    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(sheet.pageCount(), 6, patience);
    QVERIFY(logged(QStringLiteral("Nastawy odczytano")));
    const DeviceImage& image = frame.data().image();
    QCOMPARE(bytesOf(image.settings.bytes, 16).toHex(), QByteArray(heldSettings));
    QCOMPARE(image.combinationIndex, 6u);

    view.runCommand(Command::ReadEvents);
    QVERIFY(page->readingEvents());
    // Loading or saving a register is refused while it is being read.
    QVERIFY(!view.isCommandEnabled(Command::OpenEvents));
    QVERIFY(!view.isCommandEnabled(Command::SaveEvents));
    QTRY_VERIFY_WITH_TIMEOUT(!page->readingEvents(), patience);
    QVERIFY(logged(QStringLiteral("Rejestr zdarzeń odczytany")));
    QCOMPARE(sheet.pageCount(), 7);
    QCOMPARE(sheet.activePageIndex(), 6);
    QCOMPARE(sheet.activePage(), view.page(PageKind::Events));
    const QMap<QByteArray, QByteArray> state = sim.dump();
    QCOMPARE(bytesOf(image.entries, registerSize).toHex(), state.value("register"));
    QCOMPARE(int(image.registerFactoryNumber), 4711);

    // Saving through the menu brings the log to the front and writes the register.
    const QString saved = dir.filePath(QStringLiteral("rejestr.rzd"));
    page->fileCommands().setFileChooser(
        [saved](const FileCommands::DialogRequest&) { return saved; });
    QStringList messages;
    page->setMessageShower([&messages](const QString& text) { messages << text; });
    view.runCommand(Command::SaveEvents);
    QCOMPARE(sheet.activePageIndex(), CInitPage::pageIndex);
    QVERIFY(logged(QStringLiteral("Zapisano zdarzenia na dysk")));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written.size(), 3084);
    QCOMPARE(written.left(int(registerSize)).toHex(), state.value("register"));
    QCOMPARE(written.mid(3078, 2), QByteArray::fromHex("6712"));
    QVERIFY(messages.isEmpty());

    view.runCommand(Command::Disconnect);
    QTRY_VERIFY_WITH_TIMEOUT(logged(QStringLiteral("Rozłączono")), patience);
    QVERIFY(!view.isConnected());
    QVERIFY(!view.linkAnimation()->isPlaying());
    QVERIFY(page->findChild<QPushButton*>(QStringLiteral("connect"))->isEnabled());
    QCOMPARE(field("version"), QStringLiteral("0"));
    QCOMPARE(sim.dump().value("link"), QByteArray("closed"));
}

QTEST_MAIN(TestCommWindow)
#include "tst_commwindow.moc"
