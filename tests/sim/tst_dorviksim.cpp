#include "simprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

const QByteArray probe = hex("ff030009000141d6");
const QByteArray linkOpen = hex("ff100000000102ffaa2fbb");
const QByteArray linkClose = hex("ff100000000102aa5550ab");
const QByteArray statusPoll = hex("ff03000c00061015");
const QByteArray settingsRead = hex("ff030000000ad013");

QByteArray blockRead(int readIndex)
{
    const int first = 1024 + 12 * readIndex;
    QByteArray frame = hex("ff03");
    frame += char(first >> 8);
    frame += char(first & 0xFF);
    frame += hex("0060");
    std::uint16_t crc = 0xFFFF;
    for (char c : frame) {
        crc ^= std::uint8_t(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    frame += char(crc & 0xFF);
    frame += char(crc >> 8);
    return frame;
}

bool openAt(QSerialPort& port, const QString& path, int baud)
{
    port.close();
    port.setPortName(path);
    port.setBaudRate(baud);
    return port.open(QIODevice::ReadWrite);
}

// Sends one request and collects the reply until `expect` bytes or `waitMs` passed.
QByteArray transact(QSerialPort& port, const QByteArray& request, int expect, int waitMs = 600)
{
    port.clear();
    port.write(request);
    port.waitForBytesWritten(500);
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (reply.size() < expect && clock.elapsed() < waitMs) {
        port.waitForReadyRead(int(std::max<qint64>(1, waitMs - clock.elapsed())));
        reply += port.readAll();
    }
    return reply;
}

} // namespace

class TestDorvikSim : public QObject {
    Q_OBJECT

private slots:
    void answersOnlyAtItsProbeRate_data();
    void answersOnlyAtItsProbeRate();
    void linkRunsAt2400OnceOpened();
    void readsMatchTheDump();
    void pacedReplyTakesItsLineTime();
    void corruptsEveryNthReply();
    void newEventsAppearWhileRunning();
    void exitAfterRemovesLinkAndDumps();
    void refusesToReplaceAFile();
};

void TestDorvikSim::answersOnlyAtItsProbeRate_data()
{
    QTest::addColumn<int>("probeBaud");
    for (int baud : {19200, 9600, 38400, 4800})
        QTest::newRow(qPrintable(QString::number(baud))) << baud;
}

void TestDorvikSim::answersOnlyAtItsProbeRate()
{
    QFETCH(int, probeBaud);
    SimProcess sim;
    QVERIFY(sim.start({"--probe-baud", QString::number(probeBaud), "--combination", "15"}));
    QSerialPort port;
    for (int baud : {19200, 9600, 38400, 4800, 2400}) {
        QVERIFY(openAt(port, sim.linkPath(), baud));
        const QByteArray reply = transact(port, probe, 7, baud == probeBaud ? 1000 : 200);
        if (baud == probeBaud)
            QCOMPARE(reply.toHex(), QByteArray("ff030200f091d4"));
        else
            QVERIFY2(reply.isEmpty(), qPrintable(QString::number(baud)));
    }
}

void TestDorvikSim::linkRunsAt2400OnceOpened()
{
    SimProcess sim;
    QVERIFY(sim.start({"--factory-number", "4660", "--firmware", "31"}));
    QSerialPort port;
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    QCOMPARE(transact(port, linkOpen, 8, 1000).toHex(), QByteArray("ff10000000011417"));
    QVERIFY(transact(port, statusPoll, 17, 200).isEmpty());

    QVERIFY(openAt(port, sim.linkPath(), 2400));
    const QByteArray status = transact(port, statusPoll, 17, 1000);
    QCOMPARE(status.size(), 17);
    QCOMPARE(status.mid(10, 1).toHex(), QByteArray("1f"));   // firmware 31
    QCOMPARE(status.mid(13, 2).toHex(), QByteArray("3412")); // factory number, low byte first

    QCOMPARE(transact(port, linkClose, 8, 1000).toHex(), QByteArray("ff10000000011417"));
    QVERIFY(transact(port, statusPoll, 17, 200).isEmpty());
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    QCOMPARE(transact(port, probe, 7, 1000).size(), 7);
}

void TestDorvikSim::readsMatchTheDump()
{
    SimProcess sim;
    QVERIFY(sim.start({"--seed", "9", "--combination", "3"}));
    QSerialPort port;
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    QCOMPARE(transact(port, linkOpen, 8, 1000).size(), 8);
    QVERIFY(openAt(port, sim.linkPath(), 2400));

    const QByteArray settings = transact(port, settingsRead, 25, 1000);
    QCOMPARE(settings.size(), 25);
    QByteArray entries;
    for (int i = 0; i < 256; i += 16) {
        const QByteArray block = transact(port, blockRead(i), 197, 1000);
        QCOMPARE(block.size(), 197);
        entries += block.mid(3, 192);
    }
    const auto dump = sim.dump();
    QCOMPARE(settings.mid(3, 20).toHex(), dump.value("settings"));
    QCOMPARE(entries.toHex(), dump.value("register"));
    QCOMPARE(dump.value("combination"), QByteArray("3"));
    QCOMPARE(dump.value("link"), QByteArray("open"));
}

void TestDorvikSim::pacedReplyTakesItsLineTime()
{
    SimProcess sim;
    QVERIFY(sim.start({"--pace"}));
    QSerialPort port;
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    QCOMPARE(transact(port, linkOpen, 8, 1000).size(), 8);
    QVERIFY(openAt(port, sim.linkPath(), 2400));
    QElapsedTimer clock;
    clock.start();
    const QByteArray block = transact(port, blockRead(0), 197, 3000);
    // 8 request bytes and 197 reply bytes at 240 bytes a second: at least 850 ms.
    QCOMPARE(block.size(), 197);
    QVERIFY2(clock.elapsed() >= 850, qPrintable(QString::number(clock.elapsed())));
}

void TestDorvikSim::corruptsEveryNthReply()
{
    SimProcess sim;
    QVERIFY(sim.start({"--corrupt-every", "2"}));
    QSerialPort port;
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    QCOMPARE(transact(port, linkOpen, 8, 1000).size(), 8); // the connection is spared
    QVERIFY(openAt(port, sim.linkPath(), 2400));
    const QByteArray first = transact(port, statusPoll, 17, 1000);
    const QByteArray second = transact(port, statusPoll, 17, 1000);
    QCOMPARE(second.size(), 17);
    QCOMPARE(second.left(15), first.left(15));
    QCOMPARE(second.at(15), first.at(15));
    QCOMPARE(char(second.at(16) ^ 0x5A), first.at(16));
}

void TestDorvikSim::newEventsAppearWhileRunning()
{
    SimProcess sim;
    QVERIFY(sim.start({"--new-event-every", "1", "--events", "10"}));
    QVERIFY(QTest::qWaitFor([&] { return sim.dump().value("write-position").toInt() > 10; }, 8000));
}

void TestDorvikSim::exitAfterRemovesLinkAndDumps()
{
    SimProcess sim;
    QVERIFY(sim.start({"--exit-after", "0.3"}));
    QVERIFY(sim.process().waitForFinished(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.linkPath()).isSymLink());
    QFile dump(sim.dumpPath());
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QCOMPARE(SimProcess::parseDump(dump.readAll()).value("register").size(), 6144);
}

void TestDorvikSim::refusesToReplaceAFile()
{
    SimProcess sim;
    QFile file(sim.linkPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QVERIFY(!sim.start());
    QTRY_COMPARE(sim.process().state(), QProcess::NotRunning);
    QCOMPARE(sim.process().exitCode(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TestDorvikSim)
#include "tst_dorviksim.moc"
