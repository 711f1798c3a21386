#include "sim/eventsimulator.h"
#include "sim/simcontroller.h"

#include <QTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Entry i holds counter 1000 + i and the state byte i in byte 4, sealed.
EventRegisterEntries numberedRegister()
{
    EventRegisterEntries entries{};
    for (int i = 0; i < entryCount; ++i)
        entries[i] = EventSimulator::makeEntry(std::uint32_t(1000 + i), std::uint64_t(i));
    return entries;
}

ControllerConfig testConfig()
{
    ControllerConfig config;
    config.firmwareVersion = 22;
    config.factoryNumber = 1234;
    config.combination = 9;
    config.counterStart = 3600;
    return config;
}

} // namespace

class TestSimController : public QObject {
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void eventBlocksAreAddressedByByte();
    void settingsWriteReadsBack();
    void linkRateFollowsCommands();
    void idleLinkFallsBackToProbeRate();
    void resetAppendsRestartEntry();
    void otherSlavesAndBroadcasts();
};

void TestSimController::replies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    // Replies checked against CRCs computed apart from this code.
    QTest::newRow("probe: combination 9 in the high nibble")
        << hex("ff030009000141d6") << hex("ff0302009091fc");
    QTest::newRow("status block") << hex("ff03000c00061015")
                                  << hex("ff030c100e0000000000160524d2044c40");
    QTest::newRow("settings: factory image, combination in register 9")
        << hex("ff030000000ad013") << hex("ff03140000000165bd333d1565952f020600210000009075cf");
    QTest::newRow("link opening") << hex("ff100000000102ffaa2fbb") << hex("ff10000000011417");
    QTest::newRow("link closing") << hex("ff100000000102aa5550ab") << hex("ff10000000011417");
    QTest::newRow("factory number") << hex("ff100000000204aa27393047d3") << hex("ff10000000025416");
    QTest::newRow("settings write")
        << hex("ff10000000070e11220102030405060708090a0b0c31db") << hex("ff10000000079415");
    QTest::newRow("RS-485 write") << hex("ff10000700010200452e70") << hex("ff1000070001a5d6");
    QTest::newRow("unknown command word") << hex("ff1000000001021234e343") << hex("ff90036df1");
    QTest::newRow("function 4 not served") << hex("ff04000000012414") << hex("ff8401e330");
    QTest::newRow("register 10 not mapped") << hex("ff03000a0001b1d6") << hex("ff8302a101");
    QTest::newRow("status block overrun") << hex("ff03000c0007d1d5") << hex("ff8302a101");
    QTest::newRow("zero registers") << hex("ff03000000005014") << hex("ff830360c1");
    QTest::newRow("past the event area") << hex("ff030fff00606318") << hex("ff8302a101");
}

void TestSimController::replies()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    SimController controller(testConfig(), numberedRegister(), 5);
    QCOMPARE(controller.respond(request, 0).toHex(), reply.toHex());
}

void TestSimController::eventBlocksAreAddressedByByte()
{
    const EventRegisterEntries entries = numberedRegister();
    SimController controller(testConfig(), entries, 0);
    const auto* bytes = reinterpret_cast<const char*>(entries.data());

    // The first block: FF 03 04 00 00 60, 16 entries.
    QByteArray reply = controller.respond(hex("ff0304000060510c"), 0);
    QCOMPARE(reply.size(), 197);
    QCOMPARE(reply.mid(0, 3), hex("ff03c0"));
    QCOMPARE(reply.mid(3, 192), QByteArray(bytes, 192));

    // The last block starts at 1024 + 12 * 240 = 3904.
    reply = controller.respond(hex("ff030f40006052fc"), 0);
    QCOMPARE(reply.mid(3, 192), QByteArray(bytes + 240 * 12, 192));

    // Eight entries from slot 248 (register 4000).
    reply = controller.respond(hex("ff030fa000305336"), 0);
    QCOMPARE(reply.size(), 5 + 96);
    QCOMPARE(reply.mid(3, 96), QByteArray(bytes + 248 * 12, 96));
}

void TestSimController::settingsWriteReadsBack()
{
    SimController controller(testConfig(), numberedRegister(), 0);
    controller.respond(hex("ff10000000070e11220102030405060708090a0b0c31db"), 0);
    controller.respond(hex("ff10000700010200452e70"), 0);
    controller.respond(hex("ff100000000204aa27393047d3"), 0);
    QCOMPARE(controller.settingsRegisters().toHex(),
             QByteArray("11220102030405060708090a0b0c004500000090"));
    QCOMPARE(controller.factoryNumber(), 0x3039);
    // The status block carries the new factory number, low byte first.
    QCOMPARE(controller.statusBlock(0).mid(10).toHex(), QByteArray("3930"));
}

void TestSimController::linkRateFollowsCommands()
{
    ControllerConfig config = testConfig();
    config.probeBaud = 4800;
    SimController controller(config, numberedRegister(), 0);
    QCOMPARE(controller.answerBaud(0), 4800);
    controller.respond(hex("ff100000000102ffaa2fbb"), 100);
    QVERIFY(controller.isLinkOpen());
    QCOMPARE(controller.answerBaud(200), 2400);
    controller.respond(hex("ff100000000102aa5550ab"), 300);
    QCOMPARE(controller.answerBaud(400), 4800);
    controller.respond(hex("ff100000000102ffaa2fbb"), 500);
    // A new RS-485 configuration (0x45: address 5, 9600 baud) holds from the next link.
    controller.respond(hex("ff10000700010200452e70"), 550);
    QCOMPARE(controller.answerBaud(560), 2400);
    controller.respond(hex("ff100000000102aa21508c"), 600);
    QCOMPARE(controller.answerBaud(700), 9600);
}

void TestSimController::idleLinkFallsBackToProbeRate()
{
    ControllerConfig config = testConfig();
    config.linkIdleMs = 5000;
    SimController controller(config, numberedRegister(), 0);
    controller.respond(hex("ff100000000102ffaa2fbb"), 1000);
    controller.respond(hex("ff03000c00061015"), 5500);
    QCOMPARE(controller.answerBaud(10500), 2400); // 5000 ms after the last request
    QCOMPARE(controller.answerBaud(10501), 19200);
    QVERIFY(!controller.isLinkOpen());
}

void TestSimController::resetAppendsRestartEntry()
{
    SimController controller(testConfig(), numberedRegister(), 7);
    controller.respond(hex("ff100000000102ffaa2fbb"), 0);
    controller.respond(hex("ff100000000102aa21508c"), 2500);
    QCOMPARE(controller.writePosition(), 8);
    QCOMPARE(controller.resetCount(), 1);
    const EventEntry& restart = controller.entries()[7];
    // Counter 3602, the state of slot 6 with bit 55 set, a correct check byte.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(restart.bytes), 12).toHex(),
             QByteArray("120e00000600000000008030"));
    QVERIFY(!controller.isLinkOpen());
}

void TestSimController::otherSlavesAndBroadcasts()
{
    SimController controller(testConfig(), numberedRegister(), 0);
    QVERIFY(controller.respond(hex("0103000900015408"), 0).isEmpty());
    controller.respond(hex("ff100000000102ffaa2fbb"), 0);
    // A broadcast link closing is carried out without an answer.
    QVERIFY(controller.respond(hex("00100000000102aa55155f"), 10).isEmpty());
    QVERIFY(!controller.isLinkOpen());
}

QTEST_GUILESS_MAIN(TestSimController)
#include "tst_simcontroller.moc"
