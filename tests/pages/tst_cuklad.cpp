#include "model/catalogue.h"
#include "model/textcodec.h"
#include "pagefixture.h"
#include "pages/cuklad.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

class TestCUklad : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.reset(); }

    void choices_data();
    void choices();
    void online();
    void descriptions();

private:
    DeviceImage& image() { return m_fixture->data().image(); }
    // "3 A" for circuit 3 with variant A checked, "- -" for none; "[AB]" the variants
    // that can be clicked.
    QString shown() const;
    void click(const QString& step);

    std::unique_ptr<PageFixture> m_fixture;
    CUklad* m_page = nullptr;
};

void TestCUklad::init()
{
    m_fixture = std::make_unique<PageFixture>();
    m_page = m_fixture->page<CUklad>();
}

QString TestCUklad::shown() const
{
    QString circuits, variants, enabled;
    for (int c = 0; c < circuitCount; ++c) {
        if (m_page->circuitBox(c)->isChecked())
            circuits += QString::number(c + 1);
    }
    for (int v = 0; v < variantCount; ++v) {
        if (m_page->variantBox(v)->isChecked())
            variants += QChar('A' + v);
        if (m_page->variantBox(v)->isEnabled())
            enabled += QChar('A' + v);
    }
    return (circuits.isEmpty() ? "-" : circuits) + ' ' + (variants.isEmpty() ? "-" : variants) +
           " [" + enabled + ']';
}

void TestCUklad::click(const QString& step)
{
    QCheckBox* box = step[0].isDigit() ? m_page->circuitBox(step.toInt() - 1)
                                       : m_page->variantBox(step[0].unicode() - 'A');
    QTest::mouseClick(box, Qt::LeftButton);
}

void TestCUklad::choices_data()
{
    // Combination held, clicks ("7" circuit 7, "B" variant B), what the page shows
    // then, and the combination stored when it is left.
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("combination");
    QTest::newRow("defaults") << 0 << QStringList{} << "1 A [AB]" << 0;
    QTest::newRow("circuit 7 B") << 0 << QStringList{"7", "B"} << "7 B [AB]" << 7;
    QTest::newRow("circuit 7 A") << 0 << QStringList{"7"} << "7 A [AB]" << 5;
    QTest::newRow("circuit 3") << 9 << QStringList{"3"} << "3 A [A]" << 6;
    QTest::newRow("circuit 4 D, clicked twice")
        << 0 << QStringList{"4", "D", "D"} << "4 D [ABCD]" << 11;
    QTest::newRow("circuit 8 dropped") << 9 << QStringList{"8", "A"} << "8 - []" << 9;
    QTest::newRow("re-click keeps the circuit") << 0 << QStringList{"1", "B"} << "- B [AB]" << 1;
    QTest::newRow("re-click, variant lacking")
        << 6 << QStringList{"4", "4", "C"} << "- C [ABCD]" << 6;
    QTest::newRow("variant only") << 8 << QStringList{"C"} << "4 C [ABCD]" << 10;
}

void TestCUklad::choices()
{
    QFETCH(int, start);
    QFETCH(QStringList, clicks);
    QFETCH(int, combination);
    Catalogue::selectCombination(m_fixture->data(), unsigned(start));
    QVERIFY(m_fixture->show(m_page));
    for (const QString& step : clicks)
        click(step);
    QTEST(shown(), "page");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(image().combinationIndex), combination);
    QCOMPARE(int(image().deviceCombination), combination);
    QCOMPARE(m_fixture->data().currentFlagOutputSetIndex(), combination);
    QVERIFY(m_fixture->data().settingsValid);
    // The next visit shows the pair of the stored combination.
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(shown().left(3), QString("%1 %2")
                                  .arg(Catalogue::circuitOf(unsigned(combination)) + 1)
                                  .arg(QChar('A' + Catalogue::variantOf(unsigned(combination)))));
}

void TestCUklad::online()
{
    Catalogue::selectCombination(m_fixture->data(), 8);
    m_fixture->setConnected(true);
    for (bool locked : {true, false}) {
        m_fixture->setLocked(locked);
        QVERIFY(m_fixture->show(m_page));
        QCOMPARE(shown(), QString("4 A []"));
        for (int c = 0; c < circuitCount; ++c)
            QVERIFY(!m_page->circuitBox(c)->isEnabled());
        QCOMPARE(m_page->circuitEdit(3)->isReadOnly(), locked);
        QVERIFY(m_fixture->leave());
    }
    m_fixture->setConnected(false);
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(shown(), QString("4 A [ABCD]"));
    QVERIFY(m_page->circuitBox(0)->isEnabled());
}

void TestCUklad::descriptions()
{
    setSlotText(image().labelSets[7].variantDescriptions[0], narrowSlot, "Siódmy A");
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(m_page->variantEdit(0)->isReadOnly());
    QVERIFY(m_fixture->leave());

    m_fixture->setLocked(false);
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->circuitEdit(7), "Rezerwa II");
    PageFixture::type(m_page->variantEdit(0), "Przełączanie ręczne");
    PageFixture::type(m_page->variantEdit(2), QString(40, QChar(u'ż')));
    // Typed text survives the clicks; the choice moves to combination 7, but the
    // variant texts go back to combination 0's set, where they came from.
    click("7");
    click("B");
    QCOMPARE(m_page->circuitEdit(7)->text(), QString("Rezerwa II"));
    QCOMPARE(m_page->variantEdit(0)->text(), QString("Przełączanie ręczne"));
    QVERIFY(m_fixture->leave());
    QCOMPARE(image().combinationIndex, 7u);
    QCOMPARE(QByteArray(image().labelSets[7].circuitDescription), "Rezerwa II");
    QCOMPARE(QByteArray(image().labelSets[0].variantDescriptions[0]), "Prze\xB3\xB9"
                                                                      "czanie r\xEA"
                                                                      "czne");
    QCOMPARE(QByteArray(image().labelSets[0].variantDescriptions[2], narrowSlot),
             QByteArray(31, '\xBF') + '\0');
    QCOMPARE(slotText(image().labelSets[7].variantDescriptions[0]), QString("Siódmy A"));

    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->variantEdit(0)->text(), QString("Siódmy A"));
}

QTEST_MAIN(TestCUklad)
#include "tst_cuklad.moc"
