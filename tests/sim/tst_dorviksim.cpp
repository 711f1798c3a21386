#include "tests/support/simprocess.h"

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
const QByteArray firstBlockRead = hex("ff0304000060510c");

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
    if (!request.isEmpty()) {
        port.clear();
        port.write(request);
        port.waitForBytesWritten(500);
    }
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
    void answersOnlyAtItsProbeRate();
    void pacedReplyTakesItsLineTime();
    void newEventsAppearWhileRunning();
    void exitAfterRepliesDeliversTheLast();
    void refusesToReplaceAFile();
};

// The simulator sees the rate the tool sets on its side of the pseudo-terminal.
void TestDorvikSim::answersOnlyAtItsProbeRate()
{
    SimProcess sim;
    QVERIFY(sim.start({"--probe-baud", "9600", "--combination", "15"}));
    QSerialPort port;
    for (int baud : {19200, 9600, 38400, 4800, 2400}) {
        QVERIFY(openAt(port, sim.linkPath(), baud));
        const QByteArray reply = transact(port, probe, 7, baud == 9600 ? 1000 : 200);
        QCOMPARE(reply.toHex(), baud == 9600 ? QByteArray("ff030200f091d4") : QByteArray());
    }
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
    const QByteArray block = transact(port, firstBlockRead, 197, 3000);
    // 8 request bytes and 197 reply bytes at 240 bytes a second: at least 850 ms.
    QCOMPARE(block.size(), 197);
    QVERIFY2(clock.elapsed() >= 850, qPrintable(QString::number(clock.elapsed())));
}

void TestDorvikSim::newEventsAppearWhileRunning()
{
    SimProcess sim;
    QVERIFY(sim.start({"--new-event-every", "1", "--events", "10"}));
    QVERIFY(QTest::qWaitFor([&] { return sim.dump().value("write-position").toInt() > 10; }, 8000));
}

void TestDorvikSim::exitAfterRepliesDeliversTheLast()
{
    SimProcess sim;
    QVERIFY(sim.start({"--exit-after-replies", "1"}));
    QSerialPort port;
    QVERIFY(openAt(port, sim.linkPath(), 19200));
    port.write(probe);
    QVERIFY(port.waitForBytesWritten(500));
    QTest::qSleep(50); // a tool that reads a little later still gets the reply
    QCOMPARE(transact(port, {}, 7, 1000).size(), 7);
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
