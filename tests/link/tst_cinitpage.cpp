#include "link/cinitpage.h"
#include "model/devicedata.h"
#include "pagefixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestCInitPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    }
    void logLineFormat_data();
    void logLineFormat();
    void newestLineOnTop();
    void logKeepsAtMost301Lines();
    void clearLogButton();
    void serviceControlsFollowLocked();
    void portOfTheConnection_data();
    void portOfTheConnection();
    void linkUpAndDown();
    void buttonsFollowTheLink();
    void typedFactoryNumber();
    void factoryNumberPrompts_data();
    void factoryNumberPrompts();
    void sheetGrowsWithTheLink();
    void connectAtStart();
    void labelFiles();
    void benchmarkLogLine();
};

void TestCInitPage::logLineFormat_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    // Blanks, not zeros, pad each field; two blanks separate the text.
    QTest::newRow("single digits") << QTime(9, 5, 3, 7) << "Rozłączono"
                                   << " 9: 5: 3.  7  Rozłączono";
    QTest::newRow("full width") << QTime(23, 59, 58, 999) << "Błąd CRC"
                                << "23:59:58.999  Błąd CRC";
    QTest::newRow("midnight") << QTime(0, 0, 0, 0) << ""
                              << " 0: 0: 0.  0  ";
    // A label text is shown, never taken as a format.
    QTest::newRow("percent in text") << QTime(10, 10, 10, 10) << "%d %s %n"
                                     << "10:10:10. 10  %d %s %n";
}

void TestCInitPage::logLineFormat()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(CInitPage::logLine(time, text), line);
}

namespace {

template <typename T> T* control(const CInitPage& page, const char* name)
{
    T* widget = page.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

} // namespace

void TestCInitPage::newestLineOnTop()
{
    PageFixture f;
    const int before = f.page->logLineCount();
    f.page->log(QStringLiteral("pierwsza"));
    f.page->log(QStringLiteral("druga"));
    QCOMPARE(f.page->logLineCount(), before + 2);
    QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  druga")));
    QVERIFY(f.page->logLineAt(1).endsWith(QStringLiteral("  pierwsza")));
    // The prefix is the time of the line, taken when it was logged.
    const QRegularExpression prefix(
        QStringLiteral("^[ \\d]\\d:[ \\d]\\d:[ \\d]\\d\\.[ \\d]{2}\\d  "));
    QVERIFY(prefix.match(f.page->logLineAt(0)).hasMatch());
}

void TestCInitPage::logKeepsAtMost301Lines()
{
    PageFixture f;
    f.page->findChild<QPushButton*>(QStringLiteral("clearLog"))->click();
    for (int i = 1; i <= 301; ++i)
        f.page->log(QString::number(i));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  1")));
    // The 302nd line pushes out the oldest.
    f.page->log(QStringLiteral("302"));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  302")));
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  2")));
    for (int i = 303; i <= 1000; ++i)
        f.page->log(QString::number(i));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  700")));
}

void TestCInitPage::clearLogButton()
{
    PageFixture f;
    f.page->log(QStringLiteral("a"));
    control<QPushButton>(*f.page, "clearLog")->click();
    QCOMPARE(f.page->logLineCount(), 0);
    f.page->log(QStringLiteral("b"));
    QCOMPARE(f.page->logLineCount(), 1);
}

void TestCInitPage::serviceControlsFollowLocked()
{
    PageFixture f;
    f.page->show();
    f.page->onSetActive();
    auto* factoryNumber = control<QLineEdit>(*f.page, "factoryNumber");
    const char* service[] = {"reset", "writeFactoryNumber", "saveLabels"};
    for (const char* name : service)
        QVERIFY2(!control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(factoryNumber->isReadOnly());

    // The password alone changes nothing until the page is next activated.
    f.context.isLocked = false;
    QVERIFY(!control<QPushButton>(*f.page, "reset")->isVisible());
    f.page->onSetActive();
    for (const char* name : service)
        QVERIFY2(control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(!factoryNumber->isReadOnly());

    f.context.isLocked = true;
    f.page->onSetActive();
    for (const char* name : service)
        QVERIFY2(!control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(factoryNumber->isReadOnly());
    // The buttons that are always there stay.
    QVERIFY(control<QPushButton>(*f.page, "connect")->isVisible());
    QVERIFY(control<QPushButton>(*f.page, "clearLog")->isVisible());
}

void TestCInitPage::portOfTheConnection_data()
{
    QTest::addColumn<QString>("optionPort");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("opened");
    QTest::newRow("--port adds a path the list lacks")
        << "/tmp/dorvik-line" << QString() << "/tmp/dorvik-line";
    QTest::newRow("typed path") << QString() << "/dev/pts/77"
                                << "/dev/pts/77";
    QTest::newRow("typed over --port") << "/tmp/a"
                                       << "  /tmp/b "
                                       << "/tmp/b";
}

void TestCInitPage::portOfTheConnection()
{
    QFETCH(QString, optionPort);
    QFETCH(QString, typed);
    QFETCH(QString, opened);
    StartOptions options;
    options.port = optionPort;
    PageFixture f(options);
    f.page->show();
    auto* ports = control<QComboBox>(*f.page, "ports");
    QVERIFY(ports->isEditable());
    if (!optionPort.isEmpty()) {
        QCOMPARE(ports->currentText(), optionPort);
        // Listed once, however often the page is shown.
        f.page->hide();
        f.page->show();
        QCOMPARE(ports->findText(optionPort), ports->count() - 1);
    }
    if (!typed.isNull())
        ports->setEditText(typed);
    control<QPushButton>(*f.page, "connect")->click();
    QVERIFY(!f.line->events.isEmpty());
    QCOMPARE(f.line->events.first(), QStringLiteral("open %1 19200").arg(opened));
}

void TestCInitPage::linkUpAndDown()
{
    PageFixture f;
    f.page->show();
    f.context.hasDeviceAccess = true;
    f.establish();
    QVERIFY(f.context.animationPlaying);
    f.goOnline({.counter = 7300, .version = 22, .factoryNumber = 4321});
    QVERIFY(f.page->isConnected());
    QCOMPARE(control<QLineEdit>(*f.page, "version")->text(), QStringLiteral("2.2"));
    QCOMPARE(control<QLineEdit>(*f.page, "operatingHours")->text(), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>(*f.page, "factoryNumber")->text(), QStringLiteral("4321"));
    // No Labels_2.nzw beside the program: the built-in texts.
    QCOMPARE(control<QLineEdit>(*f.page, "labelFileName")->text(), QStringLiteral("domyślny"));

    control<QPushButton>(*f.page, "disconnect")->click();
    QVERIFY(f.logged(QStringLiteral("Rozłączanie")));
    QVERIFY(!f.context.animationPlaying);
    f.link().onLinkTick();
    f.link().onCloseWaitElapsed();
    QVERIFY(!f.line->isOpen());
    QVERIFY(f.logged(QStringLiteral("Rozłączono")));
    QVERIFY(!f.context.hasDeviceAccess);
    QCOMPARE(control<QLineEdit>(*f.page, "version")->text(), QStringLiteral("0"));
    QCOMPARE(control<QLineEdit>(*f.page, "operatingHours")->text(), QStringLiteral("0"));
    QCOMPARE(control<QLineEdit>(*f.page, "factoryNumber")->text(), QStringLiteral("0"));
    QVERIFY(f.messages.isEmpty());
}

void TestCInitPage::buttonsFollowTheLink()
{
    PageFixture f;
    f.page->show();
    auto* connectButton = control<QPushButton>(*f.page, "connect");
    auto* disconnectButton = control<QPushButton>(*f.page, "disconnect");
    QVERIFY(connectButton->isEnabled());
    QVERIFY(!disconnectButton->isEnabled());
    f.establish();
    QVERIFY(!connectButton->isEnabled());
    QVERIFY(disconnectButton->isEnabled());
    f.goOnline();
    f.page->onSetActive();
    QVERIFY(!connectButton->isEnabled());
    QVERIFY(disconnectButton->isEnabled());

    // A reset ends the link as a disconnect does: "Połącz" works again.
    f.context.isLocked = false;
    f.page->onSetActive();
    control<QPushButton>(*f.page, "reset")->click();
    f.link().onLinkTick();
    QCOMPARE(f.line->written.last(), Requests::reset());
    f.link().onCloseWaitElapsed();
    QVERIFY(!f.line->isOpen());
    QVERIFY(connectButton->isEnabled());
    QVERIFY(!disconnectButton->isEnabled());
}

void TestCInitPage::typedFactoryNumber()
{
    PageFixture f;
    f.context.isLocked = false;
    f.page->show();
    f.page->onSetActive();
    auto* edit = control<QLineEdit>(*f.page, "factoryNumber");
    f.establish();
    f.goOnline({.factoryNumber = 4321});
    QCOMPARE(edit->text(), QStringLiteral("4321"));

    // Emptied: not a number, so the answers keep the last valid one, without a prompt.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString());
    f.answerTick(Fake::statusAnswer({.factoryNumber = 4321}));
    QCOMPARE(f.link().factoryNumberField(), 4321u);
    QCOMPARE(edit->text(), QString());
    QVERIFY(f.messages.isEmpty());

    // A typed number is not overwritten by the controller's.
    QTest::keyClicks(edit, QStringLiteral("77"));
    f.answerTick(Fake::statusAnswer({.factoryNumber = 4321}));
    QCOMPARE(edit->text(), QStringLiteral("77"));
    // Letters never get in; five digits at most.
    QTest::keyClicks(edit, QStringLiteral("x9999"));
    QCOMPARE(edit->text(), QStringLiteral("77999"));
    f.answerTick(Fake::statusAnswer({.factoryNumber = 4321}));
    // 77999 is above 16 bits: the last number the edit held, 7799, stays.
    QCOMPARE(f.link().factoryNumberField(), 7799u);
    QVERIFY(f.messages.isEmpty());

    edit->setText(QStringLiteral("65535"));
    control<QPushButton>(*f.page, "writeFactoryNumber")->click();
    f.link().onLinkTick();
    QCOMPARE(f.line->written.last(), Requests::factoryNumber(65535));
    QCOMPARE(f.line->written.last().mid(7, 4), QByteArray::fromHex("aa27ffff"));
}

void TestCInitPage::factoryNumberPrompts_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("empty") << ""
                           << "Please enter a positive integer.";
    QTest::newRow("above 16 bits") << "65536"
                                   << "Please enter an integer between 0 and 65535.";
    QTest::newRow("valid") << "0"
                           << "";
}

void TestCInitPage::factoryNumberPrompts()
{
    QFETCH(QString, entry);
    QFETCH(QString, prompt);
    PageFixture f;
    f.context.isLocked = false;
    f.page->show();
    f.page->onSetActive();
    f.establish();
    f.goOnline({.factoryNumber = 4321});
    f.line->clearRecords();
    control<QLineEdit>(*f.page, "factoryNumber")->setText(entry);

    control<QPushButton>(*f.page, "writeFactoryNumber")->click();
    f.link().onLinkTick();
    const bool sent = f.line->written.last() != Requests::statusPoll();
    QCOMPARE(sent, prompt.isEmpty());
    QCOMPARE(f.page->onKillActive(), prompt.isEmpty());
    const QStringList expected = prompt.isEmpty() ? QStringList() : QStringList{prompt, prompt};
    QCOMPARE(f.messages, expected);
}

void TestCInitPage::sheetGrowsWithTheLink()
{
    PageFixture f;
    f.page->show();
    f.establish();
    f.goOnline();
    f.page->readSettings();
    SettingsImage image{};
    image.bytes[0] = 0x42;
    f.answerTick(Fake::settingsAnswer(image, 5));
    QCOMPARE(f.context.settingsPagesAdded, 1);
    QVERIFY(f.context.deviceData.settingsValid);
    QCOMPARE(f.context.deviceData.image().combinationIndex, 5u);

    f.page->readEvents();
    QVERIFY(f.page->readingEvents());
    f.answerTick(Fake::statusAnswer());
    auto* progress = f.page->findChild<QProgressBar*>(QStringLiteral("progress"));
    QCOMPARE(progress->maximum(), 256);
    for (int block = 0; block < 16; ++block) {
        QCOMPARE(f.context.eventsPageAdded, 0);
        f.answerTick(Fake::eventBlock(16 * block));
        QCOMPARE(progress->value(), 16 * (block + 1));
    }
    QCOMPARE(f.context.eventsPageAdded, 1);
    QCOMPARE(f.context.activePage, FakeContext::eventsPageIndex);
    QVERIFY(!f.page->readingEvents());
    QVERIFY(f.logged(QStringLiteral("Rejestr zdarzeń odczytany")));
}

void TestCInitPage::connectAtStart()
{
    StartOptions options;
    options.port = QStringLiteral("/tmp/dorvik-start");
    options.connect = true;
    PageFixture f(options);
    QVERIFY(f.line->events.isEmpty());
    QTRY_VERIFY(!f.line->events.isEmpty());
    QCOMPARE(f.line->events.first(), QStringLiteral("open /tmp/dorvik-start 19200"));
    QCOMPARE(f.context.activePage, CInitPage::pageIndex);
}

void TestCInitPage::labelFiles()
{
    PageFixture f;
    f.page->show();
    auto* name = control<QLineEdit>(*f.page, "labelFileName");
    QCOMPARE(name->text(), QStringLiteral("domyślny"));
    {
        QFile file(f.labelsDir.filePath(QStringLiteral("Labels_1.nzw")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(93696, 'a'));
    }
    // The controller's firmware 1.5 names another file.
    f.establish();
    f.goOnline({.version = 15});
    QCOMPARE(name->text(), QStringLiteral("Labels_1.nzw"));
    QCOMPARE(f.context.deviceData.image().labelSets[0].signalNames[0][0], 'a');

    f.context.isLocked = false;
    f.page->onSetActive();
    f.context.deviceData.image().labelSets[0].signalNames[0][0] = 'b';
    control<QPushButton>(*f.page, "saveLabels")->click();
    QVERIFY(f.logged(QStringLiteral("Zapisano plik etykiet")));
    QFile saved(f.labelsDir.filePath(QStringLiteral("Labels_1.nzw")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes.size(), 93696);
    QCOMPARE(bytes.at(768), 'b');
}

void TestCInitPage::benchmarkLogLine()
{
    PageFixture f;
    f.page->show();
    for (int i = 0; i < CInitPage::maxLogLines; ++i)
        f.page->log(QStringLiteral("Nastawy odczytano"));
    QBENCHMARK
    {
        f.page->log(QStringLiteral("Nastawy odczytano"));
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TestCInitPage)
#include "tst_cinitpage.moc"
