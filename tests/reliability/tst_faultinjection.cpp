#include "model/eventregister.h"
#include "tests/support/simprocess.h"

#include <QSignalSpy>

// The adapter unplugged in the middle of a reply, then another controller under its name.
class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void lineLostInTheMiddleOfAReply()
    {
        // At line speed a block takes 0.8 s. The port the user chose is a stable device name
        // that follows the adapter.
        QTemporaryDir dir;
        const QString port = dir.filePath("ttyUSB-dorvik");
        SimProcess sim, other;
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
        QCOMPARE(tool.log.last(2), (QStringList{lost, "Odczyt rejestru zdarzeń nie został "
                                                      "ukończony, rejestr bez zmian"}));
        QVERIFY2(tool.filledIn(), tool.logText().constData());

        QVERIFY(other.start({"--factory-number", "2222"}));
        QVERIFY(QFile::remove(port) && QFile::link(other.linkPath(), port) && tool.connectTo(port));
        QCOMPARE(tool.link.factoryNumberField(), 2222u);
        QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
        tool.link.readEventRegister();
        QVERIFY(completed.wait(20000));
        QCOMPARE(hexOf(tool.data.image().entries), other.dump().value("register"));
        QCOMPARE(int(tool.data.image().registerFactoryNumber), 2222);
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
