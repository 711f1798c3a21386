// The simulator's parts. Replies carry CRCs computed apart from this code.
#include "model/eventregister.h"
#include "sim/eventsimulator.h"
#include "sim/requestframer.h"

#include <QTest>

namespace {

const QByteArray probe = QByteArray::fromHex("ff030009000141d6");
const QByteArray linkOpen = QByteArray::fromHex("ff100000000102ffaa2fbb");

// Entry i holds counter 1000 + i and the state byte i in byte 4, sealed.
SimController numberedController()
{
    EventRegisterEntries entries{};
    for (int i = 0; i < entryCount; ++i)
        entries[i] = EventSimulator::makeEntry(std::uint32_t(1000 + i), std::uint64_t(i));
    return SimController(
        {.factoryNumber = 1234, .combination = 9, .counterStart = 3600, .probeBaud = 4800}, entries,
        5);
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void controller_data();
    void controller();
    void framer_data();
    void framer();
};

void TestSim::controller_data()
{
    // Steps "ms request reply" (reply "none": nothing is sent) or "ms baud rate".
    QTest::addColumn<QString>("steps");
    const auto row = [](const char* name, const char* steps) { QTest::newRow(name) << steps; };
    row("probe: combination 9 in the high nibble", "0 ff030009000141d6 ff0302009091fc");
    row("status block", "0 ff03000c00061015 ff030c100e0000000000160524d2044c40");
    row("settings: combination in register 9",
        "0 ff030000000ad013 ff03140000000165bd333d1565952f020600210000009075cf");
    // A new RS-485 configuration (0x45: 9600 baud) holds from the next link.
    row("rate follows the link",
        "0 baud 4800; 100 ff100000000102ffaa2fbb ff10000000011417; 200 baud 2400; "
        "300 ff100000000102aa5550ab ff10000000011417; 400 baud 4800; "
        "500 ff100000000102ffaa2fbb ff10000000011417; 550 ff10000700010200452e70 ff1000070001a5d6; "
        "560 baud 2400; 600 ff100000000102aa21508c ff10000000011417; 700 baud 9600");
    row("idle link falls back", "1000 ff100000000102ffaa2fbb ff10000000011417; "
                                "5500 ff03000c00061015 -; 10500 baud 2400; 10501 baud 4800");
    // Counter 3602, the state of slot 4 with bit 55 set, a correct check byte, in slot 5.
    row("reset appends a restart entry",
        "0 ff100000000102ffaa2fbb ff10000000011417; 2500 ff100000000102aa21508c ff10000000011417; "
        "2500 baud 4800; 2500 ff03000c00061015 ff030c120e0000000000160624d204b5c3; "
        "2500 ff03043c0006112a ff030c120e000004000000000080320006");
}

void TestSim::controller()
{
    QFETCH(QString, steps);
    SimController controller = numberedController();
    for (const QString& step : steps.split(QStringLiteral("; "))) {
        const QStringList part = step.split(u' ');
        const qint64 ms = part[0].toLongLong();
        if (part[1] == "baud") {
            QCOMPARE(controller.answerBaud(ms), part[2].toInt());
            continue;
        }
        const QByteArray reply = controller.respond(QByteArray::fromHex(part[1].toLatin1()), ms);
        if (part[2] != "-")
            QCOMPARE(reply.toHex(), part[2] == "none" ? QByteArray() : part[2].toLatin1());
    }
}

void TestSim::framer_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces"); // an empty piece: the line goes quiet
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<int>("skipped");
    QByteArray spoiled = probe;
    spoiled[7] = char(spoiled[7] ^ 1);
    QTest::newRow("split in three")
        << QList{probe.left(1), probe.mid(1, 5), probe.mid(6)} << QList{probe} << 0;
    QTest::newRow("write split before its byte count")
        << QList{linkOpen.left(6), linkOpen.mid(6)} << QList{linkOpen} << 0;
    QTest::newRow("noise before a request")
        << QList{QByteArray::fromHex("00ff03") + probe} << QList{probe} << 3;
    QTest::newRow("bad CRC, then a good request")
        << QList{spoiled, linkOpen} << QList{linkOpen} << int(spoiled.size());
    QTest::newRow("remainder dropped at silence")
        << QList{probe.left(5), QByteArray(), probe} << QList{probe} << 5;
}

void TestSim::framer()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(int, skipped);
    RequestFramer framer;
    QList<QByteArray> found;
    for (const QByteArray& piece : pieces) {
        if (!piece.isEmpty())
            found += framer.push(piece);
        else if (const auto taken = framer.takeOnSilence())
            found += *taken;
    }
    QCOMPARE(found, requests);
    QCOMPARE(framer.skippedBytes(), skipped);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
