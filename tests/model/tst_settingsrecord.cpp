#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/settingsrecord.h"

#include <QTest>
#include <limits>

using namespace SettingsRecord;

namespace {

QByteArray imageBytes(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes);
}

SettingsImage imageOf(const QByteArray& hex)
{
    SettingsImage image{};
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::copy_n(bytes.constData(), sizeof image.bytes, image.bytes);
    return image;
}

} // namespace

class TestSettingsRecord : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void defaultMeanings_data();
    void defaultMeanings();
    void decodeTime_data();
    void decodeTime();
    void encodeTime_data();
    void encodeTime();
    void encodeTimeKeepsCodeForNan();
    void flagsAndOutputs();
    void rs485_data();
    void rs485();
    void rs485Decode_data();
    void rs485Decode();
    void settingsAnswer();
    void settingsAnswerRefusesWrongSize();
    void compareAnswer_data();
    void compareAnswer();
    void probeAnswer();
    void payloads();
};

void TestSettingsRecord::defaults()
{
    DeviceData data;
    DeviceImage& image = data.image();
    image.combinationIndex = 9;
    image.circuit = 3;
    image.variant = 1;
    image.deviceCombination = 9;
    image.factoryNumber = 1234;
    image.readIndex = 256;
    image.timeBase = 77;
    image.liveWritePosition = 5;
    data.selectLabelSets(9);

    applyDefaults(data);

    QCOMPARE(imageBytes(image.settings),
             QByteArray::fromHex("00000001 65BD333D 1565952F 02060021"));
    QCOMPARE(image.combinationIndex, 0u);
    QCOMPARE(image.circuit, 0);
    QCOMPARE(image.variant, 0);
    QCOMPARE(image.deviceCombination, 0);
    QCOMPARE(image.factoryNumber, 0);
    QCOMPARE(image.readIndex, -2);
    QCOMPARE(image.timeBase, 0u);
    QCOMPARE(image.liveWritePosition, 0);
    QCOMPARE(data.currentLabelSetIndex(), 0);
    QCOMPARE(data.currentFlagOutputSetIndex(), 0);
    QVERIFY(!data.settingsValid);

    for (int k = 0; k < flagCount; ++k)
        QCOMPARE(flag(image.settings, k), k <= 3 || k == 5 || k == 9);
    for (int k = 0; k < outputCount; ++k)
        QCOMPARE(output(image.settings, k), k == 0);
    QCOMPARE(address(image.settings), 1);
    QCOMPARE(baudIndex(image.settings), 2);
}

void TestSettingsRecord::defaultMeanings_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<TimeUnit>("unit");
    QTest::newRow("tgSZR") << 0 << 10000.0 << TimeUnit::Milliseconds;
    QTest::newRow("tgSZRA") << 1 << 60.0 << TimeUnit::Seconds;
    QTest::newRow("tgPPZ") << 2 << 5000.0 << TimeUnit::Milliseconds;
    QTest::newRow("tgAZZ minutes") << 3 << 600.0 << TimeUnit::Minutes;
    QTest::newRow("trSZR") << 4 << 2000.0 << TimeUnit::Milliseconds;
    QTest::newRow("trSZRA") << 5 << 10000.0 << TimeUnit::Milliseconds;
    QTest::newRow("trAZZ") << 6 << 20.0 << TimeUnit::Seconds;
    QTest::newRow("pulse at offset 13") << 7 << 500.0 << TimeUnit::Milliseconds;
}

void TestSettingsRecord::defaultMeanings()
{
    QFETCH(int, row);
    QFETCH(double, value);
    QFETCH(TimeUnit, unit);
    const TimeValue decoded = SettingsRecord::decodeTime(row, timeCode(defaultImage, row));
    QCOMPARE(decoded.value, value);
    QCOMPARE(decoded.unit, unit);
}

void TestSettingsRecord::decodeTime_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<TimeUnit>("unit");
    QTest::newRow("0x80 is 127 s") << 0 << 0x80 << 127.0 << TimeUnit::Seconds;
    QTest::newRow("0x81 is 0 s") << 0 << 0x81 << 0.0 << TimeUnit::Seconds;
    QTest::newRow("0xFF is 126 s") << 1 << 0xFF << 126.0 << TimeUnit::Seconds;
    QTest::newRow("code 0 is -100 ms") << 2 << 0 << -100.0 << TimeUnit::Milliseconds;
    QTest::newRow("code 1 is 0 ms") << 4 << 1 << 0.0 << TimeUnit::Milliseconds;
    QTest::newRow("code 127 is 12600 ms") << 7 << 127 << 12600.0 << TimeUnit::Milliseconds;
    QTest::newRow("row 3 ignores bit 7") << 3 << 0x80 << 1270.0 << TimeUnit::Minutes;
    QTest::newRow("row 3 code 0") << 3 << 0 << -10.0 << TimeUnit::Minutes;
    QTest::newRow("row 3 code 255") << 3 << 255 << 2540.0 << TimeUnit::Minutes;
}

void TestSettingsRecord::decodeTime()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(double, value);
    QFETCH(TimeUnit, unit);
    const TimeValue decoded = SettingsRecord::decodeTime(row, static_cast<std::uint8_t>(code));
    QCOMPARE(decoded.value, value);
    QCOMPARE(decoded.unit, unit);
}

void TestSettingsRecord::encodeTime_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("code");
    constexpr int ms = 0x65;  // a row held in 100 ms steps
    constexpr int sec = 0xBD; // a row held in seconds
    QTest::newRow("12600 ms") << 0 << 12600.0 << ms << 127;
    QTest::newRow("12700 ms switches to s") << 0 << 12700.0 << ms << 0x8D;
    QTest::newRow("50 ms raised to 100") << 0 << 50.0 << ms << 2;
    QTest::newRow("150 ms truncated") << 0 << 150.0 << ms << 2;
    QTest::newRow("negative ms") << 0 << -5.0 << ms << 2;
    QTest::newRow("huge ms") << 0 << 1e9 << ms << 0xFF;
    QTest::newRow("13000 ms") << 0 << 13000.0 << ms << 0x8E;
    QTest::newRow("11.5 s to ms") << 1 << 11.5 << sec << 116;
    QTest::newRow("12 s stays") << 1 << 12.0 << sec << 0x8D;
    QTest::newRow("500 s capped") << 1 << 500.0 << sec << 0xFF;
    QTest::newRow("126 s") << 1 << 126.0 << sec << 0xFF;
    QTest::newRow("60.9 s truncated") << 1 << 60.9 << sec << 0xBD;
    QTest::newRow("2.3 s in double") << 1 << 2.3 << sec << 24;
    QTest::newRow("0.1 s") << 1 << 0.1 << sec << 2;
    QTest::newRow("0.05 s raised") << 1 << 0.05 << sec << 2;
    QTest::newRow("0 s raised") << 1 << 0.0 << sec << 2;
    QTest::newRow("negative s raised") << 1 << -3.0 << sec << 2;
    QTest::newRow("-inf s raised") << 1 << -std::numeric_limits<double>::infinity() << sec << 2;
    QTest::newRow("row 3: 5 min") << 3 << 5.0 << 0x3D << 2;
    QTest::newRow("row 3: 5000 min") << 3 << 5000.0 << 0x3D << 127;
    QTest::newRow("row 3: 600 min") << 3 << 600.0 << 0x3D << 0x3D;
    QTest::newRow("row 3: 15 min truncated") << 3 << 15.0 << 0x3D << 2;
    QTest::newRow("row 3 never sets bit 7") << 3 << 1260.0 << 0x90 << 127;
    QTest::newRow("pulse row 7") << 7 << 500.0 << 0x06 << 6;
}

void TestSettingsRecord::encodeTime()
{
    QFETCH(int, row);
    QFETCH(double, value);
    QFETCH(int, current);
    QFETCH(int, code);
    QCOMPARE(int(SettingsRecord::encodeTime(row, value, static_cast<std::uint8_t>(current))), code);
}

void TestSettingsRecord::encodeTimeKeepsCodeForNan()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QCOMPARE(int(SettingsRecord::encodeTime(0, nan, 0x65)), 0x65);
    QCOMPARE(int(SettingsRecord::encodeTime(1, nan, 0xBD)), 0xBD);
    QCOMPARE(int(SettingsRecord::encodeTime(3, nan, 0x3D)), 0x3D);
}

void TestSettingsRecord::flagsAndOutputs()
{
    SettingsImage image{};
    setFlag(image, 0, true);
    setFlag(image, 15, true);
    setFlag(image, 16, true);
    setFlag(image, 23, true);
    setOutput(image, 7, true);
    QCOMPARE(imageBytes(image), QByteArray::fromHex("00008180 00000000 00000001 80000000"));
    setFlag(image, 23, false);
    setOutput(image, 7, false);
    setOutput(image, 2, true);
    QCOMPARE(imageBytes(image), QByteArray::fromHex("00000104 00000000 00000001 80000000"));
    QVERIFY(flag(image, 15));
    QVERIFY(!flag(image, 14));
    QVERIFY(output(image, 2));
}

void TestSettingsRecord::rs485_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud"); // -1: none chosen
    QTest::addColumn<int>("byte");
    QTest::newRow("1 at 4800") << 1 << 0 << 0x61;
    QTest::newRow("5 at 9600") << 5 << 1 << 0x45;
    QTest::newRow("31 at 19200") << 31 << 2 << 0x3F;
    QTest::newRow("7 at 38400") << 7 << 3 << 0x07;
    QTest::newRow("none chosen is 19200") << 7 << -1 << 0x27;
    QTest::newRow("address 0") << 0 << 3 << 0x01;
    QTest::newRow("address 32") << 32 << 3 << 0x01;
    QTest::newRow("address 33") << 33 << 3 << 0x01;
    QTest::newRow("address 255") << 255 << 3 << 0x1F;
}

void TestSettingsRecord::rs485()
{
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(int, byte);
    SettingsImage image = defaultImage;
    setRs485(image, address, baud < 0 ? std::nullopt : std::optional<int>(baud));
    QCOMPARE(int(image.bytes[15]), byte);
    QCOMPARE(int(image.bytes[14]), 0);
}

void TestSettingsRecord::rs485Decode_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud");
    QTest::newRow("0x21") << 0x21 << 1 << 2;
    QTest::newRow("0x7F") << 0x7F << 31 << 0;
    QTest::newRow("0x45") << 0x45 << 5 << 1;
    QTest::newRow("0x9E bit 7 ignored") << 0x9E << 30 << 3;
}

void TestSettingsRecord::rs485Decode()
{
    QFETCH(int, byte);
    QFETCH(int, address);
    QFETCH(int, baud);
    SettingsImage image{};
    image.bytes[15] = static_cast<std::uint8_t>(byte);
    QCOMPARE(SettingsRecord::address(image), address);
    QCOMPARE(baudIndex(image), baud);
}

void TestSettingsRecord::settingsAnswer()
{
    DeviceData data;
    applyDefaults(data);
    const QByteArray answer = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F10 1112 13F0");
    QVERIFY(applySettingsAnswer(data, answer));
    QCOMPARE(imageBytes(data.image().settings), answer.first(16));
    QCOMPARE(data.image().combinationIndex, 15u);
    QCOMPARE(data.image().circuit, 5);
    QCOMPARE(data.image().variant, 1);
    QCOMPARE(data.currentLabelSetIndex(), 15);
    QCOMPARE(data.currentFlagOutputSetIndex(), 15);
    QVERIFY(data.settingsValid);
}

void TestSettingsRecord::settingsAnswerRefusesWrongSize()
{
    DeviceData data;
    applyDefaults(data);
    QVERIFY(!applySettingsAnswer(data, QByteArray(19, '\x70')));
    QVERIFY(!applySettingsAnswer(data, QByteArray(21, '\x70')));
    QCOMPARE(imageBytes(data.image().settings), imageBytes(defaultImage));
    QCOMPARE(data.image().combinationIndex, 0u);
    QVERIFY(!data.settingsValid);
}

void TestSettingsRecord::compareAnswer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("identical");
    const QByteArray same = QByteArray::fromHex("0000000165BD333D1565952F02060021");
    QTest::newRow("identical") << same + QByteArray::fromHex("ABCD 770F") << true;
    QTest::newRow("combination differs") << same + QByteArray::fromHex("0000 0010") << false;
    QTest::newRow("reserved byte differs")
        << QByteArray::fromHex("0100000165BD333D1565952F02060021 0000 0000") << false;
    QTest::newRow("RS-485 byte differs")
        << QByteArray::fromHex("0000000165BD333D1565952F02060022 0000 0000") << false;
    QTest::newRow("short answer") << same + QByteArray::fromHex("0000 00") << false;
}

void TestSettingsRecord::compareAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, identical);
    DeviceData data;
    applyDefaults(data);
    QCOMPARE(matchesSettingsAnswer(data.image(), answer), identical);
    QCOMPARE(imageBytes(data.image().settings), imageBytes(defaultImage));
}

void TestSettingsRecord::probeAnswer()
{
    DeviceData data;
    applyDefaults(data);
    QVERIFY(applyProbeAnswer(data, QByteArray::fromHex("00F0")));
    QCOMPARE(data.image().combinationIndex, 7u);
    QCOMPARE(data.currentLabelSetIndex(), 7);
    // Only the label set moves; circuit, variant and the flag set stay.
    QCOMPARE(data.currentFlagOutputSetIndex(), 0);
    QCOMPARE(data.image().circuit, 0);
    QVERIFY(!applyProbeAnswer(data, QByteArray::fromHex("0010 00")));
    QCOMPARE(data.image().combinationIndex, 7u);
}

void TestSettingsRecord::payloads()
{
    const SettingsImage image = imageOf("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");
    QCOMPARE(settingsWritePayload(image), QByteArray::fromHex("A0A1A2A3A4A5A6A7A8A9AAABACAD"));
    QCOMPARE(rs485WritePayload(image), QByteArray::fromHex("AEAF"));
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"
