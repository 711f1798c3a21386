#include "link/cserialport.h"
#include "link/memoryline.h"
#include "link/portenumeration.h"
#include "link/requests.h"
#include "linktesthelpers.h"

#include <QSignalSpy>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace Fake;

#ifdef Q_OS_UNIX
// The far end of a pseudo-terminal: the test plays the controller on the master side.
class PseudoTerminal {
public:
    ~PseudoTerminal()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    bool open()
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return false;
        m_slavePath = QString::fromLocal8Bit(::ttyname(m_slave));
        return true;
    }
    QString slavePath() const { return m_slavePath; }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // The line speed the tool set on its side.
    speed_t speed() const
    {
        termios t{};
        ::tcgetattr(m_master, &t);
        return ::cfgetospeed(&t);
    }
    bool write(const QByteArray& bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    QByteArray read(int size, int timeoutMs)
    {
        QByteArray result;
        QElapsedTimer timer;
        timer.start();
        while (result.size() < size && timer.elapsed() < timeoutMs) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buffer[256];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    result.append(buffer, n);
            }
        }
        return result;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
#endif

class TestSerialLine : public QObject {
    Q_OBJECT

private slots:
    void receiverDropsRestAfterPurge_data();
    void receiverDropsRestAfterPurge();
    void writePurgesFirst();
    void closedLineReceivesNothing();
    void naturalOrder_data();
    void naturalOrder();
    void portTexts_data();
    void portTexts();
    void missingPortFailsToOpen();
    void pseudoTerminalRoundTrip();
    void pseudoTerminalLostOnce();
};

void TestSerialLine::receiverDropsRestAfterPurge_data()
{
    QTest::addColumn<bool>("purgeOnReport");
    QTest::addColumn<int>("reports");
    QTest::newRow("handler purges") << true << 1;
    QTest::newRow("handler leaves the line") << false << 8;
}

void TestSerialLine::receiverDropsRestAfterPurge()
{
    QFETCH(bool, purgeOnReport);
    QFETCH(int, reports);
    MemoryLine line;
    line.open("COM1", 19200);
    int count = 0;
    connect(&line, &SerialLine::frameReceived, this, [&](FrameStatus status, const QByteArray&) {
        QCOMPARE(status, FrameStatus::FRAME_TYPE_ERROR);
        ++count;
        if (purgeOnReport)
            line.purge();
    });
    line.deliver(hex("ff 04 01 02 03 04 05 06 07 08"));
    QCOMPARE(count, reports);
    QCOMPARE(line.receivePosition(), purgeOnReport ? 0 : 10);

    // After a purge the next piece starts a new reply.
    if (purgeOnReport) {
        disconnect(&line, &SerialLine::frameReceived, this, nullptr);
        QSignalSpy spy(&line, &SerialLine::frameReceived);
        line.deliver(probeAnswer());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<FrameStatus>(), FrameStatus::FRAME_OK);
        QCOMPARE(spy.at(0).at(1).toByteArray(), probeAnswer());
    }
}

void TestSerialLine::writePurgesFirst()
{
    MemoryLine line;
    line.open("COM1", 2400);
    line.deliver(hex("ff 03 0c 00 00")); // the rest of an old reply still arriving
    QCOMPARE(line.receivePosition(), 5);
    QCOMPARE(line.write(Requests::statusPoll()), 8);
    QCOMPARE(line.receivePosition(), 0);
    QCOMPARE(line.events,
             (QStringList{"open COM1 2400", "purge", "write ff 03 00 0c 00 06 10 15"}));
}

void TestSerialLine::closedLineReceivesNothing()
{
    MemoryLine line;
    QSignalSpy spy(&line, &SerialLine::frameReceived);
    line.deliver(probeAnswer());
    QCOMPARE(line.write(Requests::linkProbe()), -1);
    line.close(); // closing a line never opened changes nothing
    QVERIFY(!line.isOpen());
    QCOMPARE(spy.count(), 0);
    QVERIFY(line.events.isEmpty());
}

void TestSerialLine::naturalOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("windows") << QStringList{"COM10", "COM2", "COM1", "COM3", "COM2", "COM255"}
                             << QStringList{"COM1", "COM2", "COM3", "COM10", "COM255"};
    QTest::newRow("linux") << QStringList{"ttyUSB10", "ttyS1", "ttyUSB9", "ttyACM0", "ttyS0"}
                           << QStringList{"ttyACM0", "ttyS0", "ttyS1", "ttyUSB9", "ttyUSB10"};
    QTest::newRow("case and zeros")
        << QStringList{"com3", "COM03", "COM2"} << QStringList{"COM2", "COM03", "com3"};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestSerialLine::naturalOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    QCOMPARE(sortPortNames(names), sorted);
}

void TestSerialLine::portTexts_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("text");
    QTest::newRow("COM name") << "COM12"
                              << "Nawiązano połączenie COM12";
    QTest::newRow("typed path") << "/tmp/dorvik"
                                << "Nawiązano połączenie /tmp/dorvik";
#ifndef Q_OS_WIN
    QTest::newRow("device name") << "ttyUSB0"
                                 << "Nawiązano połączenie /dev/ttyUSB0";
#endif
}

void TestSerialLine::portTexts()
{
    QFETCH(QString, port);
    QFETCH(QString, text);
    QCOMPARE(withPortName("Nawiązano połączenie COM%d", port), text);
}

void TestSerialLine::missingPortFailsToOpen()
{
    CSerialPort port;
    QVERIFY(!port.open("/nonexistent/ttyDorvik", 19200));
    QVERIFY(!port.isOpen());
    QVERIFY(!port.errorString().isEmpty());
    QCOMPARE(port.write(Requests::linkProbe()), -1);
    port.close();
    QVERIFY(!port.isOpen());
}

void TestSerialLine::pseudoTerminalRoundTrip()
{
#ifdef Q_OS_UNIX
    PseudoTerminal pty;
    QVERIFY(pty.open());
    CSerialPort port;
    QVERIFY2(port.open(pty.slavePath(), 2400), qPrintable(port.errorString()));
    QCOMPARE(pty.speed(), speed_t(B2400));
    QCOMPARE(port.write(Requests::linkProbe()), 8);
    QCOMPARE(pty.read(8, 2000), Requests::linkProbe());

    // A reply in two pieces is framed as one.
    QSignalSpy frames(&port, &SerialLine::frameReceived);
    const QByteArray reply = statusAnswer();
    QVERIFY(pty.write(reply.first(6)));
    QTest::qWait(50);
    QVERIFY(pty.write(reply.sliced(6)));
    QTRY_COMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(1).toByteArray(), reply);

    // Re-opening at another rate is seen by the far end.
    port.close();
    QVERIFY(port.open(pty.slavePath(), 19200));
    QCOMPARE(pty.speed(), speed_t(B19200));
#else
    QSKIP("pseudo-terminals are a POSIX facility");
#endif
}

void TestSerialLine::pseudoTerminalLostOnce()
{
#ifdef Q_OS_UNIX
    PseudoTerminal pty;
    QVERIFY(pty.open());
    CSerialPort port;
    QVERIFY(port.open(pty.slavePath(), 2400));
    QSignalSpy lost(&port, &SerialLine::lineLost);
    pty.closeMaster();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!port.isOpen());
    QTest::qWait(100);
    QCOMPARE(lost.count(), 1);
#else
    QSKIP("pseudo-terminals are a POSIX facility");
#endif
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
