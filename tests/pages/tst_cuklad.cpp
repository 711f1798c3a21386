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
    void cleanup();

    void defaults();
    void choices_data();
    void choices();
    void clickRules();
    void online();
    void descriptions();
    void variantTextsStayInTheirSet();

private:
    DeviceImage& image() { return m_fixture->data().image(); }
    QList<int> checkedCircuits() const;
    QList<int> checkedVariants() const;
    QList<int> enabledVariants() const;
    void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton); }

    PageFixture* m_fixture = nullptr;
    CUklad* m_page = nullptr;
};

void TestCUklad::init()
{
    m_fixture = new PageFixture;
    m_page = new CUklad(*m_fixture);
    m_fixture->addPage(m_page);
    m_page->show();
}

void TestCUklad::cleanup()
{
    delete m_page;
    delete m_fixture;
}

QList<int> TestCUklad::checkedCircuits() const
{
    QList<int> list;
    for (int c = 0; c < circuitCount; ++c) {
        if (m_page->circuitBox(c)->isChecked())
            list << c + 1;
    }
    return list;
}

QList<int> TestCUklad::checkedVariants() const
{
    QList<int> list;
    for (int v = 0; v < variantCount; ++v) {
        if (m_page->variantBox(v)->isChecked())
            list << v;
    }
    return list;
}

QList<int> TestCUklad::enabledVariants() const
{
    QList<int> list;
    for (int v = 0; v < variantCount; ++v) {
        if (m_page->variantBox(v)->isEnabled())
            list << v;
    }
    return list;
}

void TestCUklad::defaults()
{
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(checkedCircuits(), QList<int>{1});
    QCOMPARE(checkedVariants(), QList<int>{0});
    QCOMPARE(enabledVariants(), (QList<int>{0, 1}));
    QCOMPARE(m_page->circuitBox(6)->text(), QString("Układ7"));
    QCOMPARE(m_page->circuitEdit(0)->text(),
             QString("Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)"));
    QCOMPARE(m_page->circuitEdit(7)->text(), QString("Rezerwa"));
    QCOMPARE(m_page->variantEdit(3)->text(), QString("Wariant D"));
    QVERIFY(m_page->circuitEdit(0)->isReadOnly());
    QVERIFY(m_page->variantEdit(0)->isReadOnly());
    QVERIFY(m_fixture->leave());
    QCOMPARE(image().combinationIndex, 0u);
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCUklad::choices_data()
{
    // Start combination, clicks ("c3" circuit 3, "vB" variant B), then what is stored.
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("combination");
    QTest::addColumn<int>("circuit");
    QTest::addColumn<int>("variant");
    QTest::newRow("circuit 7 B") << 0 << QStringList{"c7", "vB"} << 7 << 6 << 1;
    QTest::newRow("circuit 7 A") << 0 << QStringList{"c7"} << 5 << 6 << 0;
    QTest::newRow("circuit 4 D") << 0 << QStringList{"c4", "vD"} << 11 << 3 << 3;
    QTest::newRow("circuit 3") << 9 << QStringList{"c3"} << 6 << 2 << 0;
    QTest::newRow("circuit 8 dropped") << 9 << QStringList{"c8"} << 9 << 3 << 1;
    QTest::newRow("circuit 8 twice, variant boxes dead")
        << 12 << QStringList{"c8", "c8", "vB"} << 12 << 4 << 0;
    QTest::newRow("re-click keeps circuit, variant chosen")
        << 0 << QStringList{"c1", "vB"} << 1 << 0 << 1;
    QTest::newRow("re-click, variant the circuit lacks")
        << 6 << QStringList{"c3", "c4", "c4", "vC"} << 6 << 2 << 0;
    QTest::newRow("variant only") << 8 << QStringList{"vC"} << 10 << 3 << 2;
}

void TestCUklad::choices()
{
    QFETCH(int, start);
    QFETCH(QStringList, clicks);
    QFETCH(int, combination);
    QFETCH(int, circuit);
    QFETCH(int, variant);
    Catalogue::selectCombination(m_fixture->data(), static_cast<unsigned>(start));
    QVERIFY(m_fixture->show(m_page));
    for (const QString& step : clicks) {
        const int n = step.mid(1).toInt();
        click(step[0] == 'c' ? m_page->circuitBox(n - 1)
                             : m_page->variantBox(step[1].unicode() - 'A'));
    }
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(image().combinationIndex), combination);
    QCOMPARE(int(image().circuit), circuit);
    QCOMPARE(int(image().variant), variant);
    QCOMPARE(int(image().deviceCombination), combination);
    QCOMPARE(m_fixture->data().currentLabelSetIndex(), combination);
    QCOMPARE(m_fixture->data().currentFlagOutputSetIndex(), combination);
    // The next visit shows the stored pair.
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(checkedCircuits(), QList<int>{circuit + 1});
    QCOMPARE(checkedVariants(), QList<int>{variant});
}

void TestCUklad::clickRules()
{
    QVERIFY(m_fixture->show(m_page));
    click(m_page->circuitBox(2));
    QCOMPARE(checkedCircuits(), QList<int>{3});
    QCOMPARE(checkedVariants(), QList<int>{0});
    QCOMPARE(enabledVariants(), QList<int>{0});

    click(m_page->circuitBox(3));
    QCOMPARE(checkedCircuits(), QList<int>{4});
    QCOMPARE(enabledVariants(), (QList<int>{0, 1, 2, 3}));
    click(m_page->variantBox(2));
    click(m_page->variantBox(2));
    QCOMPARE(checkedVariants(), QList<int>{2});

    click(m_page->circuitBox(7));
    QCOMPARE(checkedCircuits(), QList<int>{8});
    QCOMPARE(checkedVariants(), QList<int>{});
    QCOMPARE(enabledVariants(), QList<int>{});

    // A second click on the checked circuit leaves none checked.
    click(m_page->circuitBox(1));
    click(m_page->circuitBox(1));
    QCOMPARE(checkedCircuits(), QList<int>{});
    QCOMPARE(checkedVariants(), QList<int>{0});
    QCOMPARE(enabledVariants(), (QList<int>{0, 1, 2}));
}

void TestCUklad::online()
{
    Catalogue::selectCombination(m_fixture->data(), 8);
    for (bool locked : {true, false}) {
        m_fixture->lockedFlag = locked;
        m_fixture->connected = true;
        QVERIFY(m_fixture->show(m_page));
        for (int c = 0; c < circuitCount; ++c)
            QVERIFY(!m_page->circuitBox(c)->isEnabled());
        QCOMPARE(enabledVariants(), QList<int>{});
        QCOMPARE(checkedCircuits(), QList<int>{4});
        QCOMPARE(checkedVariants(), QList<int>{0});
        QCOMPARE(m_page->circuitEdit(3)->isReadOnly(), locked);
        QVERIFY(m_fixture->leave());
        QCOMPARE(image().combinationIndex, 8u);

        // Offline again: the next visit enables them.
        m_fixture->connected = false;
        QVERIFY(m_fixture->show(m_page));
        QVERIFY(m_page->circuitBox(0)->isEnabled());
        QCOMPARE(enabledVariants(), (QList<int>{0, 1, 2, 3}));
        QVERIFY(m_fixture->leave());
    }
}

void TestCUklad::descriptions()
{
    m_fixture->lockedFlag = false;
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->circuitEdit(7), "Dwa zasilania i agregat rezerwowy");
    PageFixture::type(m_page->variantEdit(1), "Przełączanie ręczne");
    // Typed text survives the clicks that refresh the page.
    click(m_page->circuitBox(1));
    click(m_page->variantBox(1));
    QCOMPARE(m_page->circuitEdit(7)->text(), QString("Dwa zasilania i agregat rezerwowy"));
    QCOMPARE(m_page->variantEdit(1)->text(), QString("Przełączanie ręczne"));
    PageFixture::type(m_page->variantEdit(2), QString(40, QChar(u'ż')));
    QVERIFY(m_fixture->leave());

    QCOMPARE(slotText(image().labelSets[7].circuitDescription),
             QString("Dwa zasilania i agregat rezerwowy"));
    QCOMPARE(slotText(image().labelSets[0].circuitDescription),
             QString("Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)"));
    QCOMPARE(QByteArray(image().labelSets[0].variantDescriptions[1]), QByteArray("Prze\xB3\xB9"
                                                                                 "czanie r\xEA"
                                                                                 "czne"));
    QCOMPARE(QByteArray(image().labelSets[0].variantDescriptions[2], narrowSlot),
             QByteArray(31, '\xBF') + '\0');
    QCOMPARE(QByteArray(image().labelSets[0].variantDescriptions[3]), QByteArray("Wariant D"));
    QCOMPARE(image().combinationIndex, 3u); // circuit 2, variant B
}

void TestCUklad::variantTextsStayInTheirSet()
{
    // Descriptions of combination 0's variants are edited while the choice moves to
    // combination 7: they go back to set 0, and set 7 keeps its own.
    setSlotText(image().labelSets[7].variantDescriptions[0], narrowSlot, "Siódmy A");
    m_fixture->lockedFlag = false;
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->variantEdit(0), "Zerowy A");
    click(m_page->circuitBox(6));
    click(m_page->variantBox(1));
    QVERIFY(m_fixture->leave());
    QCOMPARE(image().combinationIndex, 7u);
    QCOMPARE(slotText(image().labelSets[0].variantDescriptions[0]), QString("Zerowy A"));
    QCOMPARE(slotText(image().labelSets[7].variantDescriptions[0]), QString("Siódmy A"));
    QCOMPARE(slotText(image().labelSets[7].variantDescriptions[1]), QString("Wariant B"));

    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->variantEdit(0)->text(), QString("Siódmy A"));
}

QTEST_MAIN(TestCUklad)
#include "tst_cuklad.moc"
