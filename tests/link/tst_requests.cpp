#include "link/requests.h"
#include "link/trafficdecoding.h"
#include "tests/support/linktesthelpers.h"
#include "model/settingsrecord.h"

#include <QtTest>

using namespace Fake;

// The requests on the wire and the traffic monitor's name for each. Expected frames are
// the protocol's published bytes or were computed with an independent CRC-16/MODBUS; the
// framing of replies is checked by fuzz_framing against a plain reading of its rules.
class TestRequests : public QObject {
    Q_OBJECT

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
        row("probe", Requests::linkProbe(), "ff 03 00 09 00 01 41 d6", "Sprawdzenie łącza");
        row("status", Requests::statusPoll(), "ff 03 00 0c 00 06 10 15", "Odczyt stanu");
        row("settings", Requests::settingsRead(), "ff 03 00 00 00 0a d0 13", "Odczyt nastaw");
        row("block 0", Requests::eventBlockRead(0), "ff 03 04 00 00 60 51 0c",
            "Odczyt zdarzeń, blok 1 z 16");
        row("block 240", Requests::eventBlockRead(240), "ff 03 0f 40 00 60 52 fc",
            "Odczyt zdarzeń, blok 16 z 16");
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
};

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
