#include "link/rfc2217codec.h"
#include "link/rfc2217line.h"

#include <QtTest>

// Telnet Com Port Control on the wire. Expected bytes are written out by hand from the
// protocol's tables (IAC 255, SB 250, SE 240, WILL 251 .. DONT 254, the option 44 and its
// client codes), never produced by the codec itself.
class TestRfc2217 : public QObject {
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const QByteArray& bytes, const char* expected) {
            QTest::newRow(name) << bytes.toHex(' ') << QByteArray::fromHex(expected).toHex(' ');
        };
        row("offers", Rfc2217Codec().start(), "fffb00 fffd00 fffb2c");
        row("4800 baud", Rfc2217Codec::setBaudRate(4800), "fffa2c 01 000012c0 fff0");
        row("rate holding 0xff", Rfc2217Codec::setBaudRate(0x01ff02ff),
            "fffa2c01 01ffff02ffff fff0");
        row("2400 8N1", Rfc2217Codec::lineSettings(2400),
            "fffa2c0100000960fff0 fffa2c0208fff0 fffa2c0301fff0 fffa2c0401fff0");
        row("purge both", Rfc2217Codec::purgeData(), "fffa2c 0c 03 fff0");
        row("probe", Rfc2217Codec::escape(QByteArray::fromHex("ff030009000141d6")),
            "ffff030009000141d6");
    }
    void encode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes, expected);
    }

    // What the server sends, in the pieces ('|') it arrives in, after the client's offers:
    // the serial data it carries, what the client answers, whether the server took the
    // serial settings.
    void decode_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("comPort");
        const auto row = [](const char* name, const char* pieces, const char* data,
                            const char* answer, bool comPort = false) {
            QByteArrayList list;
            for (const QByteArray& piece : QByteArray(pieces).split('|'))
                list << QByteArray::fromHex(piece);
            QTest::newRow(name) << list << QByteArray::fromHex(data).toHex(' ')
                                << QByteArray::fromHex(answer).toHex(' ') << comPort;
        };
        row("offers taken", "fffd00 fffb00 fffd2c", "", "", true);
        row("com port refused", "fffe2c fffd00", "", "");
        row("echo, go-ahead, terminal", "fffb01 fffb03 fffd18", "", "fffe01 fffd03 fffc18");
        row("binary dropped later", "fffd00 fffb00|fffe00 fffc00", "", "fffc00 fffe00");
        row("verb split", "ff|fb|03 41", "41", "fffd03");
        row("doubled 0xff split", "41ff|ff42 ffffff|ff", "41ff42ffff", "");
        row("notification split", "01fffa2c|6b01ff|f002", "0102", "");
        row("baud echo holding 0xff", "fffa2c65ffff|0000fff0 03", "03", "");
        row("nop and go-ahead", "41fff142fff943", "414243", "");
    }
    void decode()
    {
        QFETCH(QByteArrayList, pieces);
        Rfc2217Codec codec;
        codec.start();
        QByteArray received, answered;
        for (const QByteArray& piece : pieces)
            received += codec.decode(piece, answered);
        QTEST(received.toHex(' '), "data");
        QTEST(answered.toHex(' '), "answer");
        QTEST(codec.comPortAccepted(), "comPort");
    }

    void endpoint_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target"); // empty: not a serial server's name
        QTest::newRow("address") << "rfc2217://127.0.0.1:7000"
                                 << "127.0.0.1 7000";
        QTest::newRow("ipv6") << "rfc2217://[::1]:7000"
                              << "::1 7000";
        for (const char* bad :
             {"rfc2217://gateway", "rfc2217://gateway:0", "rfc2217://:7000",
              "rfc2217://gateway:70000", "rfc2217://gw:7000/dev/ttyUSB0", "/dev/ttyUSB0"})
            QTest::newRow(bad) << bad << "";
    }
    void endpoint()
    {
        QFETCH(QString, name);
        const auto target = Rfc2217Line::endpoint(name);
        QTEST(target ? target->host + ' ' + QString::number(target->port) : QString(), "target");
    }
};

QTEST_GUILESS_MAIN(TestRfc2217)
#include "tst_rfc2217.moc"
