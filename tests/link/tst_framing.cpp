#include "link/memoryline.h"
#include "link/portenumeration.h"
#include "link/requests.h"
#include "link/trafficdecoding.h"
#include "linktesthelpers.h"
#include "model/settingsrecord.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Fake;
using Reports = QList<QPair<int, int>>; // the index of the byte that reported, the status

// The bytes on the wire: the requests sent, the framing of the replies, the line that
// frames them and the traffic monitor's reading of both. Expected frames are the
// protocol's published bytes or were computed with an independent CRC-16/MODBUS.
class TestFraming : public QObject {
    Q_OBJECT

    static Reports feed(FrameReceiver& receiver, QByteArrayView bytes, int first = 0)
    {
        Reports reports;
        for (int i = 0; i < bytes.size(); ++i) {
            if (auto status = receiver.take(std::uint8_t(bytes[i])))
                reports.append({first + i, int(*status)});
        }
        return reports;
    }

private slots:
    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("text"); // as the traffic monitor names it
        const auto row = [](const char* name, const QByteArray& request, const char* expected,
                            const char* text) {
            QTest::newRow(name) << request << hex(expected) << QString(text);
        };
        const SettingsImage& held = SettingsRecord::defaultImage;
        row("crc check string", withCrc("123456789"), "313233343536373839 374b", "");
        row("crc of nothing", withCrc({}), "ffff", "");
        row("probe", Requests::linkProbe(), "ff 03 00 09 00 01 41 d6", "Sprawdzenie łącza");
        row("status", Requests::statusPoll(), "ff 03 00 0c 00 06 10 15", "Odczyt stanu");
        row("settings", Requests::settingsRead(), "ff 03 00 00 00 0a d0 13", "Odczyt nastaw");
        row("block 0", Requests::eventBlockRead(0), "ff 03 04 00 00 60 51 0c",
            "Odczyt zdarzeń, blok 1 z 16");
        row("block 240", Requests::eventBlockRead(240), "ff 03 0f 40 00 60 52 fc",
            "Odczyt zdarzeń, blok 16 z 16");
        row("other read", buildReadRequest(0xFF, 1030, 96), "ff 03 04 06 00 60 b1 0d",
            "Odczyt 96 rejestrów od 1030");
        row("link open", Requests::linkOpen(), "ff 10 00 00 00 01 02 ff aa 2f bb",
            "Otwarcie łącza");
        row("link close", Requests::linkClose(), "ff 10 00 00 00 01 02 aa 55 50 ab",
            "Zamknięcie łącza");
        row("reset", Requests::reset(), "ff 10 00 00 00 01 02 aa 21 50 8c", "Rozkaz Reset");
        row("factory number", Requests::factoryNumber(12345),
            "ff 10 00 00 00 02 04 aa 27 39 30 47 d3", "Zapis numeru fabrycznego 12345");
        row("settings write", Requests::settingsWrite(held),
            "ff 10 00 00 00 07 0e 00 00 00 01 65 bd 33 3d 15 65 95 2f 02 06 08 d3", "Zapis nastaw");
        row("rs485 write", Requests::rs485Write(held), "ff 10 00 07 00 01 02 00 21 2f 9b",
            "Zapis konfiguracji RS485");
        // Only the registers asked for go out; 59 registers fill the 128-byte buffer.
        row("payload beyond the count", buildWriteRequest(0xFF, 0, 1, hex("aa 55 99 99")),
            "ff 10 00 00 00 01 02 aa 55 50 ab", "Zamknięcie łącza");
        row("59 registers", buildWriteRequest(0xFF, 0, 59, QByteArray(118, 'U')).left(7),
            "ff 10 00 00 00 3b 76", "");
        row("60 registers", buildWriteRequest(0xFF, 0, 60, QByteArray(120, 'U')), "", "");
        row("short payload", buildWriteRequest(0xFF, 0, 2, hex("aa 27 01")), "", "");
    }

    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, text);
        QTEST(request, "expected");
        if (!text.isEmpty())
            QCOMPARE(TrafficDecoding::describeRequest(request), text);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Reports>("expected");
        const auto row = [](const char* name, const char* bytes, const Reports& expected) {
            QTest::newRow(name) << hex(bytes) << expected;
        };
        constexpr int ok = 0, crc = 1, type = 3;
        row("probe answer", "ff 03 02 00 f0 91 d4", {{6, ok}});
        row("bad crc", "ff 03 02 00 f0 91 d5", {{6, crc}});
        row("read answer N=0", "ff 03 00 41 00", {{4, ok}});
        // The length of a 0x10 reply is fixed whatever its count field says.
        row("write answer", "ff 10 00 00 ff ff d4 67", {{7, ok}});
        row("exception 0x83", "ff 83 02 a1 01", {{4, ok}});
        row("exception 0xff", "ff ff 02 00 00", {{4, crc}});
        row("function 0x80", "ff 80 02 a1 01", {{2, type}, {3, type}, {4, type}});
        row("other address", "01 03 00 20 f0", {{4, ok}}); // the address is not checked
        row("short reply", "ff 03 02 00", {});
        // Without a clearing in between, a second reply is stored but not reported.
        row("second reply", "ff 03 00 41 00 ff 03 02 00 f0 91 d4", {{4, ok}});
    }

    void replies()
    {
        QFETCH(QByteArray, bytes);
        FrameReceiver receiver;
        QTEST(feed(receiver, bytes), "expected");
        QCOMPARE(receiver.position(), bytes.size());
        QCOMPARE(receiver.reply().toByteArray(), bytes);
    }

    void line()
    {
        // A handler that purges drops the rest of the bytes being framed; one that does not
        // hears of every byte of an unknown function.
        for (bool purge : {true, false}) {
            MemoryLine line;
            line.open("COM1", 19200);
            QList<FrameStatus> reports;
            connect(&line, &SerialLine::frameReceived, this, [&](FrameStatus status) {
                reports << status;
                if (purge)
                    line.purge();
            });
            line.deliver(hex("ff 04 01 02 03 04 05 06 07 08"));
            QCOMPARE(reports, QList<FrameStatus>(purge ? 1 : 8, FrameStatus::FRAME_TYPE_ERROR));
            if (purge) { // the next piece starts a new reply
                line.deliver(probeAnswer());
                QCOMPARE(reports.last(), FrameStatus::FRAME_OK);
            }
        }
        const QString text = QStringLiteral("Nawiązano połączenie COM%d");
        QCOMPARE(withPortName(text, "COM12"), QStringLiteral("Nawiązano połączenie COM12"));
        QCOMPARE(withPortName(text, "/tmp/d"), QStringLiteral("Nawiązano połączenie /tmp/d"));
#ifndef Q_OS_WIN
        QCOMPARE(withPortName(text, "ttyUSB0"),
                 QStringLiteral("Nawiązano połączenie /dev/ttyUSB0"));
#endif
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
