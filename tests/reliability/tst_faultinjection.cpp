// Faults of the simulated controller's line beyond the end-to-end tests: exceptions dense
// enough that a register read cannot finish; the adapter unplugged in the middle of a
// reply, and another controller plugged in.
#include "tests/support/simprocess.h"
#include "model/eventregister.h"

#include <QSignalSpy>

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void exceptionsGiveUpTheRegisterRead();
    void lineLostInTheMiddleOfAReply();
};

void TestFaultInjection::exceptionsGiveUpTheRegisterRead()
{
    // Every 2nd reply of the open link is an exception with code 4 (device failure).
    SimProcess sim;
    QVERIFY(sim.start({"--exception-every", "2", "--exception-code", "4"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);

    // A refused read is reported and not repeated on its own; asked again, it succeeds.
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    QSignalSpy finished(&tool.link, &DeviceLink::operationFinished);
    for (int attempt = 0; attempt < 5 && arrived.isEmpty(); ++attempt) {
        const qsizetype before = finished.size();
        tool.link.readSettings();
        QVERIFY(QTest::qWaitFor([&] { return finished.size() > before; }, 5000));
        QVERIFY(tool.link.pendingOperation() <= DeviceLink::OP_NONE);
    }
    QCOMPARE(arrived.size(), 1);
    QCOMPARE(hexOf(tool.data.image().settings), sim.dump().value("settings").left(32));

    // Sixteen blocks in a row are never answered: the read is given up, the link goes on.
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return !tool.link.readingEvents(); }, 10000));
    QVERIFY(completed.isEmpty() && tool.link.registerProgress() == 0);
    QCOMPARE(tool.data.image().readIndex, EventRegister::notRead);
    QTest::qWait(300);
    QVERIFY(tool.link.IsConnected() && ended.isEmpty());
    QVERIFY(tool.log.contains("Dorvik odrzucił rozkaz, kod wyjątku 4"));
    QVERIFY2(tool.filledIn(), tool.logText().constData());
}

void TestFaultInjection::lineLostInTheMiddleOfAReply()
{
    // At line speed a block takes 0.8 s: the adapter is unplugged with part of one on the
    // line. The port the user chose is a stable device name that follows the adapter.
    QTemporaryDir dir;
    const QString port = dir.filePath("ttyUSB-dorvik");
    SimProcess sim;
    SimProcess other;
    QVERIFY(sim.start({"--pace"}) && QFile::link(sim.linkPath(), port));
    LinkFixture tool;
    QVERIFY(tool.connectTo(port));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return tool.link.registerProgress() >= 16; }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return tool.port.receivePosition() > 0; }, 3000));
    sim.process().kill();
    QVERIFY(ended.wait(3000));
    QTest::qWait(200);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!tool.link.isPortOpen() && !tool.link.readingEvents());
    QCOMPARE(tool.data.image().readIndex, EventRegister::notRead);
    const QString lost = "Utracono połączenie z portem " + port;
    QCOMPARE(tool.log.count(lost), 1);
    QCOMPARE(
        tool.log.last(2),
        (QStringList{lost, "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"}));
    QVERIFY2(tool.filledIn(), tool.logText().constData());

    // Another controller comes under the same name: found, and its register read whole.
    QVERIFY(other.start({"--factory-number", "2222"}));
    QVERIFY(QFile::remove(port) && QFile::link(other.linkPath(), port) && tool.connectTo(port));
    QCOMPARE(tool.link.factoryNumberField(), 2222u);
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY(completed.wait(20000));
    QCOMPARE(hexOf(tool.data.image().entries), other.dump().value("register"));
    QCOMPARE(int(tool.data.image().registerFactoryNumber), 2222);
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
