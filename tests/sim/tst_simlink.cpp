// The device link through CSerialPort over a pseudo-terminal against dorvik-sim.

#include "linkfixture.h"
#include "simprocess.h"

#include <QSignalSpy>

class TestSimLink : public QObject {
    Q_OBJECT

private slots:
    void foundAtEachProbeRate_data();
    void foundAtEachProbeRate();
    void settingsReadWriteCompare();
    void registerReadIsByteIdentical();
    void realTimers();
};

void TestSimLink::foundAtEachProbeRate_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("combination");
    QTest::newRow("19200") << 19200 << 3;
    QTest::newRow("9600") << 9600 << 9;
    QTest::newRow("38400") << 38400 << 14;
    QTest::newRow("4800") << 4800 << 7;
}

void TestSimLink::foundAtEachProbeRate()
{
    QFETCH(int, baud);
    QFETCH(int, combination);
    SimProcess sim;
    QVERIFY(
        sim.start({"--probe-baud", QString::number(baud), "--combination",
                   QString::number(combination), "--factory-number", "4711", "--counter", "7200"}));
    LinkFixture tool;
    QVERIFY2(tool.connectTo(sim.linkPath()), tool.logText().constData());
    QVERIFY(tool.logged(QStringLiteral("Nawiązano połączenie %1").arg(sim.linkPath())));
    // The probe answer carries the combination masked to 0..7.
    QCOMPARE(tool.data.image().combinationIndex, unsigned(combination & 7));
    QCOMPARE(tool.data.image().factoryNumber, 4711);
    QCOMPARE(tool.link.versionText(), QStringLiteral("2.2"));
    QCOMPARE(tool.link.operatingHours(), 2u);
    QCOMPARE(sim.dump().value("link"), QByteArray("open"));

    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.disconnectDevice();
    QVERIFY(ended.wait(3000));
    QVERIFY(tool.logged(QStringLiteral("Rozłączono")));
    QTRY_COMPARE(sim.dump().value("link"), QByteArray("closed"));
}

void TestSimLink::settingsReadWriteCompare()
{
    SimProcess sim;
    QVERIFY(sim.start({"--combination", "12", "--settings", "a1b2000265bd333d1565952f02069c21"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));

    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY(arrived.wait(3000));
    DeviceImage& image = tool.data.image();
    QCOMPARE(settingsOf(image), QByteArray("a1b2000265bd333d1565952f02069c21"));
    QCOMPARE(image.combinationIndex, 12u);
    QVERIFY(tool.logged(QStringLiteral("Nastawy odczytano")));

    // Change a time code and a flag byte, write, and find both on the controller.
    image.settings.bytes[4] = 0x7F;
    image.settings.bytes[11] = 0x01;
    QSignalSpy finished(&tool.link, &DeviceLink::operationFinished);
    tool.link.writeSettings();
    QVERIFY(finished.wait(3000));
    QCOMPARE(finished.first().at(1).toBool(), true);
    QVERIFY(tool.logged(QStringLiteral("Nastawy zapisano do Dorvik")));
    QCOMPARE(sim.dump().value("settings").left(32), settingsOf(image));

    QSignalSpy compared(&tool.link, &DeviceLink::compareFinished);
    tool.link.compareSettings();
    QVERIFY(compared.wait(3000));
    QCOMPARE(compared.first().at(0).toBool(), true);
    QVERIFY(tool.logged(QStringLiteral("Nastawy identyczne")));
}

void TestSimLink::registerReadIsByteIdentical()
{
    SimProcess sim;
    QVERIFY(sim.start(
        {"--seed", "11", "--events", "700", "--bad-checks", "4", "--factory-number", "321"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY(completed.wait(10000));
    QVERIFY(!tool.link.readingEvents());
    QVERIFY(tool.link.eventsRead());

    const auto dump = sim.dump();
    const DeviceImage& image = tool.data.image();
    QCOMPARE(entriesOf(image), dump.value("register"));
    QCOMPARE(QByteArray::number(image.writePosition), dump.value("write-position"));
    QCOMPARE(image.registerFactoryNumber, 321);
    QVERIFY(tool.logged(QStringLiteral("Rejestr zdarzeń odczytany")));
}

void TestSimLink::realTimers()
{
    SimProcess sim;
    QVERIFY(sim.start({"--probe-baud", "9600"}));
    LinkFixture tool(LinkTimings{});
    QVERIFY(tool.connectTo(sim.linkPath(), 8000));
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY(arrived.wait(6000));
    QCOMPARE(settingsOf(tool.data.image()), sim.dump().value("settings").left(32));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.disconnectDevice();
    QVERIFY(ended.wait(6000));
    QStringList expected{QStringLiteral("Próba połączenia... %1").arg(sim.linkPath()),
                         QStringLiteral("Nawiązano połączenie %1").arg(sim.linkPath()),
                         QStringLiteral("Czytanie rozpoczęto"),
                         QStringLiteral("Nastawy odczytano"),
                         QStringLiteral("Rozłączanie"),
                         QStringLiteral("Rozłączono")};
    QCOMPARE(tool.log, expected);
}

QTEST_GUILESS_MAIN(TestSimLink)
#include "tst_simlink.moc"
