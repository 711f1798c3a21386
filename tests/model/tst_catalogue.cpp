#include "model/catalogue.h"
#include "model/devicedata.h"

#include <QTest>

using namespace Catalogue;

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void table_data();
    void table();
    void everyAllowedPairOnce();
    void findCombination_data();
    void findCombination();
    void selector_data();
    void selector();
    void selectCombination();
    void store_data();
    void store();
};

// Circuit and variant as shown (1..8, A..D), per combination.
void TestCatalogue::table_data()
{
    QTest::addColumn<int>("combination");
    QTest::addColumn<int>("circuit");
    QTest::addColumn<QChar>("variant");
    const char* rows[] = {"1A", "1B", "2A", "2B", "2C", "7A", "3A", "7B",
                          "4A", "4B", "4C", "4D", "5A", "5B", "6A", "6B"};
    for (int c = 0; c < 16; ++c)
        QTest::addRow("%d", c) << c << (rows[c][0] - '0') << QChar(rows[c][1]);
}

void TestCatalogue::table()
{
    QFETCH(int, combination);
    QFETCH(int, circuit);
    QFETCH(QChar, variant);
    QCOMPARE(circuitOf(combination) + 1, circuit);
    QCOMPARE(QChar(u'A' + variantOf(combination)), variant);
}

void TestCatalogue::everyAllowedPairOnce()
{
    const int masks[8] = {0x03, 0x07, 0x01, 0x0F, 0x03, 0x03, 0x03, 0x00};
    int allowed = 0;
    for (int circuit = 0; circuit < 8; ++circuit) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool inMask = (masks[circuit] >> variant) & 1;
            QCOMPARE(isVariantAllowed(circuit, variant), inMask);
            int found = 0;
            for (unsigned c = 0; c < 16; ++c)
                found += circuitOf(c) == circuit && variantOf(c) == variant;
            QCOMPARE(found, inMask ? 1 : 0);
            allowed += inMask;
        }
    }
    QCOMPARE(allowed, 16);
    QVERIFY(!isVariantAllowed(8, 0));
    QVERIFY(!isVariantAllowed(0, 4));
    QVERIFY(!isVariantAllowed(-1, 0));
}

void TestCatalogue::findCombination_data()
{
    QTest::addColumn<int>("circuit");
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("combination");
    QTest::newRow("7B") << 6 << 1 << 7;
    QTest::newRow("7A") << 6 << 0 << 5;
    QTest::newRow("3A") << 2 << 0 << 6;
    QTest::newRow("4D") << 3 << 3 << 11;
    QTest::newRow("3B none") << 2 << 1 << 16;
    QTest::newRow("8A none") << 7 << 0 << 16;
    QTest::newRow("negative") << -1 << -1 << 16;
}

void TestCatalogue::findCombination()
{
    QFETCH(int, circuit);
    QFETCH(int, variant);
    QFETCH(int, combination);
    QCOMPARE(int(Catalogue::findCombination(circuit, variant)), combination);
}

void TestCatalogue::selector_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("combination");
    QTest::newRow("0x24 circuit 4 B") << 0x24 << 9;
    QTest::newRow("0x00") << 0x00 << 0;
    QTest::newRow("0x17 circuit 7 A") << 0x17 << 5;
    QTest::newRow("0x27 circuit 7 B") << 0x27 << 7;
    QTest::newRow("0x26 circuit 6 B") << 0x26 << 15;
    QTest::newRow("0x23 circuit 3 B none") << 0x23 << 0;
    QTest::newRow("0x18 circuit 8 none") << 0x18 << 0;
    QTest::newRow("0xFF") << 0xFF << 0;
}

void TestCatalogue::selector()
{
    QFETCH(int, selector);
    QFETCH(int, combination);
    QCOMPARE(int(combinationOfSelector(static_cast<std::uint8_t>(selector))), combination);
}

void TestCatalogue::selectCombination()
{
    DeviceData data;
    QVERIFY(Catalogue::selectCombination(data, 6));
    QCOMPARE(data.image().combinationIndex, 6u);
    QCOMPARE(int(data.image().circuit), 2);
    QCOMPARE(int(data.image().variant), 0);
    QCOMPARE(data.currentLabelSetIndex(), 6);
    QCOMPARE(data.currentFlagOutputSetIndex(), 6);

    QVERIFY(!Catalogue::selectCombination(data, 16));
    QCOMPARE(data.image().combinationIndex, 6u);
    QCOMPARE(data.currentLabelSetIndex(), 6);
}

void TestCatalogue::store_data()
{
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("circuit"); // -1: left unchosen
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("combination");
    QTest::newRow("7B") << 0 << 6 << 1 << 7;
    QTest::newRow("7A") << 0 << 6 << 0 << 5;
    QTest::newRow("3B keeps the held pair") << 9 << 2 << 1 << 9;
    QTest::newRow("8A never stored") << 12 << 7 << 0 << 12;
    QTest::newRow("8 unchosen variant") << 3 << 7 << -1 << 3;
    QTest::newRow("variant only") << 8 << -1 << 3 << 11;
    QTest::newRow("circuit only keeps variant") << 1 << 4 << -1 << 13;
    QTest::newRow("nothing chosen") << 14 << -1 << -1 << 14;
}

void TestCatalogue::store()
{
    QFETCH(int, held);
    QFETCH(int, circuit);
    QFETCH(int, variant);
    QFETCH(int, combination);
    DeviceData data;
    Catalogue::selectCombination(data, held);
    data.image().deviceCombination = 0;

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
