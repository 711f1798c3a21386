// The device link through CSerialPort over a pseudo-terminal against dorvik-sim.

#include "tests/support/linkfixture.h"
#include "tests/support/simprocess.h"

#include <QSignalSpy>

class TestSimLink : public QObject {
    Q_OBJECT

private slots:
    void foundAtLastProbeRate();
    void settingsReadWriteCompare();
    void registerThroughLineFaults_data();
    void registerThroughLineFaults();
    void realTimers();
};

void TestSimLink::foundAtLastProbeRate()
{
    SimProcess sim;
    QVERIFY(sim.start({"--probe-baud", "4800", "--combination", "14", "--factory-number", "4711",
                       "--counter", "7200"}));
    LinkFixture tool;
    QVERIFY2(tool.connectTo(sim.linkPath()), tool.logText().constData());
    QVERIFY(tool.logged(QStringLiteral("Nawiązano połączenie %1").arg(sim.linkPath())));
    // The probe answer carries the combination masked to 0..7.
    QCOMPARE(tool.data.image().combinationIndex, 6u);
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

    // Change a time code and a flag byte, write, and find both on the controller.
    image.settings.bytes[4] = 0x7F;
    image.settings.bytes[11] = 0x01;
    QSignalSpy finished(&tool.link, &DeviceLink::operationFinished);
    tool.link.writeSettings();
    QVERIFY(finished.wait(3000));
    QCOMPARE(finished.first().at(1).toBool(), true);
    QCOMPARE(sim.dump().value("settings").left(32), settingsOf(image));

    QSignalSpy compared(&tool.link, &DeviceLink::compareFinished);
    tool.link.compareSettings();
    QVERIFY(compared.wait(3000));
    QCOMPARE(compared.first().at(0).toBool(), true);
    QVERIFY(tool.logged(QStringLiteral("Nastawy identyczne")));
}

void TestSimLink::registerThroughLineFaults_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("expectedLines"); // at least one of them is logged
    QTest::newRow("clean line") << QStringList{} << QStringList{};
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

// Whatever the line does, what was read is byte-identical to the controller's and the
// log says what happened.
void TestSimLink::registerThroughLineFaults()
{
    QFETCH(QStringList, faults);
    QFETCH(QStringList, expectedLines);
    SimProcess sim;
    QVERIFY(sim.start(QStringList{"--seed", "21", "--events", "700", "--bad-checks", "4",
                                  "--factory-number", "321"} +
                      faults));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY2(arrived.wait(8000), tool.logText().constData());
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY2(completed.wait(20000), tool.logText().constData());
    QVERIFY(tool.link.IsConnected() && !tool.link.readingEvents() && tool.link.eventsRead());

    const auto dump = sim.dump();
    const DeviceImage& image = tool.data.image();
    QCOMPARE(settingsOf(image), dump.value("settings").left(32));
    QCOMPARE(entriesOf(image), dump.value("register"));
    QCOMPARE(QByteArray::number(image.writePosition), dump.value("write-position"));
    QCOMPARE(image.registerFactoryNumber, 321);
    QVERIFY(tool.logged(QStringLiteral("Rejestr zdarzeń odczytany")));
    if (expectedLines.isEmpty()) {
        QVERIFY2(!tool.logText().contains("Błąd"), tool.logText().constData());
    } else {
        QVERIFY2(
            std::ranges::any_of(expectedLines, [&](const QString& l) { return tool.logged(l); }),
            tool.logText().constData());
    }
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.disconnectDevice();
    QVERIFY2(ended.wait(3000), tool.logText().constData());
    QVERIFY(!tool.link.isPortOpen());
    QVERIFY(tool.logged(QStringLiteral("Rozłączono")));
}

// The one run on the link's own periods.
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
