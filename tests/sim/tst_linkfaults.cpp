// Faults of the line and the controller, injected by dorvik-sim, against the device link
// through CSerialPort: after each no crash, no hang, the log says what happened, and
// where the fault is recoverable what was read is byte-identical to the controller's.

#include "linkfixture.h"
#include "simprocess.h"

#include <QSignalSpy>

namespace {

const QString exceptionLine = QStringLiteral("Dorvik odrzucił rozkaz, kod wyjątku 4");

// Reads the settings, retrying a read that the controller refused.
bool readSettings(LinkFixture& tool, int attempts = 3)
{
    for (int i = 0; i < attempts && tool.link.IsConnected(); ++i) {
        QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
        QSignalSpy finished(&tool.link, &DeviceLink::operationFinished);
        tool.link.readSettings();
        if (!QTest::qWaitFor([&] { return !arrived.isEmpty() || !finished.isEmpty(); }, 8000))
            return false;
        if (!arrived.isEmpty())
            return true;
    }
    return false;
}

// Reads the register, starting again when a read was abandoned.
bool readRegister(LinkFixture& tool, int attempts = 3)
{
    for (int i = 0; i < attempts && tool.link.IsConnected(); ++i) {
        QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
        tool.link.readEventRegister();
        if (!QTest::qWaitFor([&] { return !completed.isEmpty() || !tool.link.readingEvents(); },
                             20000))
            return false;
        if (!completed.isEmpty())
            return true;
    }
    return false;
}

// Closes the link as the user would and checks that it ends cleanly.
void disconnectCleanly(LinkFixture& tool)
{
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.disconnectDevice();
    QVERIFY2(ended.wait(3000), tool.logText().constData());
    QVERIFY(!tool.link.isPortOpen());
    QVERIFY(tool.logged(QStringLiteral("Rozłączono")));
}

} // namespace

class TestLinkFaults : public QObject {
    Q_OBJECT

private slots:
    void recoverable_data();
    void recoverable();
    void slowReplies();
    void exceptions();
    void controllerFallsSilent();
    void killedInRegisterRead();
    void otherControllerAfterReconnect();
};

void TestLinkFaults::recoverable_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("expectedLines"); // at least one of them is logged
    QTest::newRow("every 5th reply dropped")
        << QStringList{"--drop-every", "5"} << QStringList{"Limit czasu:1"};
    QTest::newRow("every 7th CRC spoiled")
        << QStringList{"--corrupt-every", "7"} << QStringList{"Błąd CRC"};
    QTest::newRow("garbage before every 4th reply")
        << QStringList{"--garbage-every", "4", "--seed", "5"}
        << QStringList{"Błąd CRC", "Błąd typu ramki", "Limit czasu:1"};
    // Bytes after a whole reply are ignored until the next request purges them.
    QTest::newRow("garbage after every 2nd reply")
        << QStringList{"--garbage-every", "2", "--garbage-after"} << QStringList{};
}

void TestLinkFaults::recoverable()
{
    QFETCH(QStringList, faults);
    QFETCH(QStringList, expectedLines);
    SimProcess sim;
    QVERIFY(sim.start(faults + QStringList{"--seed", "21"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QVERIFY2(readSettings(tool, 1), tool.logText().constData());
    QVERIFY2(readRegister(tool, 1), tool.logText().constData());
    QVERIFY(tool.link.IsConnected());

    const auto dump = sim.dump();
    QCOMPARE(settingsOf(tool.data.image()), dump.value("settings").left(32));
    QCOMPARE(entriesOf(tool.data.image()), dump.value("register"));
    if (expectedLines.isEmpty()) {
        QVERIFY2(!tool.logText().contains("Błąd"), tool.logText().constData());
    } else {
        QVERIFY2(
            std::ranges::any_of(expectedLines, [&](const QString& l) { return tool.logged(l); }),
            tool.logText().constData());
    }
    disconnectCleanly(tool);
}

void TestLinkFaults::slowReplies()
{
    // Every reply comes after the reply time-out; a late reply may still answer the
    // repeated request. Either way the link times out visibly and nothing hangs.
    SimProcess sim;
    QVERIFY(sim.start({"--delay", "600"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QTRY_VERIFY_WITH_TIMEOUT(tool.logged(QStringLiteral("Limit czasu:1")), 5000);
    if (readSettings(tool, 1))
        QCOMPARE(settingsOf(tool.data.image()), sim.dump().value("settings").left(32));
    // The late answer to the repeated settings read comes as well; a settings answer
    // clears whatever operation is pending, so the disconnect is asked for after it.
    QTest::qWait(700);
    if (tool.link.isPortOpen()) {
        disconnectCleanly(tool);
    } else {
        QVERIFY(tool.logged(QStringLiteral("Minął limit czasu")) ||
                tool.log.count(QStringLiteral("Rozłączanie")) == 2);
    }
}

void TestLinkFaults::exceptions()
{
    SimProcess sim;
    QVERIFY(sim.start({"--exception-every", "25"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QVERIFY2(readSettings(tool), tool.logText().constData());
    QVERIFY2(readRegister(tool), tool.logText().constData());
    const auto dump = sim.dump();
    QCOMPARE(settingsOf(tool.data.image()), dump.value("settings").left(32));
    QCOMPARE(entriesOf(tool.data.image()), dump.value("register"));
    // Status polls go on; the 25th reply on the link draws the exception.
    QTRY_VERIFY_WITH_TIMEOUT(tool.logged(exceptionLine), 5000);
    QVERIFY(tool.link.IsConnected());
    disconnectCleanly(tool);
}

void TestLinkFaults::controllerFallsSilent()
{
    SimProcess sim;
    QVERIFY(sim.start({"--stop-after", "3"}));
    LinkFixture tool;
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    QVERIFY(tool.connectTo(sim.linkPath()));
    // Three time-outs are repeated, the fourth ends the link and frees the port.
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.size(), 1);
    for (const char* line : {"Limit czasu:1", "Limit czasu:2", "Limit czasu:3"})
        QVERIFY2(tool.logged(QString::fromUtf8(line)), tool.logText().constData());
    QCOMPARE(tool.log.count(QStringLiteral("Rozłączanie")), 2);
    QVERIFY(!tool.link.isPortOpen());
    QVERIFY(!tool.link.IsConnected());
}

void TestLinkFaults::killedInRegisterRead()
{
    auto sim = std::make_unique<SimProcess>();
    QVERIFY(sim->start());
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim->linkPath()));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(tool.link.registerProgress() >= 64, 5000);
    sim->process().kill();
    QVERIFY(ended.wait(5000));
    QTest::qWait(200); // a lost line is reported once, not in a loop
    QCOMPARE(ended.size(), 1);
    QVERIFY2(tool.logged(QStringLiteral("Utracono połączenie z portem %1").arg(sim->linkPath())),
             tool.logText().constData());
    QVERIFY(!tool.link.isPortOpen());
    QVERIFY(!tool.link.readingEvents());
    QVERIFY(!tool.link.eventsRead());
    QCOMPARE(tool.link.versionText(), QStringLiteral("0"));

    // The next controller is found and read from a clean state.
    SimProcess next;
    QVERIFY(next.start({"--factory-number", "999"}));
    QVERIFY(tool.connectTo(next.linkPath()));
    QCOMPARE(tool.data.image().factoryNumber, 999);
    QVERIFY(readRegister(tool, 1));
    QCOMPARE(entriesOf(tool.data.image()), next.dump().value("register"));
}

void TestLinkFaults::otherControllerAfterReconnect()
{
    SimProcess first;
    QVERIFY(first.start({"--factory-number", "100", "--seed", "1"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(first.linkPath()));
    QCOMPARE(tool.link.factoryNumberField(), 100u);
    disconnectCleanly(tool);
    first.stop();

    // Another controller on the same line.
    SimProcess second;
    second.setLinkPath(first.linkPath());
    QVERIFY(second.start({"--factory-number", "200", "--seed", "2", "--firmware", "31"}));
    QVERIFY(tool.connectTo(second.linkPath()));
    QCOMPARE(tool.data.image().factoryNumber, 200);
    QCOMPARE(tool.link.factoryNumberField(), 200u);
    QCOMPARE(tool.link.versionText(), QStringLiteral("3.1"));
    QVERIFY(readRegister(tool, 1));
    QCOMPARE(tool.data.image().registerFactoryNumber, 200);
    QCOMPARE(entriesOf(tool.data.image()), second.dump().value("register"));
}

QTEST_GUILESS_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"
