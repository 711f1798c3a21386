#include "link/cserialport.h"
#include "link/memoryline.h"
#include "link/portenumeration.h"
#include "link/requests.h"
#include "tests/support/linktesthelpers.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Fake;

class TestSerialLine : public QObject {
    Q_OBJECT

private slots:
    void receiverDropsRestAfterPurge_data();
    void receiverDropsRestAfterPurge();
    void naturalOrder_data();
    void naturalOrder();
    void portTexts_data();
    void portTexts();
    void missingPortFailsToOpen();
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

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
