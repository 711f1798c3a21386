#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QTest>

using namespace EventRegister;

namespace {

// An entry with the given counter and state bits, and a matching check byte.
EventEntry makeEntry(std::uint32_t counter, const QList<int>& bits = {})
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
    e.bytes[11] = checkByte(e);
    return e;
}

// Device data with the built-in labels.
struct Fixture {
    DeviceData data;
    DeviceImage& image = data.image();
    Fixture()
    {
        SettingsRecord::applyDefaults(data);
        LabelStore(data, QString(), {}).defaultFill();
    }
};

} // namespace

class TestEventRegister : public QObject {
    Q_OBJECT

private slots:
    void entryLayout();
    void rows();
    void eventTexts_data();
    void eventTexts();
    void namesFromDeviceCombination();
    void timeText_data();
    void timeText();
    void beginRead();
    void storeEntries_data();
    void storeEntries();
    void statusTimeBase();
};

void TestEventRegister::entryLayout()
{
    EventEntry e{};
    const QByteArray bytes = QByteArray::fromHex("100E0000 01000000 000080 35");
    std::copy_n(bytes.constData(), 12, e.bytes);
    QCOMPARE(counter(e), 3600u);
    QVERIFY(stateBit(e, 0) && stateBit(e, 55) && !stateBit(e, 54) && !stateBit(e, 1));
    QVERIFY(isEntryValid(e)); // 0xAA ^ 0x10 ^ 0x0E ^ 0x01 ^ 0x80
    e.bytes[11] = 0x34;
    QVERIFY(!isEntryValid(e));
    QVERIFY(!isEntryValid(EventEntry{})); // 0xAA != 0
}

void TestEventRegister::rows()
{
    Fixture f;
    f.image.writePosition = 0;
    QCOMPARE(slotOfRow(f.image, 0), 255);
    QCOMPARE(slotOfRow(f.image, 1), 254);
    QCOMPARE(slotOfRow(f.image, 255), 0);
    f.image.writePosition = 10;
    QCOMPARE(slotOfRow(f.image, 9), 0);
    QCOMPARE(slotOfRow(f.image, 10), 255);
    QCOMPARE(slotOfRow(f.image, 255), 10);

    for (int s = 0; s < 256; ++s)
        f.image.entries[s] = makeEntry(4294967295u - s);
    f.image.entries[slotOfRow(f.image, 16)].bytes[11] ^= 1;
    QCOMPARE(rowNumberText(f.image, 0), QStringLiteral("1"));
    QCOMPARE(rowNumberText(f.image, 16), QStringLiteral("17?"));
    QCOMPARE(rowNumberText(f.image, 255), QStringLiteral("256"));
    QCOMPARE(counterText(f.image, 0), QStringLiteral("4294967295"));

    // Row 255 (slot 10) compares with row 0 (slot 9).
    f.image.entries[9] = makeEntry(0, {12});
    f.image.entries[10] = makeEntry(0, {});
    QCOMPARE(predecessorSlot(10), 9);
    QCOMPARE(predecessorSlot(0), 255);
    QCOMPARE(eventText(f.image, slotOfRow(f.image, 255)), QString::fromUtf8("W1 zał_v,"));
}

void TestEventRegister::eventTexts_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QString>("text");
    QTest::newRow("bits 12 and 14 rise")
        << QList<int>{} << QList<int>{12, 14} << QString::fromUtf8("W1 zał_^,U1 brak_^,");
    QTest::newRow("in bit order") << QList<int>{0, 40} << QList<int>{2, 40, 54}
                                  << QString::fromUtf8("U1 jest_v,W2 zał_^,Ster.ręczne_^,");
    QTest::newRow("no change") << QList<int>{5, 17} << QList<int>{5, 17} << QString();
    QTest::newRow("blank name") << QList<int>{} << QList<int>{17} << QStringLiteral(" _^,");
    QTest::newRow("restart alone")
        << QList<int>{} << QList<int>{0, 3, 55} << QStringLiteral("Restart");
    QTest::newRow("restart ends") << QList<int>{55} << QList<int>{} << QStringLiteral("Restart_v,");
}

void TestEventRegister::eventTexts()
{
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(QString, text);
    Fixture f;
    f.image.entries[40] = makeEntry(1, before);
    f.image.entries[41] = makeEntry(2, after);
    QCOMPARE(eventText(f.image, 41), text);
}

void TestEventRegister::namesFromDeviceCombination()
{
    Fixture f;
    setSlotText(f.image.labelSets[9].signalNames[3], QString::fromUtf8("Zasilanie łącza"));
    f.image.entries[1] = makeEntry(0, {3});
    f.image.deviceCombination = 9;
    QCOMPARE(eventText(f.image, 1), QString::fromUtf8("Zasilanie łącza_^,"));
    // A combination outside the table never reaches past the label sets.
    f.image.deviceCombination = 200;
    QCOMPARE(eventText(f.image, 1), QStringLiteral("U2 brak_^,"));
}

void TestEventRegister::timeText_data()
{
    QTest::addColumn<quint32>("timeBase");
    QTest::addColumn<quint32>("counter");
    QTest::addColumn<QString>("text");
    QTest::newRow("winter") << 1425715000u << 500u << QStringLiteral("2015_3_7 9:5:0");
    QTest::newRow("summer") << 1435744800u << 0u << QStringLiteral("2015_7_1 12:0:0");
    QTest::newRow("wraps modulo 2^32")
        << 0xFFFFFF00u << 0x200u << QStringLiteral("1970_1_1 1:4:16");
    QTest::newRow("clock back, first") << 1792888200u << 0u << QStringLiteral("2026_10_25 2:30:0");
    QTest::newRow("clock back, second")
        << 1792888200u << 3600u << QStringLiteral("2026_10_25 2:30:0");
    QTest::newRow("largest") << 0x7FFFFFFFu << 0u << QStringLiteral("2038_1_19 4:14:7");
    QTest::newRow("negative") << 0x80000000u << 0u << QStringLiteral("?");
}

void TestEventRegister::timeText()
{
    QFETCH(quint32, timeBase);
    QFETCH(quint32, counter);
    QFETCH(QString, text);
    QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Warsaw"));
    DeviceData data;
    data.image().timeBase = timeBase;
    data.image().entries[3] = makeEntry(counter);
    QCOMPARE(EventRegister::timeText(data.image(), 3), text);
}

void TestEventRegister::beginRead()
{
    RegisterRead read;
    EventRegister::beginRead(read, 77, 4321, 0x24);
    QCOMPARE(read.readIndex, -1);
    std::fill_n(read.entries[9].bytes, 12, 0x5A);
    // Taken only whole: the held register gets the read's entries, position, number,
    // combination and the time base it is given.
    DeviceData data;
    DeviceImage& image = data.image();
    image.readIndex = -2;
    takeRead(image, read, 1'700'000'000);
    QCOMPARE(int(image.writePosition), 77);
    QCOMPARE(int(image.registerFactoryNumber), 4321);
    QCOMPARE(int(image.deviceCombination), 9);
    QCOMPARE(image.timeBase, 1'700'000'000u);
    QCOMPARE(image.entries[9].bytes[11], 0x5A);
    QVERIFY(isComplete(image));
    EventRegister::beginRead(read, 0, 0, 0x23); // circuit 3 variant B: no such combination
    QCOMPARE(int(read.deviceCombination), 0);
}

void TestEventRegister::storeEntries_data()
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

void TestEventRegister::storeEntries()
{
    QFETCH(int, readIndex);
    QFETCH(int, replyBytes);
    QFETCH(int, stored);
    QFETCH(int, readIndexAfter);
    RegisterRead read;
    read.readIndex = readIndex;
    QByteArray reply;
    for (int i = 0; i * 12 < replyBytes; ++i)
        reply += QByteArray(reinterpret_cast<const char*>(makeEntry(1000 + i).bytes), 12);
    reply.truncate(replyBytes);

    QCOMPARE(EventRegister::storeEntries(read, reply), stored);

    QCOMPARE(read.readIndex, readIndexAfter);
    for (int s = 0; s < 256; ++s) {
        const bool inside = s >= readIndex && s < readIndex + stored;
        QCOMPARE(counter(read.entries[s]), inside ? quint32(1000 + s - readIndex) : 0u);
    }
}

void TestEventRegister::statusTimeBase()
{
    DeviceData data;
    DeviceImage& image = data.image();
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

QTEST_GUILESS_MAIN(TestEventRegister)
#include "tst_eventregister.moc"
