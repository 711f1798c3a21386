#include "model/eventregister.h"
#include "sim/eventsimulator.h"

#include <QTest>

namespace {

bool bit(const EventEntry& entry, int k)
{
    return (entry.bytes[4 + k / 8] >> (k % 8)) & 1;
}

bool sealed(const EventEntry& entry)
{
    std::uint8_t check = 0xAA;
    for (int i = 0; i < 11; ++i)
        check ^= entry.bytes[i];
    return check == entry.bytes[11];
}

} // namespace

class TestEventSimulator : public QObject {
    Q_OBJECT

private slots:
    void entryLayout();
    void seededRing_data();
    void seededRing();
    void historyReadsLikeASwitchgear();
    void sameSeedSameRegister();
};

void TestEventSimulator::entryLayout()
{
    // Counter little-endian, state bit k in byte 4 + k / 8, check = AA ^ bytes 0..10.
    const EventEntry e = EventSimulator::makeEntry(0x01020304, (std::uint64_t(1) << 55) | 0x5001);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(e.bytes), 12).toHex(),
             QByteArray("0403020101500000000080") + "7f");
    QCOMPARE(EventRegister::counter(e), 0x01020304u);
}

void TestEventSimulator::seededRing_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("badChecks");
    QTest::addColumn<std::uint32_t>("endCounter");
    QTest::newRow("wrapped ring") << 300 << 3 << 20'000'000u;
    QTest::newRow("part filled") << 40 << 0 << 20'000'000u;
    QTest::newRow("young counter squeezes history") << 256 << 5 << 5000u;
}

void TestEventSimulator::seededRing()
{
    QFETCH(int, count);
    QFETCH(int, badChecks);
    QFETCH(std::uint32_t, endCounter);
    EventSimulator simulator(42);
    const SeededRegister seeded = seedRegister(simulator, count, badChecks, endCounter);
    QCOMPARE(int(seeded.writePosition), count % entryCount);

    const int held = std::min(count, entryCount);
    int spoiled = 0;
    std::uint32_t previous = 0;
    // Oldest to newest: the slot at the write position is the oldest once the ring wrapped.
    const int oldest = count > entryCount ? seeded.writePosition : 0;
    for (int i = 0; i < held; ++i) {
        const EventEntry& e = seeded.entries[(oldest + i) % entryCount];
        spoiled += sealed(e) ? 0 : 1;
        const std::uint32_t counter = EventRegister::counter(e);
        QVERIFY2(counter >= previous, qPrintable(QString::number(i)));
        QVERIFY(counter < endCounter);
        previous = counter;
    }
    QCOMPARE(spoiled, badChecks);
    for (int slot = held; slot < entryCount; ++slot)
        QVERIFY(!sealed(seeded.entries[slot])); // never written: all zero
}

void TestEventSimulator::historyReadsLikeASwitchgear()
{
    EventSimulator simulator(7);
    const SeededRegister seeded = seedRegister(simulator, 256, 0, 20'000'000);
    int transfers = 0;
    int losses = 0;
    int restarts = 0;
    for (int i = 0; i < entryCount; ++i) {
        const EventEntry& e = seeded.entries[i];
        const EventEntry& before = seeded.entries[(i + entryCount - 1) % entryCount];
        if (bit(e, 55)) {
            ++restarts;
            continue;
        }
        // A supply is present or absent, a breaker closed or open, never both.
        QVERIFY(bit(e, 0) != bit(e, 14));
        QVERIFY(bit(e, 13) != bit(e, 3));
        QVERIFY(bit(e, 12) != bit(e, 15));
        QVERIFY(bit(e, 2) != bit(e, 1));
        losses += (bit(before, 0) && !bit(e, 0)) ? 1 : 0;
        transfers += (!bit(before, 40) && bit(e, 40)) ? 1 : 0;
    }
    QVERIFY(transfers >= 3);
    QVERIFY(losses > transfers);
    QVERIFY(restarts >= 1);
}

void TestEventSimulator::sameSeedSameRegister()
{
    EventSimulator a(5);
    EventSimulator b(5);
    EventSimulator c(6);
    const auto ra = seedRegister(a, 300, 3, 1'000'000);
    const auto rb = seedRegister(b, 300, 3, 1'000'000);
    const auto rc = seedRegister(c, 300, 3, 1'000'000);
    QVERIFY(std::memcmp(ra.entries.data(), rb.entries.data(), registerSize) == 0);
    QVERIFY(std::memcmp(ra.entries.data(), rc.entries.data(), registerSize) != 0);
}

QTEST_GUILESS_MAIN(TestEventSimulator)
#include "tst_eventsimulator.moc"
