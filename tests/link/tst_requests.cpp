#include "link/crc16.h"
#include "link/requests.h"

#include <QtTest>

// Expected frames are the protocol's published bytes or were computed with an
// independent CRC-16/MODBUS implementation; none comes from the code under test.
class TestRequests : public QObject {
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void fixedRequests_data();
    void fixedRequests();
    void writeRequestLimits();
};

static QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

static const SettingsImage defaultImage = {{0x00, 0x00, 0x00, 0x01, 0x65, 0xBD, 0x33, 0x3D, 0x15,
                                            0x65, 0x95, 0x2F, 0x02, 0x06, 0x00, 0x21}};

void TestRequests::crc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check string") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("exception reply") << hex("ff 83 02") << 0x01A1;
}

void TestRequests::crc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(Crc16(bytes)), crc);
    QByteArray framed = bytes;
    appendCrc16(framed);
    QCOMPARE(framed.size(), bytes.size() + 2);
    QCOMPARE(quint8(framed.at(framed.size() - 2)), quint8(crc & 0xFF));
    QCOMPARE(quint8(framed.at(framed.size() - 1)), quint8(crc >> 8));
}

void TestRequests::fixedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("link probe") << Requests::linkProbe() << hex("ff 03 00 09 00 01 41 d6");
    QTest::newRow("status poll") << Requests::statusPoll() << hex("ff 03 00 0c 00 06 10 15");
    QTest::newRow("settings read") << Requests::settingsRead() << hex("ff 03 00 00 00 0a d0 13");
    QTest::newRow("first event block")
        << Requests::eventBlockRead(0) << hex("ff 03 04 00 00 60 51 0c");
    QTest::newRow("link opening") << Requests::linkOpen()
                                  << hex("ff 10 00 00 00 01 02 ff aa 2f bb");
    QTest::newRow("link closing") << Requests::linkClose()
                                  << hex("ff 10 00 00 00 01 02 aa 55 50 ab");
    QTest::newRow("reset") << Requests::reset() << hex("ff 10 00 00 00 01 02 aa 21 50 8c");
    QTest::newRow("factory number 12345")
        << Requests::factoryNumber(12345) << hex("ff 10 00 00 00 02 04 aa 27 39 30 47 d3");
    QTest::newRow("factory number 65535")
        << Requests::factoryNumber(65535) << hex("ff 10 00 00 00 02 04 aa 27 ff ff 54 27");
    QTest::newRow("settings write, defaults")
        << Requests::settingsWrite(defaultImage)
        << hex("ff 10 00 00 00 07 0e 00 00 00 01 65 bd 33 3d 15 65 95 2f 02 06 08 d3");
    QTest::newRow("rs485 write, defaults")
        << Requests::rs485Write(defaultImage) << hex("ff 10 00 07 00 01 02 00 21 2f 9b");
    QTest::newRow("event block, slot 16")
        << Requests::eventBlockRead(16) << hex("ff 03 04 c0 00 60 51 30");
    QTest::newRow("event block, slot 240")
        << Requests::eventBlockRead(240) << hex("ff 03 0f 40 00 60 52 fc");
}

void TestRequests::fixedRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QCOMPARE(request.toHex(' '), expected.toHex(' '));
}

void TestRequests::writeRequestLimits()
{
    const QByteArray payload(2 * 60, '\x55');
    QCOMPARE(buildWriteRequest(0xFF, 0, 59, payload).size(), 9 + 2 * 59);
    QVERIFY(buildWriteRequest(0xFF, 0, 60, payload).isEmpty());
    QVERIFY(buildWriteRequest(0xFF, 0, 2, hex("aa 27 01")).isEmpty());
    // Only the registers asked for are sent, whatever the payload holds beyond them.
    QCOMPARE(buildWriteRequest(0xFF, 0, 1, hex("aa 55 99 99")).toHex(' '),
             hex("ff 10 00 00 00 01 02 aa 55 50 ab").toHex(' '));
}

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
