#include "link/cserialport.h"
#include "link/memoryline.h"
#include "link/portenumeration.h"
#include "link/requests.h"
#include "link/trafficmonitor.h"
#include "tests/support/linktesthelpers.h"
#include "model/settingsrecord.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Fake;

// The bytes on the wire: the requests sent, the framing of the replies, the line that
// frames them and the traffic monitor's reading of both. Expected frames are the
// protocol's published bytes or were computed with an independent CRC-16/MODBUS.
class TestFraming : public QObject {
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void replies_data();
    void replies();
    void longReplies();
    void line();
    void describes_data();
    void describes();
    void monitor();
};

using Reports = QList<QPair<int, int>>; // index of the byte that reported, status

static Reports feed(FrameReceiver& receiver, QByteArrayView bytes, int first = 0)
{
    Reports reports;
    for (int i = 0; i < bytes.size(); ++i) {
        if (auto status = receiver.take(std::uint8_t(bytes[i])))
            reports.append({first + i, int(*status)});
    }
    return reports;
}

void TestFraming::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    const SettingsImage& defaults = SettingsRecord::defaultImage;
    QTest::newRow("crc check string") << withCrc("123456789") << hex("313233343536373839 374b");
    QTest::newRow("crc of nothing") << withCrc({}) << hex("ffff");
    QTest::newRow("link probe") << Requests::linkProbe() << hex("ff 03 00 09 00 01 41 d6");
    QTest::newRow("status poll") << Requests::statusPoll() << hex("ff 03 00 0c 00 06 10 15");
    QTest::newRow("settings read") << Requests::settingsRead() << hex("ff 03 00 00 00 0a d0 13");
    QTest::newRow("block 0") << Requests::eventBlockRead(0) << hex("ff 03 04 00 00 60 51 0c");
    QTest::newRow("block 240") << Requests::eventBlockRead(240) << hex("ff 03 0f 40 00 60 52 fc");
    QTest::newRow("link open") << Requests::linkOpen() << hex("ff 10 00 00 00 01 02 ff aa 2f bb");
    QTest::newRow("link close") << Requests::linkClose() << hex("ff1000000001 02 aa55 50ab");
    QTest::newRow("reset") << Requests::reset() << hex("ff 10 00 00 00 01 02 aa 21 50 8c");
    QTest::newRow("factory number 12345")
        << Requests::factoryNumber(12345) << hex("ff 10 00 00 00 02 04 aa 27 39 30 47 d3");
    QTest::newRow("settings write")
        << Requests::settingsWrite(defaults)
        << hex("ff 10 00 00 00 07 0e 00 00 00 01 65 bd 33 3d 15 65 95 2f 02 06 08 d3");
    QTest::newRow("rs485 write") << Requests::rs485Write(defaults)
                                 << hex("ff 10 00 07 00 01 02 00 21 2f 9b");
    // Only the registers asked for go out; 59 registers fill the 128-byte buffer.
    QTest::newRow("payload beyond the count")
        << buildWriteRequest(0xFF, 0, 1, hex("aa 55 99 99")) << Requests::linkClose();
    QTest::newRow("59 registers") << buildWriteRequest(0xFF, 0, 59, QByteArray(118, 'U')).left(7)
                                  << hex("ff10 0000 003b 76");
    QTest::newRow("60 registers") << buildWriteRequest(0xFF, 0, 60, QByteArray(120, 'U'))
                                  << QByteArray();
    QTest::newRow("short payload")
        << buildWriteRequest(0xFF, 0, 2, hex("aa 27 01")) << QByteArray();
}

void TestFraming::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QCOMPARE(request.toHex(' '), expected.toHex(' '));
}

void TestFraming::replies_data()
{
    constexpr int ok = 0, crc = 1, type = 3;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Reports>("expected");
    QTest::newRow("probe answer") << hex("ff 03 02 00 f0 91 d4") << Reports{{6, ok}};
    QTest::newRow("bad crc") << hex("ff 03 02 00 f0 91 d5") << Reports{{6, crc}};
    QTest::newRow("read answer N=0") << hex("ff 03 00 41 00") << Reports{{4, ok}};
    // The length of a 0x10 reply is fixed whatever its count field says.
    QTest::newRow("write answer") << hex("ff 10 00 00 ff ff d4 67") << Reports{{7, ok}};
    QTest::newRow("exception 0x83") << hex("ff 83 02 a1 01") << Reports{{4, ok}};
    QTest::newRow("exception 0xff") << hex("ff ff 02 00 00") << Reports{{4, crc}};
    QTest::newRow("function 0x80")
        << hex("ff 80 02 a1 01") << Reports{{2, type}, {3, type}, {4, type}};
    // The address is not checked.
    QTest::newRow("other address") << hex("01 03 00 20 f0") << Reports{{4, ok}};
    QTest::newRow("short reply") << hex("ff 03 02 00") << Reports{};
    // Without a clearing in between, a second reply is stored but not reported.
    QTest::newRow("second reply") << hex("ff 03 00 41 00 ff 03 02 00 f0 91 d4") << Reports{{4, ok}};
}

void TestFraming::replies()
{
    QFETCH(QByteArray, bytes);
    FrameReceiver receiver;
    QTEST(feed(receiver, bytes), "expected");
    QCOMPARE(receiver.position(), bytes.size());
    QCOMPARE(receiver.reply().toByteArray(), bytes);
}

void TestFraming::longReplies()
{
    // An event block answer, 197 bytes, in any pieces; its CRC computed independently.
    QByteArray reply = hex("ff 03 c0");
    for (int i = 0; i < 192; ++i)
        reply.append(char(i * 7));
    reply.append(hex("50 6e"));
    for (int piece : {1, 7, 197}) {
        FrameReceiver receiver;
        Reports reports;
        for (int at = 0; at < reply.size(); at += piece)
            reports += feed(
                receiver,
                QByteArrayView(reply).sliced(at).first(qMin(piece, int(reply.size()) - at)), at);
        QCOMPARE(reports, (Reports{{196, 0}}));
    }
    // N = 255 ends at byte 259; the position stops at 299, later bytes land in the last slot.
    FrameReceiver receiver;
    QCOMPARE(feed(receiver, hex("ff 03 ff") + QByteArray(400, '\x11') + '\x77'),
             (Reports{{259, 1}}));
    QCOMPARE(receiver.position(), 299);
    QCOMPARE(receiver.reply().size(), 300);
    QCOMPARE(quint8(receiver.reply()[299]), quint8(0x77));
    FrameReceiver unknown; // an unknown function keeps reporting at the cap
    QCOMPARE(feed(unknown, QByteArray(310, '\x05')).size(), 308);
}

void TestFraming::line()
{
    // A handler that purges drops the rest of the bytes being framed; one that does not
    // hears of every byte of an unknown function.
    for (bool purge : {true, false}) {
        MemoryLine line;
        line.open("COM1", 19200);
        int count = 0;
        connect(&line, &SerialLine::frameReceived, this, [&](FrameStatus status) {
            QCOMPARE(status, FrameStatus::FRAME_TYPE_ERROR);
            ++count;
            if (purge)
                line.purge();
        });
        line.deliver(hex("ff 04 01 02 03 04 05 06 07 08"));
        QCOMPARE(count, purge ? 1 : 8);
        QCOMPARE(line.receivePosition(), purge ? 0 : 10);
        if (purge) { // the next piece starts a new reply
            line.disconnect(this);
            QSignalSpy spy(&line, &SerialLine::frameReceived);
            line.deliver(probeAnswer());
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy[0][0].value<FrameStatus>(), FrameStatus::FRAME_OK);
            QCOMPARE(spy[0][1].toByteArray(), probeAnswer());
        }
    }
    QCOMPARE(sortPortNames({"COM10", "COM2", "COM1", "COM2", "com3", "COM03"}),
             (QStringList{"COM1", "COM2", "COM03", "com3", "COM10"}));
    QCOMPARE(sortPortNames({"ttyUSB10", "ttyS1", "ttyUSB9", "ttyACM0"}),
             (QStringList{"ttyACM0", "ttyS1", "ttyUSB9", "ttyUSB10"}));
    const QString text = QStringLiteral("Nawiązano połączenie COM%d");
    QCOMPARE(withPortName(text, "COM12"), QStringLiteral("Nawiązano połączenie COM12"));
    QCOMPARE(withPortName(text, "/tmp/d"), QStringLiteral("Nawiązano połączenie /tmp/d"));
#ifndef Q_OS_WIN
    QCOMPARE(withPortName(text, "ttyUSB0"), QStringLiteral("Nawiązano połączenie /dev/ttyUSB0"));
#endif
    CSerialPort port;
    QVERIFY(!port.open("/nonexistent/ttyDorvik", 19200));
    QVERIFY(!port.isOpen() && !port.errorString().isEmpty());
    QCOMPARE(port.write(Requests::linkProbe()), -1);
}

void TestFraming::describes_data()
{
    // A request alone, or a reply with the request it answers.
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("what");
    const QByteArray none;
    const SettingsImage& defaults = SettingsRecord::defaultImage;
    QTest::newRow("probe") << Requests::linkProbe() << none << "Sprawdzenie łącza";
    QTest::newRow("status") << Requests::statusPoll() << none << "Odczyt stanu";
    QTest::newRow("settings") << Requests::settingsRead() << none << "Odczyt nastaw";
    QTest::newRow("block 1") << Requests::eventBlockRead(0) << none
                             << "Odczyt zdarzeń, blok 1 z 16";
    QTest::newRow("link open") << Requests::linkOpen() << none << "Otwarcie łącza";
    QTest::newRow("link close") << Requests::linkClose() << none << "Zamknięcie łącza";
    QTest::newRow("reset") << Requests::reset() << none << "Rozkaz Reset";
    QTest::newRow("factory number")
        << Requests::factoryNumber(4711) << none << "Zapis numeru fabrycznego 4711";
    QTest::newRow("settings write") << Requests::settingsWrite(defaults) << none << "Zapis nastaw";
    QTest::newRow("rs485") << Requests::rs485Write(defaults) << none << "Zapis konfiguracji RS485";
    QTest::newRow("other read") << buildReadRequest(0xFF, 1030, 96) << none
                                << "Odczyt 96 rejestrów od 1030";
    QTest::newRow("probe answer") << Requests::linkProbe() << probeAnswer(0xD0)
                                  << "Sprawdzenie łącza: kombinacja 5";
    QTest::newRow("status answer")
        << Requests::statusPoll() << statusAnswer() << "Stan: wersja 2.2, nr fabr. 4321";
    QTest::newRow("settings answer")
        << Requests::settingsRead() << settingsAnswer(defaults, 12) << "Nastawy: kombinacja 12";
    QTest::newRow("block 16 answer")
        << Requests::eventBlockRead(240) << eventBlock(240) << "Zdarzenia, blok 16 z 16";
    QTest::newRow("write answer") << Requests::linkOpen() << writeAnswer(0, 1)
                                  << "Potwierdzenie: Otwarcie łącza";
    QTest::newRow("exception") << Requests::settingsRead() << exceptionAnswer(0x03, 2)
                               << "Wyjątek 2: Odczyt nastaw";
    QTest::newRow("count beyond the frame")
        << Requests::statusPoll() << hex("ff0314 0102 0304") << "Ramka nieznanego rodzaju";
}

void TestFraming::describes()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QTEST(reply.isEmpty() ? TrafficDecoding::describeRequest(request)
                          : TrafficDecoding::describeReply(reply, request),
          "what");
}

void TestFraming::monitor()
{
    TrafficMonitor monitor;
    qint64 now = 0;
    monitor.setClock([&now] { return TrafficMonitor::Now{QTime(9, 5, 3, 7), now}; });
    QSignalSpy lines(&monitor, &TrafficMonitor::lineAdded);
    for (qint64 sent : {0, 1500}) {
        now = sent;
        monitor.onFrameSent(Requests::statusPoll(), true);
        now += sent ? 80 : 120;
        monitor.onFrameReceived(statusAnswer(), FrameStatus::FRAME_OK);
    }
    QCOMPARE(lines[0][0].toString(), "09:05:03.007 ->   ff 03 00 0c 00 06 10 15  Odczyt stanu");
    const LinkStatistics& s = monitor.statistics();
    QCOMPARE(s.lastReplyMs, 80);
    QCOMPARE(s.maxReplyMs, 120);
    QCOMPARE(s.meanReplyMs(), 100.0);
    // An unknown function is reported for every byte from the third on: one entry,
    // counted once, its line out when the reply stops growing.
    monitor.onFrameSent(Requests::statusPoll(), true);
    const QByteArray reply = hex("ff 05 01 02 03");
    for (int n = 3; n <= reply.size(); ++n)
        monitor.onFrameReceived(reply.left(n), FrameStatus::FRAME_TYPE_ERROR);
    QCOMPARE(lines.count(), 5);
    monitor.onFrameSent(Requests::statusPoll(), false);
    QCOMPARE(s.frameTypeErrors, 1);
    QCOMPARE(s.retries, 1);
    QCOMPARE(lines[5][0].toString(),
             "09:05:03.007 <- ! ff 05 01 02 03  Błąd typu ramki: Odczyt stanu");
    QVERIFY(lines[6][0].toString().endsWith(
        " ! ff 03 00 0c 00 06 10 15  Zapis do portu nieudany: Odczyt stanu"));
    // The list keeps the last 5000 entries; clearing it keeps the statistics.
    for (int i = 0; i < 5003; ++i)
        monitor.onFrameSent(buildReadRequest(0xFF, std::uint16_t(i), 1), true);
    const TrafficLog& log = monitor.log();
    QCOMPARE(log.rowCount(), 5000);
    QCOMPARE(log.data(log.index(4999, TrafficLog::DescriptionColumn)).toString(),
             "Odczyt 1 rejestrów od 5002");
    monitor.clear();
    QCOMPARE(log.rowCount(), 0);
    QCOMPARE(s.requests, 5003 + 4);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
