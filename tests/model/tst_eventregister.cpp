#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QTest>

using namespace EventRegister;

namespace {

// An entry with the given counter and state bits set, and a matching check byte.
EventEntry makeEntry(std::uint32_t counter, std::initializer_list<int> bits = {})
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
    e.bytes[11] = checkByte(e);
    return e;
}

QByteArray entryBytes(const EventEntry& e)
{
    return QByteArray(reinterpret_cast<const char*>(e.bytes), sizeof e.bytes);
}

// A device data block with the built-in labels.
struct Fixture {
    DeviceData data;
    Fixture()
    {
        SettingsRecord::applyDefaults(data);
        LabelStore(data, QString(), LogSink()).defaultFill();
    }
    DeviceImage& image() { return data.image(); }
};

} // namespace

class TestEventRegister : public QObject {
    Q_OBJECT

private slots:
    void entryLayout();
    void allZeroEntryFailsCheck();
    void presentationOrder_data();
    void presentationOrder();
    void rowNumberMark();
    void eventTexts_data();
    void eventTexts();
    void predecessorOfRow255();
    void namesFromDeviceCombination();
    void timeText_data();
    void timeText();
    void counterText();
    void deviceLine_data();
    void deviceLine();
    void beginRead();
    void storeEntries();
    void storeEntriesBounds_data();
    void storeEntriesBounds();
    void statusTimeBase();
};

void TestEventRegister::entryLayout()
{
    EventEntry e{};
    const QByteArray bytes = QByteArray::fromHex("10 0E 00 00 01 00 00 00 00 00 80 00");
    std::copy_n(bytes.constData(), 12, e.bytes);
    QCOMPARE(counter(e), 3600u);
    QVERIFY(stateBit(e, 0));
    QVERIFY(stateBit(e, 55));
    QVERIFY(!stateBit(e, 54));
    // 0xAA ^ 0x10 ^ 0x0E ^ 0x01 ^ 0x80 = 0x35
    QCOMPARE(int(checkByte(e)), 0x35);
    QVERIFY(!isEntryValid(e));
    e.bytes[11] = 0x35;
    QVERIFY(isEntryValid(e));
}

void TestEventRegister::allZeroEntryFailsCheck()
{
    QVERIFY(!isEntryValid(EventEntry{}));
}

void TestEventRegister::presentationOrder_data()
{
    QTest::addColumn<int>("writePosition");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("slot");
    QTest::newRow("wp 0 row 0") << 0 << 0 << 255;
    QTest::newRow("wp 0 row 1") << 0 << 1 << 254;
    QTest::newRow("wp 0 row 255") << 0 << 255 << 0;
    QTest::newRow("wp 10 row 0") << 10 << 0 << 9;
    QTest::newRow("wp 10 row 9") << 10 << 9 << 0;
    QTest::newRow("wp 10 row 10") << 10 << 10 << 255;
    QTest::newRow("wp 10 row 255") << 10 << 255 << 10;
}

void TestEventRegister::presentationOrder()
{
    QFETCH(int, writePosition);
    QFETCH(int, row);
    QFETCH(int, slot);
    DeviceData data;
    data.image().writePosition = static_cast<std::uint8_t>(writePosition);
    QCOMPARE(slotOfRow(data.image(), row), slot);
}

void TestEventRegister::rowNumberMark()
{
    Fixture f;
    f.image().writePosition = 0;
    for (int s = 0; s < 256; ++s)
        f.image().entries[s] = makeEntry(s);
    f.image().entries[slotOfRow(f.image(), 16)].bytes[11] ^= 1;
    QCOMPARE(rowNumberText(f.image(), 0), QStringLiteral("1"));
    QCOMPARE(rowNumberText(f.image(), 16), QStringLiteral("17?"));
    QCOMPARE(rowNumberText(f.image(), 255), QStringLiteral("256"));
}

void TestEventRegister::eventTexts_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QString>("text");
    QTest::newRow("bit 3 falls") << QList<int>{3} << QList<int>{} << QStringLiteral("U2 brak_v,");
    QTest::newRow("bits 12 and 14 rise")
        << QList<int>{} << QList<int>{12, 14} << QString::fromUtf8("W1 zał_^,U1 brak_^,");
    QTest::newRow("rise and fall in bit order")
        << QList<int>{0, 40} << QList<int>{2, 40, 54}
        << QString::fromUtf8("U1 jest_v,W2 zał_^,Ster.ręczne_^,");
    QTest::newRow("no change") << QList<int>{5, 17} << QList<int>{5, 17} << QString();
    QTest::newRow("blank name") << QList<int>{} << QList<int>{17} << QStringLiteral(" _^,");
    QTest::newRow("restart alone")
        << QList<int>{} << QList<int>{0, 3, 55} << QStringLiteral("Restart");
    QTest::newRow("restart unchanged")
        << QList<int>{55} << QList<int>{55} << QStringLiteral("Restart");
    QTest::newRow("restart falls")
        << QList<int>{55} << QList<int>{} << QStringLiteral("Restart_v,");
}

void TestEventRegister::eventTexts()
{
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(QString, text);
    Fixture f;
    auto entry = [](const QList<int>& bits) {
        EventEntry e = makeEntry(0);
        for (int k : bits)
            e.bytes[4 + k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
        return e;
    };
    f.image().entries[40] = entry(before);
    f.image().entries[41] = entry(after);
    QCOMPARE(eventText(f.image(), 41), text);
}

void TestEventRegister::predecessorOfRow255()
{
    Fixture f;
    f.image().writePosition = 7; // row 0 shows slot 6, row 255 slot 7
    f.image().entries[6] = makeEntry(0, {12});
    f.image().entries[7] = makeEntry(0, {});
    QCOMPARE(slotOfRow(f.image(), 255), 7);
    QCOMPARE(predecessorSlot(7), 6);
    QCOMPARE(eventText(f.image(), 7), QString::fromUtf8("W1 zał_v,"));
    QCOMPARE(predecessorSlot(0), 255);
    f.image().entries[255] = makeEntry(0, {1});
    QCOMPARE(eventText(f.image(), 0), QString::fromUtf8("W2 wył_v,"));
}

void TestEventRegister::namesFromDeviceCombination()
{
    Fixture f;
    setSlotText(f.image().labelSets[9].signalNames[3], QString::fromUtf8("Zasilanie łącza"));
    f.image().entries[1] = makeEntry(0, {3});
    f.image().deviceCombination = 9;
    QCOMPARE(eventText(f.image(), 1), QString::fromUtf8("Zasilanie łącza_^,"));
    // A combination outside the table never reaches past the label sets.
    f.image().deviceCombination = 200;
    QCOMPARE(eventText(f.image(), 1), QStringLiteral("U2 brak_^,"));
    QCOMPARE(&nameSet(f.image()), &f.image().labelSets[0]);
}

void TestEventRegister::timeText_data()
{
    QTest::addColumn<quint32>("timeBase");
    QTest::addColumn<quint32>("counter");
    QTest::addColumn<QString>("text");
    QTest::newRow("winter") << 1425715500u - 500u << 500u << QStringLiteral("2015_3_7 9:5:0");
    QTest::newRow("summer") << 1435744800u << 0u << QStringLiteral("2015_7_1 12:0:0");
    QTest::newRow("base 0: counter alone") << 0u << 3600u << QStringLiteral("1970_1_1 2:0:0");
    QTest::newRow("wraps modulo 2^32")
        << 0xFFFFFF00u << 0x200u << QStringLiteral("1970_1_1 1:4:16");
    QTest::newRow("clock back: first 2:30")
        << 1792888200u << 0u << QStringLiteral("2026_10_25 2:30:0");
    QTest::newRow("clock back: second 2:30")
        << 1792888200u << 3600u << QStringLiteral("2026_10_25 2:30:0");
    QTest::newRow("largest") << 0x7FFFFFFFu << 0u << QStringLiteral("2038_1_19 4:14:7");
    QTest::newRow("negative") << 0x80000000u << 0u << QStringLiteral("?");
    QTest::newRow("minus one") << 0xFFFFFFFFu << 0u << QStringLiteral("?");
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

void TestEventRegister::counterText()
{
    DeviceData data;
    data.image().entries[0] = makeEntry(4294967295u);
    data.image().entries[1] = makeEntry(0);
    QCOMPARE(EventRegister::counterText(data.image(), 0), QStringLiteral("4294967295"));
    QCOMPARE(EventRegister::counterText(data.image(), 1), QStringLiteral("0"));
}

void TestEventRegister::deviceLine_data()
{
    QTest::addColumn<int>("factoryNumber");
    QTest::addColumn<int>("combination");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << 0 << QString::fromUtf8("Nr Fabryczny: 0, Układ: 1, Wariant: 1");
    QTest::newRow("7B") << 65535 << 7
                        << QString::fromUtf8("Nr Fabryczny: 65535, Układ: 7, Wariant: 2");
    QTest::newRow("4D") << 1234 << 11
                        << QString::fromUtf8("Nr Fabryczny: 1234, Układ: 4, Wariant: 4");
}

void TestEventRegister::deviceLine()
{
    QFETCH(int, factoryNumber);
    QFETCH(int, combination);
    QFETCH(QString, text);
    DeviceData data;
    data.image().registerFactoryNumber = static_cast<std::uint16_t>(factoryNumber);
    data.image().factoryNumber = 999; // the register's number counts, not the held one
    data.image().deviceCombination = static_cast<std::uint8_t>(combination);
    QCOMPARE(EventRegister::deviceLine(data.image()), text);
}

void TestEventRegister::beginRead()
{
    DeviceData data;
    DeviceImage& image = data.image();
    image.liveWritePosition = 77;
    image.writePosition = 3;
    image.factoryNumber = 4321;
    image.deviceSelector = 0x24;
    image.readIndex = -2;
    EventRegister::beginRead(image);
    QCOMPARE(int(image.writePosition), 77);
    QCOMPARE(image.readIndex, -1);
    QCOMPARE(int(image.registerFactoryNumber), 4321);
    QCOMPARE(int(image.deviceCombination), 9);
    QVERIFY(!isComplete(image));

    image.deviceSelector = 0x23; // circuit 3 variant B: no such combination
    EventRegister::beginRead(image);
    QCOMPARE(int(image.deviceCombination), 0);
}

void TestEventRegister::storeEntries()
{
    DeviceData data;
    DeviceImage& image = data.image();
    image.readIndex = 0;
    for (int block = 0; block < 16; ++block) {
        QByteArray reply;
        for (int i = 0; i < 16; ++i)
            reply += entryBytes(makeEntry(block * 16 + i));
        QVERIFY(!isComplete(image));
        QCOMPARE(EventRegister::storeEntries(image, reply), 16);
        QCOMPARE(image.readIndex, (block + 1) * 16);
    }
    QVERIFY(isComplete(image));
    for (int s = 0; s < 256; ++s)
        QCOMPARE(counter(image.entries[s]), quint32(s));
    // Complete: a further reply stores nothing.
    QCOMPARE(EventRegister::storeEntries(image, QByteArray(192, '\x55')), 0);
    QCOMPARE(counter(image.entries[0]), 0u);
    QCOMPARE(image.readIndex, 256);
}

void TestEventRegister::storeEntriesBounds_data()
{
    QTest::addColumn<int>("readIndex");
    QTest::addColumn<int>("replyBytes");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("readIndexAfter");
    QTest::newRow("not read") << -2 << 192 << 0 << -2;
    QTest::newRow("requested") << -1 << 192 << 0 << -1;
    QTest::newRow("complete") << 256 << 192 << 0 << 256;
    QTest::newRow("beyond") << 1000 << 192 << 0 << 1000;
    QTest::newRow("near the end") << 250 << 192 << 6 << 266;
    QTest::newRow("last whole block") << 240 << 192 << 16 << 256;
    QTest::newRow("partial entry dropped") << 32 << 12 * 3 + 5 << 3 << 35;
    QTest::newRow("too long") << 0 << 12 * 20 << 16 << 16;
    QTest::newRow("empty") << 16 << 0 << 0 << 16;
}

void TestEventRegister::storeEntriesBounds()
{
    QFETCH(int, readIndex);
    QFETCH(int, replyBytes);
    QFETCH(int, stored);
    QFETCH(int, readIndexAfter);
    DeviceData data;
    DeviceImage& image = data.image();
    image.readIndex = readIndex;
    const QByteArray reply(replyBytes, '\x5A');
    QCOMPARE(EventRegister::storeEntries(image, reply), stored);
    QCOMPARE(image.readIndex, readIndexAfter);
    int written = 0;
    for (const EventEntry& e : image.entries)
        written += e.bytes[0] == 0x5A;
    QCOMPARE(written, stored);
    // Whatever lies after the register is untouched.
    for (std::uint8_t b : image.rowEntry)
        QCOMPARE(int(b), 0);
}

void TestEventRegister::statusTimeBase()
{
    DeviceData data;
    DeviceImage& image = data.image();
    resetReadState(image);
    QCOMPARE(image.readIndex, -2);
    applyStatus(image, 3600, 12, 1'700'000'000);
    QCOMPARE(image.timeBase, 1'700'000'000u - 3600u);
    QCOMPARE(int(image.liveWritePosition), 12);
    // Later answers keep the base, even after the controller's counter restarted.
    applyStatus(image, 5, 13, 1'700'000'100);
    QCOMPARE(image.timeBase, 1'700'000'000u - 3600u);
    QCOMPARE(int(image.liveWritePosition), 13);
    // A counter larger than the clock wraps modulo 2^32.
    resetReadState(image);
    applyStatus(image, 0xFFFFFFFFu, 0, 10);
    QCOMPARE(image.timeBase, 11u);
}

QTEST_GUILESS_MAIN(TestEventRegister)
#include "tst_eventregister.moc"
