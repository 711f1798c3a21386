#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/password.h"
#include "model/settingsdiff.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QTest>

using namespace SettingsRecord;
using namespace EventRegister;

namespace {

QByteArray bytesOf(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes);
}

SettingsImage imageOf(const QByteArray& hex)
{
    SettingsImage image{};
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::copy_n(bytes.constData(), 16, reinterpret_cast<char*>(image.bytes));
    return image;
}

const QByteArray defaultHex = QByteArray::fromHex("0000000165BD333D1565952F02060021");

// An entry with the given counter and state bits, and a matching check byte.
EventEntry entry(std::uint32_t counter, const QList<int>& bits = {})
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = std::uint8_t(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= std::uint8_t(1u << (k % 8));
    e.bytes[11] = checkByte(e);
    return e;
}

// Device data with the default settings and the built-in labels.
struct Labelled {
    DeviceData data;
    DeviceImage& image = data.image();
    Labelled()
    {
        applyDefaults(data);
        LabelStore(data, QString(), {}).defaultFill();
    }
};

} // namespace

// The binary records of the controller: settings, the catalogue of combinations, the
// event register, and what is derived from them. Expected values are the controller's.
class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void defaults()
    {
        DeviceData data;
        data.image().combinationIndex = 9;
        data.image().timeBase = 77;
        data.selectLabelSets(9);
        applyDefaults(data);
        QCOMPARE(bytesOf(data.image().settings), defaultHex);
        QCOMPARE(data.image().combinationIndex + data.image().timeBase, 0u);
        QCOMPARE(data.image().readIndex, -2);
        QCOMPARE(data.currentLabelSetIndex() + data.currentFlagOutputSetIndex(), 0);
        for (int k = 0; k < flagCount; ++k)
            QCOMPARE(flag(data.image().settings, k), k <= 3 || k == 5 || k == 9);
        for (int k = 0; k < outputCount; ++k)
            QCOMPARE(output(data.image().settings, k), k == 0);
        SettingsImage image{};
        for (int k : {0, 15, 16, 23})
            setFlag(image, k, true);
        setOutput(image, 7, true);
        QCOMPARE(bytesOf(image), QByteArray::fromHex("00008180 00000000 00000001 80000000"));
        setFlag(image, 23, false);
        setOutput(image, 7, false);
        setOutput(image, 2, true);
        QCOMPARE(bytesOf(image), QByteArray::fromHex("00000104 00000000 00000001 80000000"));
    }

    void decode_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("value");
        QTest::addColumn<TimeUnit>("unit");
        const auto ms = TimeUnit::Milliseconds, s = TimeUnit::Seconds, min = TimeUnit::Minutes;
        const double defaults[8] = {10000, 60, 5000, 600, 2000, 10000, 20, 500};
        const TimeUnit units[8] = {ms, s, ms, min, ms, ms, s, ms};
        for (int row = 0; row < 8; ++row)
            QTest::addRow("default row %d", row)
                << row << int(timeCode(defaultImage, row)) << defaults[row] << units[row];
        QTest::newRow("0x80 is 127 s") << 0 << 0x80 << 127.0 << s;
        QTest::newRow("0xFF is 126 s") << 1 << 0xFF << 126.0 << s;
        QTest::newRow("code 0") << 2 << 0 << -100.0 << ms;
        QTest::newRow("row 3 has no unit bit") << 3 << 0x80 << 1270.0 << min;
    }

    void decode()
    {
        QFETCH(int, row);
        QFETCH(int, code);
        const TimeValue decoded = decodeTime(row, std::uint8_t(code));
        QTEST(decoded.value, "value");
        QTEST(decoded.unit, "unit");
    }

    void encode_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("code");
        constexpr int ms = 0x65, s = 0xBD; // rows in 100 ms steps and in seconds
        QTest::newRow("12600 ms") << 0 << 12600.0 << ms << 127;
        QTest::newRow("12700 ms to s") << 0 << 12700.0 << ms << 0x8D;
        QTest::newRow("50 ms raised") << 0 << 50.0 << ms << 2;
        QTest::newRow("150 ms truncated") << 0 << 150.0 << ms << 2;
        QTest::newRow("11.5 s to ms") << 1 << 11.5 << s << 116;
        QTest::newRow("12 s stays in s") << 1 << 12.0 << s << 0x8D;
        QTest::newRow("500 s capped") << 1 << 500.0 << s << 0xFF;
        QTest::newRow("2.3 s is 2300 ms") << 1 << 2.3 << s << 24;
        QTest::newRow("0.05 s raised to 0.1") << 1 << 0.05 << s << 2;
        QTest::newRow("nan keeps code") << 1 << std::nan("") << s << s;
        QTest::newRow("row 3: 5000") << 3 << 5000.0 << 0x3D << 127;
        QTest::newRow("row 3 ignores bit 7") << 3 << 1260.0 << 0x90 << 127;
    }

    void encode()
    {
        QFETCH(int, row);
        QFETCH(double, value);
        QFETCH(int, current);
        QTEST(int(encodeTime(row, value, std::uint8_t(current))), "code");
    }

    void rs485_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("baud"); // -1: none chosen
        QTest::addColumn<int>("byte");
        QTest::newRow("1 at 4800") << 1 << 0 << 0x61;
        QTest::newRow("5 at 9600") << 5 << 1 << 0x45;
        QTest::newRow("31 at 19200") << 31 << 2 << 0x3F;
        QTest::newRow("none is 19200") << 7 << -1 << 0x27;
        QTest::newRow("address 0 at 38400") << 0 << 3 << 0x01;
    }

    void rs485()
    {
        QFETCH(int, address);
        QFETCH(int, baud);
        QFETCH(int, byte);
        SettingsImage image = defaultImage;
        setRs485(image, address, baud < 0 ? std::nullopt : std::optional<int>(baud));
        QCOMPARE(bytesOf(image).toHex(), (defaultHex.first(15) + char(byte)).toHex());
        QCOMPARE(SettingsRecord::address(image), byte & 0x1F);
        QCOMPARE(baudIndex(image), baud < 0 ? 2 : baud);
    }

    void settingsAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("identical");
        QTest::addColumn<int>("combination"); // -1: refused
        QTest::newRow("same") << defaultHex + QByteArray::fromHex("ABCD770F") << true << 0;
        QTest::newRow("only the combination differs")
            << defaultHex + QByteArray::fromHex("000000F0") << false << 15;
        QTest::newRow("reserved byte differs")
            << QByteArray::fromHex("0100000165BD333D1565952F02060021 00000070") << false << 7;
        QTest::newRow("19 bytes") << defaultHex + QByteArray::fromHex("000000") << false << -1;
    }

    void settingsAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, combination);
        DeviceData data;
        applyDefaults(data);
        QTEST(matchesSettingsAnswer(data.image(), answer), "identical");
        QCOMPARE(bytesOf(data.image().settings), defaultHex); // comparing stores nothing
        QCOMPARE(applySettingsAnswer(data, answer), combination >= 0);
        const DeviceImage& image = data.image();
        QCOMPARE(bytesOf(image.settings), combination >= 0 ? answer.first(16) : defaultHex);
        QCOMPARE(int(image.combinationIndex), std::max(combination, 0));
        QCOMPARE(int(image.circuit), Catalogue::circuitOf(image.combinationIndex));
        QCOMPARE(data.currentFlagOutputSetIndex(), std::max(combination, 0));
        QCOMPARE(data.settingsValid, combination >= 0);
    }

    void catalogue()
    {
        using namespace Catalogue;
        // Circuit (1..8) and variant (A..D) of combinations 0..15 as the controller numbers
        // them; the mask allows exactly these pairs, each found at its first position.
        const char pairs[] = "1A1B2A2B2C7A3A7B4A4B4C4D5A5B6A6B";
        for (unsigned c = 0; c < 16; ++c) {
            QCOMPARE(circuitOf(c) + 1, pairs[2 * c] - '0');
            QCOMPARE(char('A' + variantOf(c)), pairs[2 * c + 1]);
        }
        const int masks[8] = {0x03, 0x07, 0x01, 0x0F, 0x03, 0x03, 0x03, 0x00};
        for (int circuit = 0; circuit < 8; ++circuit) {
            for (int variant = 0; variant < 4; ++variant) {
                const bool allowed = (masks[circuit] >> variant) & 1;
                QCOMPARE(isVariantAllowed(circuit, variant), allowed);
                const unsigned c = findCombination(circuit, variant);
                QVERIFY(allowed ? circuitOf(c) == circuit && variantOf(c) == variant
                                : c == noCombination);
            }
        }
        QCOMPARE(findCombination(6, 1), 7u);
        QVERIFY(!isVariantAllowed(8, 0) && !isVariantAllowed(0, 4) && !isVariantAllowed(-1, 0));
        // The selector byte: low nibble circuit + 1, high nibble variant + 1.
        QCOMPARE(combinationOfSelector(0x24), 9u);
        QCOMPARE(combinationOfSelector(0x17), 5u);
        QCOMPARE(combinationOfSelector(0x26), 15u);
        QCOMPARE(combinationOfSelector(0x23) + combinationOfSelector(0x18), 0u); // no such pair
    }

    void storeCircuitVariant_data()
    {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("circuit"); // -1: left unchosen
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("combination");
        QTest::newRow("7B") << 0 << 6 << 1 << 7;
        QTest::newRow("3B keeps the held pair") << 9 << 2 << 1 << 9;
        QTest::newRow("8A never stored") << 12 << 7 << 0 << 12;
        QTest::newRow("variant only") << 8 << -1 << 3 << 11;
        QTest::newRow("circuit only") << 1 << 4 << -1 << 13;
    }

    void storeCircuitVariant()
    {
        QFETCH(int, held);
        QFETCH(int, circuit);
        QFETCH(int, variant);
        QFETCH(int, combination);
        DeviceData data;
        QVERIFY(Catalogue::selectCombination(data, held));
        QVERIFY(!Catalogue::selectCombination(data, 16));
        Catalogue::storeCircuitVariant(data, circuit < 0 ? std::nullopt : std::optional(circuit),
                                       variant < 0 ? std::nullopt : std::optional(variant));
        const DeviceImage& image = data.image();
        QCOMPARE(int(image.combinationIndex), combination);
        QCOMPARE(int(image.circuit), Catalogue::circuitOf(combination));
        QCOMPARE(int(image.variant), Catalogue::variantOf(combination));
        QCOMPARE(int(image.deviceCombination), combination);
        QCOMPARE(data.currentLabelSetIndex(), combination);
        QCOMPARE(data.currentFlagOutputSetIndex(), combination);
    }

    void differences_data()
    {
        // Held is the default record of combination 0: 0000000165BD333D1565952F02060021.
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<unsigned>("combination");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("identical") << defaultHex.toHex() << 0u << QStringList();
        QTest::newRow("time rows in each unit")
            << QByteArray("000000018BBD3302156595 2F020B0021") << 0u
            << QStringList{"tgSZR - czas graniczny dla SZR|10000 [ms]|10 [s]",
                           "tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas wyczekiwania na "
                           "SPP|600 [min]|10 [min]",
                           "Czas impulsów sterujących|500 [ms]|1000 [ms]"};
        QTest::newRow("flags by name, also without one")
            << QByteArray("0000800165BD333D1565956E02060021") << 0u
            << QStringList{"Program działania: Default text 1|1|0", "Program działania: bit 6|0|1",
                           "Program działania: Default text 24|0|1"};
        QTest::newRow("outputs") << QByteArray("0000000465BD333D1565952F02060021") << 0u
                                 << QStringList{"Wyjście programowalne: Default text 25|1|0",
                                                "Wyjście programowalne: Default text 27|0|1"};
        QTest::newRow("rs485 address and rate")
            << QByteArray("0000000165BD333D1565952F02060045") << 0u
            << QStringList{"Konfiguracja portu RS485: Adres|1|5",
                           "Konfiguracja portu RS485: Parametry|19200,N,1|9600,N,1"};
        QTest::newRow("rs485 rate, bit 6 alone")
            << QByteArray("0000000165BD333D1565952F02060061") << 0u
            << QStringList{"Konfiguracja portu RS485: Parametry|19200,N,1|4800,N,1"};
        QTest::newRow("rs485 bit 7 alone") << QByteArray("0000000165BD333D1565952F020600A1") << 0u
                                           << QStringList{"Konfiguracja portu RS485|0x21|0xA1"};
        QTest::newRow("reserved bytes")
            << QByteArray("7F00000165BD333D1565952F0206FF21") << 0u
            << QStringList{"Bajt zarezerwowany 0|0x00|0x7F", "Bajt zarezerwowany 14|0x00|0xFF"};
        QTest::newRow("combination only")
            << defaultHex.toHex() << 5u
            << QStringList{"Kombinacja|0 (Układ: 1, Wariant: A)|5 (Układ: 7, Wariant: A)"};
    }

    void differences()
    {
        QFETCH(QByteArray, device);
        QFETCH(unsigned, combination);
        Labelled f;
        // A flag without a name: the combination has no such function.
        setSlotText(f.image.flagOutputLabelSets[0].names[6], QString());
        QStringList rows;
        for (const auto& d :
             SettingsDiff::differences(defaultImage, 0, imageOf(device), combination,
                                       f.image.labelSets[0], f.image.flagOutputLabelSets[0]))
            rows << d.name + '|' + d.held + '|' + d.device;
        QTEST(rows, "expected");
    }

    void password_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("factoryNumber");
        QTest::addColumn<bool>("lockedBefore");
        QTest::addColumn<bool>("accessBefore");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("deviceAccess");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("service, number unknown keeps access")
            << "KTRsondal" << 0 << true << true << false << true << true;
        QTest::newRow("service, number known clears access")
            << "KTRsondal" << 1234 << true << true << false << false << true;
        QTest::newRow("device password locks the service level")
            << "KLUCZDV1234" << 1234 << false << false << true << true << true;
        QTest::newRow("largest device password")
            << "KLUCZDV65535" << 65535 << false << false << true << true << true;
        QTest::newRow("device password of another controller")
            << "KLUCZDV1235" << 1234 << true << true << true << false << false;
        QTest::newRow("wrong text") << "haslo" << 1234 << false << true << true << false << false;
        QTest::newRow("service in other case")
            << "ktrsondal" << 0 << false << false << true << false << false;
        QTest::newRow("service with a trailing blank")
            << "KTRsondal " << 0 << false << false << true << false << false;
        QTest::newRow("number 0 never gives access")
            << "KLUCZDV0" << 0 << true << false << true << false << false;
    }

    void password()
    {
        QFETCH(QString, typed);
        QFETCH(int, factoryNumber);
        QFETCH(bool, lockedBefore);
        QFETCH(bool, accessBefore);
        const PasswordResult r = checkPassword(typed, std::uint16_t(factoryNumber),
                                               AccessFlags{lockedBefore, accessBefore});
        QTEST(r.flags.locked, "locked");
        QTEST(r.flags.deviceAccess, "deviceAccess");
        QTEST(r.accepted, "accepted");
    }

    void eventEntries()
    {
        EventEntry e{};
        std::copy_n(QByteArray::fromHex("100E0000 01000000 000080 35").constData(), 12, e.bytes);
        QCOMPARE(counter(e), 3600u);
        QVERIFY(stateBit(e, 0) && stateBit(e, 55) && !stateBit(e, 54) && !stateBit(e, 1));
        QVERIFY(isEntryValid(e)); // 0xAA ^ 0x10 ^ 0x0E ^ 0x01 ^ 0x80
        e.bytes[11] = 0x34;
        QVERIFY(!isEntryValid(e));
        QVERIFY(!isEntryValid(EventEntry{})); // 0xAA != 0
        // Rows count back from the newest entry, before the write position.
        Labelled f;
        f.image.writePosition = 10;
        QCOMPARE(slotOfRow(f.image, 0), 9);
        QCOMPARE(slotOfRow(f.image, 10), 255);
        QCOMPARE(slotOfRow(f.image, 255), 10);
        for (int s = 0; s < 256; ++s)
            f.image.entries[s] = entry(4294967295u - s);
        f.image.entries[slotOfRow(f.image, 16)].bytes[11] ^= 1;
        QCOMPARE(rowNumberText(f.image, 16), QStringLiteral("17?"));
        QCOMPARE(rowNumberText(f.image, 255), QStringLiteral("256"));
        QCOMPARE(counterText(f.image, 0), QStringLiteral("4294967295"));
        // The oldest row compares with the newest one's slot before it.
        f.image.entries[9] = entry(0, {12});
        f.image.entries[10] = entry(0, {});
        QCOMPARE(predecessorSlot(0), 255);
        QCOMPARE(eventText(f.image, slotOfRow(f.image, 255)), QString::fromUtf8("W1 zał_v,"));
    }

    void eventTexts_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("combination");
        QTest::addColumn<QString>("text");
        QTest::newRow("bits 12 and 14 rise")
            << QList<int>{} << QList<int>{12, 14} << 0 << QString::fromUtf8("W1 zał_^,U1 brak_^,");
        QTest::newRow("in bit order") << QList<int>{0, 40} << QList<int>{2, 40, 54} << 0
                                      << QString::fromUtf8("U1 jest_v,W2 zał_^,Ster.ręczne_^,");
        QTest::newRow("no change") << QList<int>{5, 17} << QList<int>{5, 17} << 0 << QString();
        QTest::newRow("blank name") << QList<int>{} << QList<int>{17} << 0 << " _^,";
        QTest::newRow("restart alone") << QList<int>{} << QList<int>{0, 3, 55} << 0 << "Restart";
        QTest::newRow("restart ends") << QList<int>{55} << QList<int>{} << 0 << "Restart_v,";
        QTest::newRow("names of the device's combination")
            << QList<int>{} << QList<int>{3} << 9 << QString::fromUtf8("Zasilanie łącza_^,");
        // A combination outside the table never reaches past the label sets.
        QTest::newRow("combination 200") << QList<int>{} << QList<int>{3} << 200 << "U2 brak_^,";
    }

    void eventTexts()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        Labelled f;
        setSlotText(f.image.labelSets[9].signalNames[3], QString::fromUtf8("Zasilanie łącza"));
        QFETCH(int, combination);
        f.image.deviceCombination = std::uint8_t(combination);
        f.image.entries[40] = entry(1, before);
        f.image.entries[41] = entry(2, after);
        QTEST(eventText(f.image, 41), "text");
    }

    void timeText_data()
    {
        QTest::addColumn<quint32>("timeBase");
        QTest::addColumn<quint32>("counter");
        QTest::addColumn<QString>("text");
        QTest::newRow("winter") << 1425715000u << 500u << "2015_3_7 9:5:0";
        QTest::newRow("summer") << 1435744800u << 0u << "2015_7_1 12:0:0";
        QTest::newRow("wraps modulo 2^32") << 0xFFFFFF00u << 0x200u << "1970_1_1 1:4:16";
        QTest::newRow("clock back, first") << 1792888200u << 0u << "2026_10_25 2:30:0";
        QTest::newRow("clock back, second") << 1792888200u << 3600u << "2026_10_25 2:30:0";
        QTest::newRow("largest") << 0x7FFFFFFFu << 0u << "2038_1_19 4:14:7";
        QTest::newRow("negative") << 0x80000000u << 0u << "?";
    }

    void timeText()
    {
        QFETCH(quint32, timeBase);
        QFETCH(quint32, counter);
        QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Warsaw"));
        DeviceData data;
        data.image().timeBase = timeBase;
        data.image().entries[3] = entry(counter);
        QTEST(EventRegister::timeText(data.image(), 3), "text");
    }

    void registerRead_data()
    {
        QTest::addColumn<int>("readIndex");
        QTest::addColumn<int>("replyBytes");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("readIndexAfter");
        QTest::newRow("first block") << 0 << 192 << 16 << 16;
        QTest::newRow("last block") << 240 << 192 << 16 << 256;
        QTest::newRow("not read") << -2 << 192 << 0 << -2;
        QTest::newRow("near the end") << 250 << 192 << 6 << 266;
        QTest::newRow("partial entry dropped") << 32 << 12 * 3 + 5 << 3 << 35;
    }

    void registerRead()
    {
        QFETCH(int, readIndex);
        QFETCH(int, replyBytes);
        QFETCH(int, stored);
        RegisterRead read;
        read.readIndex = readIndex;
        QByteArray reply;
        for (int i = 0; i * 12 < replyBytes; ++i)
            reply += QByteArray(reinterpret_cast<const char*>(entry(1000 + i).bytes), 12);
        QCOMPARE(storeEntries(read, reply.first(replyBytes)), stored);
        QTEST(read.readIndex, "readIndexAfter");
        for (int s = 0; s < 256; ++s) {
            const bool inside = s >= readIndex && s < readIndex + stored;
            QCOMPARE(counter(read.entries[s]), inside ? quint32(1000 + s - readIndex) : 0u);
        }
    }

    void readState()
    {
        // A read is taken only whole: the held register gets its entries, position,
        // number, combination and the time base it is given.
        RegisterRead read;
        beginRead(read, 77, 4321, 0x24);
        QCOMPARE(read.readIndex, -1);
        std::fill_n(read.entries[9].bytes, 12, 0x5A);
        DeviceData data;
        DeviceImage& image = data.image();
        takeRead(image, read, 1'700'000'000);
        QCOMPARE(int(image.writePosition), 77);
        QCOMPARE(int(image.registerFactoryNumber), 4321);
        QCOMPARE(int(image.deviceCombination), 9);
        QCOMPARE(image.timeBase, 1'700'000'000u);
        QCOMPARE(image.entries[9].bytes[11], 0x5A);
        QVERIFY(isComplete(image));
        beginRead(read, 0, 0, 0x23); // circuit 3 variant B: no such combination
        QCOMPARE(int(read.deviceCombination), 0);
        // The time base comes from the first status answer of a link.
        image.timeBase = 5;
        resetReadState(image);
        QCOMPARE(image.readIndex, -2);
        applyStatus(image, 3600, 12, 1'700'000'000);
        QCOMPARE(image.timeBase, 1'700'000'000u - 3600u);
        QCOMPARE(int(image.liveWritePosition), 12);
        // Later answers keep the base, even after the controller's counter restarted.
        applyStatus(image, 5, 13, 1'700'000'100);
        QCOMPARE(image.timeBase, 1'700'000'000u - 3600u);
        QCOMPARE(int(image.liveWritePosition), 13);
        resetReadState(image);
        applyStatus(image, 0xFFFFFFFFu, 0, 10); // wraps modulo 2^32
        QCOMPARE(image.timeBase, 11u);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
