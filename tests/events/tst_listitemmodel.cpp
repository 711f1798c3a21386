#include "events/listitemmodel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

void addColumns(ListItemModel& m, int n)
{
    for (int c = 0; c < n; ++c)
        m.addColumn(c, QString::number(c), Qt::AlignLeft);
}

} // namespace

class TestListItemModel : public QObject {
    Q_OBJECT
private slots:
    void itemsHaveOneSubRecordPerFurtherColumn();
    void insertedColumnShiftsSubRecords();
    void deletedColumnTakesItsSubRecord();
    void itemData();
    void findAndSortByItemData();
    void recordsGoWithTheirItems();
    void buildIsOneReset();
};

void TestListItemModel::itemsHaveOneSubRecordPerFurtherColumn()
{
    ListItemModel m;
    QCOMPARE(m.addItem(0, "x", {}), -1); // no columns yet
    addColumns(m, 4);
    QCOMPARE(m.addItem(0, "a", {}), 0);
    QCOMPARE(m.levels(0, 0).cell->subRecords.size(), std::size_t(3));
    QVERIFY(m.record(FormatTarget::cell(0, 3), false));
    QVERIFY(!m.record(FormatTarget::cell(0, 4), true));
    QVERIFY(!m.record(FormatTarget::cell(1, 0), true));
    QCOMPARE(m.addItem(99, "b", {}), 1); // past the end appends
    QCOMPARE(m.itemText(1, 0), QString("b"));
    QCOMPARE(m.itemText(1, 2), QString());
}

void TestListItemModel::insertedColumnShiftsSubRecords()
{
    ListItemModel m;
    addColumns(m, 3);
    m.addItem(0, "a", {});
    m.setItemText(0, 1, "one");
    m.setItemText(0, 2, "two");
    m.record(FormatTarget::cell(0, 1), true)->textColor = 0x111;
    m.record(FormatTarget::cell(0, 2), true)->textColor = 0x222;

    QCOMPARE(m.addColumn(2, "new", Qt::AlignLeft), 2);
    QCOMPARE(m.columnCount(), 4);
    QCOMPARE(m.itemText(0, 1), QString("one"));
    QCOMPARE(m.itemText(0, 2), QString());
    QCOMPARE(m.itemText(0, 3), QString("two"));
    QCOMPARE(m.record(FormatTarget::cell(0, 1), false)->textColor, 0x111u);
    QCOMPARE(m.record(FormatTarget::cell(0, 2), false)->textColor, 0u);
    QCOMPARE(m.record(FormatTarget::cell(0, 3), false)->textColor, 0x222u);
}

void TestListItemModel::deletedColumnTakesItsSubRecord()
{
    ListItemModel m;
    addColumns(m, 3);
    m.addItem(0, "a", {});
    m.setItemText(0, 2, "two");
    m.record(FormatTarget::cell(0, 2), true)->textColor = 0x222;
    m.record(FormatTarget::column(2), true)->backColor = 0x333;

    QVERIFY(m.removeColumnAt(1));
    QCOMPARE(m.itemText(0, 1), QString("two"));
    QCOMPARE(m.record(FormatTarget::cell(0, 1), false)->textColor, 0x222u);
    QCOMPARE(m.levels(0, 1).column->backColor, 0x333u);
    QVERIFY(!m.removeColumnAt(5));

    // Column 0 as the only column takes every item with it.
    QVERIFY(m.removeColumnAt(1));
    QVERIFY(m.removeColumnAt(0));
    QCOMPARE(m.rowCount(), 0);
}

void TestListItemModel::itemData()
{
    ListItemModel m;
    addColumns(m, 2);
    m.addItem(0, "none", {});
    m.addItem(1, "some", 77u);
    QCOMPARE(m.itemData(0), 0u);
    QCOMPARE(m.itemData(1), 77u);
    QVERIFY(!m.setItemData(0, 5)); // only where data was set before
    QCOMPARE(m.itemData(0), 0u);
    QVERIFY(m.setItemData(1, 5));
    QCOMPARE(m.itemData(1), 5u);
    QVERIFY(m.storeItemData(0, 9));
    QCOMPARE(m.itemData(0), 9u);
    QCOMPARE(m.itemData(7), 0u);
}

void TestListItemModel::findAndSortByItemData()
{
    ListItemModel m;
    addColumns(m, 2);
    const std::uint32_t data[] = {30, 10, 20, 10};
    for (int i = 0; i < 4; ++i) {
        m.addItem(i, QString::number(i), data[i]);
        m.record(FormatTarget::row(i), true)->backColor = data[i];
    }
    QCOMPARE(m.findItem(10, -1), 1);
    QCOMPARE(m.findItem(10, 1), 3);
    QCOMPARE(m.findItem(10, 3), -1);
    QCOMPARE(m.findItem(99, -1), -1);

    std::uint32_t seen = 0;
    m.sortItems(
        [&](std::uint32_t a, std::uint32_t b, std::uint32_t value) {
            seen = value;
            return int(a) - int(b);
        },
        42);
    QCOMPARE(seen, 42u);
    // Texts and formats travel with their items; equal keys keep their order.
    const QStringList order = {"1", "3", "2", "0"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m.itemText(i, 0), order[i]);
        QCOMPARE(m.levels(i, 1).row->backColor, m.itemData(i));
    }
}

void TestListItemModel::recordsGoWithTheirItems()
{
    ListItemModel m;
    addColumns(m, 4);
    for (int i = 0; i < 3; ++i)
        m.addItem(i, QString::number(i), {});
    m.record(FormatTarget::row(1), true)->backColor = 0xFF;
    m.record(FormatTarget::cell(1, 2).selectedVariant(), true)->textColor = 0xAA;
    QVERIFY(m.removeItem(0));
    QCOMPARE(m.levels(0, 2).row->backColor, 0xFFu);
    QCOMPARE(m.levels(0, 2).cell->selected->textColor, 0xAAu);
    QVERIFY(!m.levels(1, 2).row);

    m.removeAllItems();
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.levels(0, 0).cell, nullptr);
    m.addItem(0, "fresh", {});
    QVERIFY(!m.levels(0, 0).row);
    QVERIFY(!m.levels(0, 2).cell->selected);
}

void TestListItemModel::buildIsOneReset()
{
    ListItemModel m;
    addColumns(m, 2);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.beginBuild();
    for (int i = 0; i < 10; ++i)
        m.addItem(i, QString::number(i), {});
    m.endBuild();
    QCOMPARE(inserted.size(), 0);
    QCOMPARE(reset.size(), 1);
    QCOMPARE(m.rowCount(), 10);
}

QTEST_GUILESS_MAIN(TestListItemModel)
#include "tst_listitemmodel.moc"
