#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/settingsrecord.h"

#include <QTest>

using namespace SettingsRecord;

namespace {

QByteArray bytesOf(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes);
}

const QByteArray defaultHex = QByteArray::fromHex("0000000165BD333D1565952F02060021");

} // namespace

class TestSettingsRecord : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void flagsAndOutputs();
    void rs485_data();
    void rs485();
    void settingsAnswer_data();
    void settingsAnswer();
    void probeAnswerAndPayloads();
};

void TestSettingsRecord::defaults()
{
    DeviceData data;
    DeviceImage& image = data.image();
    image.combinationIndex = 9;
    image.factoryNumber = 1234;
    image.timeBase = 77;
    data.selectLabelSets(9);

    applyDefaults(data);

    QCOMPARE(bytesOf(image.settings), defaultHex);
    QCOMPARE(int(image.combinationIndex) + int(image.factoryNumber) + int(image.timeBase), 0);
    QCOMPARE(image.readIndex, -2);
    QCOMPARE(data.currentLabelSetIndex() + data.currentFlagOutputSetIndex(), 0);
    QVERIFY(!data.settingsValid);
    for (int k = 0; k < flagCount; ++k)
        QCOMPARE(flag(image.settings, k), k <= 3 || k == 5 || k == 9);
    for (int k = 0; k < outputCount; ++k)
        QCOMPARE(output(image.settings, k), k == 0);
}

void TestSettingsRecord::decode_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<TimeUnit>("unit");
    // The defaults, then the edges of each unit.
    const double defaults[8] = {10000, 60, 5000, 600, 2000, 10000, 20, 500};
    const TimeUnit units[8] = {TimeUnit::Milliseconds, TimeUnit::Seconds,
                               TimeUnit::Milliseconds, TimeUnit::Minutes,
                               TimeUnit::Milliseconds, TimeUnit::Milliseconds,
                               TimeUnit::Seconds,      TimeUnit::Milliseconds};
    for (int row = 0; row < 8; ++row)
        QTest::addRow("default row %d", row)
            << row << int(timeCode(defaultImage, row)) << defaults[row] << units[row];
    QTest::newRow("0x80 is 127 s") << 0 << 0x80 << 127.0 << TimeUnit::Seconds;
    QTest::newRow("0xFF is 126 s") << 1 << 0xFF << 126.0 << TimeUnit::Seconds;
    QTest::newRow("code 0") << 2 << 0 << -100.0 << TimeUnit::Milliseconds;
    QTest::newRow("row 3 has no unit bit") << 3 << 0x80 << 1270.0 << TimeUnit::Minutes;
}

void TestSettingsRecord::decode()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(double, value);
    QFETCH(TimeUnit, unit);
    const TimeValue decoded = decodeTime(row, static_cast<std::uint8_t>(code));
    QCOMPARE(decoded.value, value);
    QCOMPARE(decoded.unit, unit);
}

void TestSettingsRecord::encode_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("code");
    constexpr int ms = 0x65;  // a row in 100 ms steps
    constexpr int sec = 0xBD; // a row in seconds
    QTest::newRow("12600 ms") << 0 << 12600.0 << ms << 127;
    QTest::newRow("12700 ms to s") << 0 << 12700.0 << ms << 0x8D;
    QTest::newRow("50 ms raised") << 0 << 50.0 << ms << 2;
    QTest::newRow("150 ms truncated") << 0 << 150.0 << ms << 2;
    QTest::newRow("11.5 s to ms") << 1 << 11.5 << sec << 116;
    QTest::newRow("500 s capped") << 1 << 500.0 << sec << 0xFF;
    QTest::newRow("2.3 s is 2300 ms") << 1 << 2.3 << sec << 24;
    QTest::newRow("0.05 s raised to 0.1") << 1 << 0.05 << sec << 2;
    QTest::newRow("nan keeps code") << 1 << std::nan("") << sec << sec;
    QTest::newRow("row 3: 5000") << 3 << 5000.0 << 0x3D << 127;
    QTest::newRow("row 3 ignores bit 7") << 3 << 1260.0 << 0x90 << 127;
}

void TestSettingsRecord::encode()
{
    QFETCH(int, row);
    QFETCH(double, value);
    QFETCH(int, current);
    QFETCH(int, code);
    QCOMPARE(int(encodeTime(row, value, static_cast<std::uint8_t>(current))), code);
}

void TestSettingsRecord::flagsAndOutputs()
{
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

void TestSettingsRecord::rs485_data()
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

void TestSettingsRecord::rs485()
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

void TestSettingsRecord::settingsAnswer_data()
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

void TestSettingsRecord::settingsAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, identical);
    QFETCH(int, combination);
    DeviceData data;
    applyDefaults(data);
    QCOMPARE(matchesSettingsAnswer(data.image(), answer), identical);
    QCOMPARE(bytesOf(data.image().settings), defaultHex); // comparing stores nothing

    QCOMPARE(applySettingsAnswer(data, answer), combination >= 0);
    const DeviceImage& image = data.image();
    QCOMPARE(bytesOf(image.settings), combination >= 0 ? answer.first(16) : defaultHex);
    QCOMPARE(int(image.combinationIndex), std::max(combination, 0));
    QCOMPARE(int(image.circuit), Catalogue::circuitOf(image.combinationIndex));
    QCOMPARE(int(image.variant), Catalogue::variantOf(image.combinationIndex));
    QCOMPARE(data.currentFlagOutputSetIndex(), std::max(combination, 0));
    QCOMPARE(data.settingsValid, combination >= 0);
}

void TestSettingsRecord::probeAnswerAndPayloads()
{
    DeviceData data;
    applyDefaults(data);
    QVERIFY(applyProbeAnswer(data, QByteArray::fromHex("00F0")));
    QCOMPARE(data.image().combinationIndex, 7u); // masked to 0..7
    QCOMPARE(data.currentLabelSetIndex(), 7);
    QCOMPARE(data.currentFlagOutputSetIndex(), 0);
    QCOMPARE(int(data.image().circuit), 0);
    QVERIFY(!applyProbeAnswer(data, QByteArray::fromHex("001000")));
    QCOMPARE(data.image().combinationIndex, 7u);

    // The write payloads: registers 0..6 and register 7 in wire order.
    QCOMPARE(settingsWritePayload(data.image().settings), defaultHex.first(14));
    QCOMPARE(rs485WritePayload(data.image().settings), QByteArray::fromHex("0021"));
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"
