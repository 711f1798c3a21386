#include "model/textcodec.h"
#include "pagefixture.h"
#include "pages/cbinary.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <numeric>

class TestCBinary : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.reset(); }

    void records_data();
    void records();
    void outputChoice();
    void names();

private:
    std::uint8_t& byte(int offset) { return m_fixture->data().image().settings.bytes[offset]; }
    char* name(int slot) { return m_fixture->data().currentFlagOutputSet().names[slot]; }
    void click(int slot) { QTest::mouseClick(m_page->bitBox(slot), Qt::LeftButton); }
    QList<int> checkedSlots() const;

    std::unique_ptr<PageFixture> m_fixture;
    CBinary* m_page = nullptr;
};

void TestCBinary::init()
{
    m_fixture = std::make_unique<PageFixture>();
    m_page = m_fixture->page<CBinary>();
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

void TestCBinary::records_data()
{
    // Record bytes 2, 3, 11, 12 (flags 16..23, outputs, flags 0..7, flags 8..15),
    // slots without a name, boxes clicked; boxes checked then, bytes stored.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("unnamed");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("defaults") << QByteArray("00012f02") << QList<int>{} << QList<int>{}
                              << QList<int>{0, 1, 2, 3, 5, 9, 24} << QByteArray("00012f02");
    QTest::newRow("a flag of each byte")
        << QByteArray("00012f02") << QList<int>{} << QList<int>{0, 9, 16, 23}
        << QList<int>{1, 2, 3, 5, 16, 23, 24} << QByteArray("81012e00");
    QTest::newRow("several outputs kept") << QByteArray("00050000") << QList<int>{} << QList<int>{}
                                          << QList<int>{24, 26} << QByteArray("00050000");
    QTest::newRow("unnamed set bit passes")
        << QByteArray("00014000") << QList<int>{6} << QList<int>{5, 6, 7} << QList<int>{5, 6, 7, 24}
        << QByteArray("0001e000");
    QTest::newRow("unnamed clear bit passes")
        << QByteArray("80000000") << QList<int>{22, 23} << QList<int>{21, 22} << QList<int>{21, 23}
        << QByteArray("a0000000");
    QList<int> all(flagOutputSlotCount);
    std::iota(all.begin(), all.end(), 0);
    QTest::newRow("no names at all")
        << QByteArray("a5ff5aa5") << all << all
        << QList<int>{1, 3, 4, 6, 8, 10, 13, 15, 16, 18, 21, 23} + all.mid(24)
        << QByteArray("a5ff5aa5");
}

void TestCBinary::records()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, unnamed);
    QFETCH(QList<int>, clicks);
    const int offsets[] = {2, 3, 11, 12};
    const QByteArray raw = QByteArray::fromHex(bytes);
    for (int i = 0; i < 4; ++i)
        byte(offsets[i]) = std::uint8_t(raw[i]);
    for (int slot : unnamed)
        setSlotText(name(slot), wideSlot, QString());

    QVERIFY(m_fixture->show(m_page));
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        QCOMPARE(m_page->bitBox(slot)->isEnabled(), !unnamed.contains(slot));
    for (int slot : clicks)
        click(slot);
    QTEST(checkedSlots(), "checked");
    QVERIFY(m_fixture->leave());
    QByteArray result;
    for (int offset : offsets)
        result += char(byte(offset));
    QTEST(result.toHex(), "stored");
}

void TestCBinary::outputChoice()
{
    m_fixture->setLocked(false);
    byte(3) = 0x85;
    setSlotText(name(31), wideSlot, QString()); // output 7 has no name
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->nameEdit(30), "Sygnał awarii");
    // Box 1085: the only output checked, also over the unnamed one; a second click
    // keeps it; names typed before the click survive it.
    click(27);
    click(27);
    QCOMPARE(checkedSlots(), (QList<int>{0, 1, 2, 3, 5, 9, 27}));
    QCOMPARE(m_page->nameEdit(30)->text(), QString("Sygnał awarii"));
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(byte(3)), 0x08);
    QCOMPARE(QByteArray(name(30)), "Sygna\xB3 awarii");
}

void TestCBinary::names()
{
    // Locked: names are read-only, the boxes of named bits still toggle.
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->nameEdit(4), "x");
    QCOMPARE(m_page->nameEdit(4)->text(), QString("Default text 5"));
    click(4);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(byte(11)), 0x3F);

    // A cleared name is stored and disables its box from the next visit on.
    m_fixture->setLocked(false);
    QVERIFY(m_fixture->show(m_page));
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

QTEST_MAIN(TestCBinary)
#include "tst_cbinary.moc"
