#include "model/catalogue.h"
#include "model/devicedata.h"

#include <QTest>

using namespace Catalogue;

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void tables();
    void selector_data();
    void selector();
    void store_data();
    void store();
};

void TestCatalogue::tables()
{
    // Circuit (1..8) and variant (A..D) of combinations 0..15 as the controller numbers them.
    const char pairs[] = "1A1B2A2B2C7A3A7B4A4B4C4D5A5B6A6B";
    for (unsigned c = 0; c < 16; ++c) {
        QCOMPARE(circuitOf(c) + 1, pairs[2 * c] - '0');
        QCOMPARE(char('A' + variantOf(c)), pairs[2 * c + 1]);
    }
    // The mask allows exactly the pairs of the table, each found at its first position.
    const int masks[8] = {0x03, 0x07, 0x01, 0x0F, 0x03, 0x03, 0x03, 0x00};
    for (int circuit = 0; circuit < 8; ++circuit) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool allowed = (masks[circuit] >> variant) & 1;
            QCOMPARE(isVariantAllowed(circuit, variant), allowed);
            const unsigned c = findCombination(circuit, variant);
            QCOMPARE(c != noCombination, allowed);
            if (allowed)
                QVERIFY(circuitOf(c) == circuit && variantOf(c) == variant);
        }
    }
    QCOMPARE(findCombination(6, 1), 7u);
    QCOMPARE(findCombination(6, 0), 5u);
    QCOMPARE(findCombination(2, 1), 16u);
    QVERIFY(!isVariantAllowed(8, 0) && !isVariantAllowed(0, 4) && !isVariantAllowed(-1, 0));
}

void TestCatalogue::selector_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("combination");
    QTest::newRow("0x24 circuit 4 B") << 0x24 << 9;
    QTest::newRow("0x17 circuit 7 A") << 0x17 << 5;
    QTest::newRow("0x26 circuit 6 B") << 0x26 << 15;
    QTest::newRow("0x23 circuit 3 B none") << 0x23 << 0;
    QTest::newRow("0x18 circuit 8 none") << 0x18 << 0;
}

void TestCatalogue::selector()
{
    QFETCH(int, selector);
    QFETCH(int, combination);
    QCOMPARE(int(combinationOfSelector(static_cast<std::uint8_t>(selector))), combination);
}

void TestCatalogue::store_data()
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

void TestCatalogue::store()
{
    QFETCH(int, held);
    QFETCH(int, circuit);
    QFETCH(int, variant);
    QFETCH(int, combination);
    DeviceData data;
    QVERIFY(selectCombination(data, held));
    QVERIFY(!selectCombination(data, 16));

    storeCircuitVariant(data, circuit < 0 ? std::nullopt : std::optional<int>(circuit),
                        variant < 0 ? std::nullopt : std::optional<int>(variant));

    const DeviceImage& image = data.image();
    QCOMPARE(int(image.combinationIndex), combination);
    QCOMPARE(int(image.circuit), circuitOf(combination));
    QCOMPARE(int(image.variant), variantOf(combination));
    QCOMPARE(int(image.deviceCombination), combination);
    QCOMPARE(data.currentLabelSetIndex(), combination);
    QCOMPARE(data.currentFlagOutputSetIndex(), combination);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
