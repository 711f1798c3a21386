#include "link/rfc2217codec.h"
#include "link/rfc2217line.h"

#include <QtTest>

// Telnet Com Port Control on the wire. Expected bytes are written out by hand from the
// protocol's tables (IAC 255, SB 250, SE 240, WILL 251 .. DONT 254; the option 44 and
// its client codes), never produced by the codec itself.
class TestRfc2217 : public QObject {
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const QByteArray& bytes, const char* expected) {
            QTest::newRow(name) << bytes << QByteArray::fromHex(expected);
        };
        row("offers", Rfc2217Codec().start(), "fffb00 fffd00 fffb2c");
        row("19200 baud", Rfc2217Codec::setBaudRate(19200), "fffa2c 01 00004b00 fff0");
        row("4800 baud", Rfc2217Codec::setBaudRate(4800), "fffa2c 01 000012c0 fff0");
        row("rate holding 0xff", Rfc2217Codec::setBaudRate(0x01ff02ff),
            "fffa2c 01 01ffff02ffff fff0");
        row("2400 8N1", Rfc2217Codec::lineSettings(2400),
            "fffa2c0100000960fff0 fffa2c0208fff0 fffa2c0301fff0 fffa2c0401fff0");
        row("purge both", Rfc2217Codec::purgeData(), "fffa2c 0c 03 fff0");
        row("dtr on", Rfc2217Codec::setControl(Rfc2217Codec::controlDtrOn), "fffa2c 05 08 fff0");
        row("probe", Rfc2217Codec::escape(QByteArray::fromHex("ff030009000141d6")),
            "ffff030009000141d6");
        row("settings reply", Rfc2217Codec::escape(QByteArray::fromHex("ff0314ffff00")),
            "ffff0314ffffffff00");
    }
    void encode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    // What the server sends, in the pieces it arrives in, after the client's offers:
    // the serial data it carries and what the client answers.
    void decode_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("comPort");
        const auto row = [](const char* name, const char* pieces, const char* data,
                            const char* answer, bool comPort) {
            QByteArrayList list;
            for (const QByteArray& piece : QByteArray(pieces).split('|'))
                list << QByteArray::fromHex(piece);
            QTest::newRow(name) << list << QByteArray::fromHex(data) << QByteArray::fromHex(answer)
                                << comPort;
        };
        row("offers taken", "fffd00 fffb00 fffd2c", "", "", true);
        row("taken twice", "fffd2c fffd2c fffd00", "", "", true);
        row("com port refused", "fffe2c fffd00", "", "", false);
        row("echo and go-ahead", "fffb01 fffb03", "", "fffe01 fffd03", false);
        row("terminal type", "fffd18", "", "fffc18", false);
        row("binary dropped later", "fffd00 fffb00|fffe00 fffc00", "", "fffc00 fffe00", false);
        row("verb split", "ff|fb|03 41", "41", "fffd03", false);
        row("doubled 0xff split", "41ff|ff42", "41ff42", "", false);
        row("doubled 0xff twice", "ffffff|ff", "ffff", "", false);
        row("reply with 0xff", "ffff0314ffffffff00", "ff0314ffff00", "", false);
        row("notification split", "01fffa2c|6b01ff|f002", "0102", "", false);
        row("baud echo holding 0xff", "fffa2c65ffff|0000fff0 03", "03", "", false);
        row("nop and go-ahead", "41fff142fff943", "414243", "", false);
    }
    void decode()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, answer);
        QFETCH(bool, comPort);
        Rfc2217Codec codec;
        codec.start();
        QByteArray received, answered;
        for (const QByteArray& piece : pieces)
            received += codec.decode(piece, answered);
        QCOMPARE(received.toHex(' '), data.toHex(' '));
        QCOMPARE(answered.toHex(' '), answer.toHex(' '));
        QCOMPARE(codec.comPortAccepted(), comPort);
    }

    void endpoint_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host"); // empty: not a serial server's name
        QTest::addColumn<int>("port");
        QTest::newRow("address") << "rfc2217://127.0.0.1:7000"
                                 << "127.0.0.1" << 7000;
        QTest::newRow("name, capitals, slash") << " RFC2217://Gateway:2217/"
                                               << "gateway" << 2217;
        QTest::newRow("ipv6") << "rfc2217://[::1]:7000"
                              << "::1" << 7000;
        QTest::newRow("no port") << "rfc2217://gateway"
                                 << "" << 0;
        QTest::newRow("port 0") << "rfc2217://gateway:0"
                                << "" << 0;
        QTest::newRow("port too big") << "rfc2217://gateway:70000"
                                      << "" << 0;
        QTest::newRow("no host") << "rfc2217://:7000"
                                 << "" << 0;
        QTest::newRow("a path") << "rfc2217://gateway:7000/dev/ttyUSB0"
                                << "" << 0;
        QTest::newRow("device") << "/dev/ttyUSB0"
                                << "" << 0;
    }
    void endpoint()
    {
        QFETCH(QString, name);
        QFETCH(QString, host);
        QFETCH(int, port);
        const auto target = Rfc2217Line::endpoint(name);
        QCOMPARE(target ? target->host : QString(), host);
        QCOMPARE(target ? int(target->port) : 0, port);
    }
};

QTEST_GUILESS_MAIN(TestRfc2217)
#include "tst_rfc2217.moc"
