#include "model/textcodec.h"
#include "pagefixture.h"
#include "pages/cbinary.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <cstring>

class TestCBinary : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaults();
    void records_data();
    void records();
    void outputChoice();
    void namesAndLock();
    void emptyLabelSets();

private:
    std::uint8_t& byte(int offset) { return m_fixture->data().image().settings.bytes[offset]; }
    char* name(int slot) { return m_fixture->data().currentFlagOutputSet().names[slot]; }
    QList<int> checkedSlots() const;

    PageFixture* m_fixture = nullptr;
    CBinary* m_page = nullptr;
};

void TestCBinary::init()
{
    m_fixture = new PageFixture;
    m_page = new CBinary(*m_fixture);
    m_fixture->addPage(m_page);
}

void TestCBinary::cleanup()
{
    delete m_page;
    delete m_fixture;
}

QList<int> TestCBinary::checkedSlots() const
{
    QList<int> list;
    for (int slot = 0; slot < flagOutputSlotCount; ++slot) {
        if (m_page->bitBox(slot)->isChecked())
            list << slot;
    }
    return list;
}

void TestCBinary::defaults()
{
    QVERIFY(m_fixture->show(m_page));
    // Boxes 1001..1004, 1006, 1010 and output box 1082.
    QCOMPARE(checkedSlots(), (QList<int>{0, 1, 2, 3, 5, 9, 24}));
    for (int slot = 0; slot < flagOutputSlotCount; ++slot) {
        QVERIFY(m_page->bitBox(slot)->isEnabled());
        QCOMPARE(m_page->nameEdit(slot)->text(), QString("Default text %1").arg(slot + 1));
    }
    QCOMPARE(m_page->bitBox(0)->accessibleName(), QString("Zezwolenie na SZR"));
    QCOMPARE(m_page->bitBox(11)->accessibleName(), QString("Odciążanie toru 4"));
}

void TestCBinary::records_data()
{
    // Record bytes 2, 3, 11, 12 (flags 16..23, outputs, flags 0..7, flags 8..15).
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("emptyNames");
    QTest::addColumn<QList<int>>("clicked");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("defaults unchanged")
        << QByteArray::fromHex("00012f02") << QList<int>{} << QList<int>{}
        << QList<int>{0, 1, 2, 3, 5, 9, 24} << QByteArray::fromHex("00012f02");
    QTest::newRow("a flag of each byte toggled")
        << QByteArray::fromHex("00012f02") << QList<int>{} << QList<int>{0, 9, 16, 23}
        << QList<int>{1, 2, 3, 5, 16, 23, 24} << QByteArray::fromHex("81012e00");
    QTest::newRow("several output bits kept")
        << QByteArray::fromHex("00050000") << QList<int>{} << QList<int>{} << QList<int>{24, 26}
        << QByteArray::fromHex("00050000");
    QTest::newRow("set bit without a name passes")
        << QByteArray::fromHex("00014000") << QList<int>{6} << QList<int>{5, 7}
        << QList<int>{5, 6, 7, 24} << QByteArray::fromHex("0001e000");
    QTest::newRow("clear bit without a name passes")
        << QByteArray::fromHex("80000000") << QList<int>{22, 23, 31} << QList<int>{21}
        << QList<int>{21, 23} << QByteArray::fromHex("a0000000");
    QTest::newRow("every flag name empty")
        << QByteArray::fromHex("a5015aa5")
        << QList<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                      12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}
        << QList<int>{} << QList<int>{1, 3, 4, 6, 8, 10, 13, 15, 16, 18, 21, 23, 24}
        << QByteArray::fromHex("a5015aa5");
}

void TestCBinary::records()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, emptyNames);
    QFETCH(QList<int>, clicked);
    QFETCH(QList<int>, checked);
    QFETCH(QByteArray, stored);
    const int offsets[] = {2, 3, 11, 12};
    for (int i = 0; i < 4; ++i)
        byte(offsets[i]) = static_cast<std::uint8_t>(bytes[i]);
    for (int slot : emptyNames)
        setSlotText(name(slot), wideSlot, QString());

    m_page->show();
    QVERIFY(m_fixture->show(m_page));
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        QCOMPARE(m_page->bitBox(slot)->isEnabled(), !emptyNames.contains(slot));
    for (int slot : clicked)
        QTest::mouseClick(m_page->bitBox(slot), Qt::LeftButton);
    QCOMPARE(checkedSlots(), checked);
    QVERIFY(m_fixture->leave());

    QByteArray result;
    for (int offset : offsets)
        result += char(byte(offset));
    QCOMPARE(result.toHex(), stored.toHex());
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCBinary::outputChoice()
{
    byte(3) = 0x05;
    m_fixture->lockedFlag = false;
    m_page->show();
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->nameEdit(30), "Sygnał awarii");

    // Box 1085 (output 3): the only output left checked; typed names survive the click.
    QTest::mouseClick(m_page->bitBox(27), Qt::LeftButton);
    QCOMPARE(checkedSlots(), (QList<int>{0, 1, 2, 3, 5, 9, 27}));
    QCOMPARE(m_page->nameEdit(30)->text(), QString("Sygnał awarii"));
    // A second click on the chosen output keeps it chosen.
    QTest::mouseClick(m_page->bitBox(27), Qt::LeftButton);
    QVERIFY(m_page->bitBox(27)->isChecked());
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(byte(3)), 0x08);
    QCOMPARE(QByteArray(name(30)), QByteArray("Sygna\xB3 awarii"));

    // The choice clears outputs whose boxes are disabled as well: one item is chosen.
    byte(3) = 0x81;
    setSlotText(name(31), wideSlot, QString());
    QVERIFY(m_fixture->show(m_page));
    QTest::mouseClick(m_page->bitBox(25), Qt::LeftButton);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(byte(3)), 0x02);
}

void TestCBinary::namesAndLock()
{
    m_page->show();
    QVERIFY(m_fixture->show(m_page));
    // Locked: names are read-only, boxes of named bits still toggle.
    QVERIFY(m_page->nameEdit(4)->isReadOnly());
    PageFixture::type(m_page->nameEdit(4), "x");
    QCOMPARE(m_page->nameEdit(4)->text(), QString("Default text 5"));
    QTest::mouseClick(m_page->bitBox(4), Qt::LeftButton);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(byte(11)), 0x3F);

    // Unlocked: a cleared name is stored, and its box is disabled from the next visit.
    m_fixture->lockedFlag = false;
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(!m_page->nameEdit(4)->isReadOnly());
    PageFixture::type(m_page->nameEdit(4), "");
    QVERIFY(m_page->bitBox(4)->isEnabled());
    PageFixture::type(m_page->nameEdit(12), QString(120, QChar(u'ś')));
    QVERIFY(m_fixture->leave());
    QCOMPARE(name(4)[0], '\0');
    QCOMPARE(QByteArray(name(12), wideSlot), QByteArray(95, '\x9C') + '\0');
    QCOMPARE(slotText(name(13), wideSlot), QString("Default text 14"));
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(!m_page->bitBox(4)->isEnabled());
    QVERIFY(m_page->bitBox(4)->isChecked());
}

void TestCBinary::emptyLabelSets()
{
    // A label file without flag and output names: every box is disabled and every bit
    // passes through, whatever the combination.
    auto& sets = m_fixture->data().image().flagOutputLabelSets;
    std::memset(sets, 0, sizeof sets);
    byte(3) = 0xFF;
    QVERIFY(m_fixture->show(m_page));
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        QVERIFY(!m_page->bitBox(slot)->isEnabled());
    QVERIFY(m_fixture->leave());
    const auto& bytes = m_fixture->data().image().settings.bytes;
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 16).toHex(),
             QByteArray("000000ff65bd333d1565952f02060021"));
}

QTEST_MAIN(TestCBinary)
#include "tst_cbinary.moc"
