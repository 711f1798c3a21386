#include "app/colors.h"
#include "events/clistctrlex.h"

#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr std::uint32_t yellow = 0x00FFFF;
constexpr std::uint32_t green = 0x00FF00;

// A pixel of a cell's background: its lower left corner, clear of text and grid.
QColor cellPixel(CListCtrlEx& list, const QImage& image, int item, int column)
{
    const QRect r = list.visualRect(list.model()->index(item, column));
    const QPoint p = list.viewport()->mapTo(&list, r.bottomLeft() + QPoint(3, -2));
    return image.pixelColor(p);
}

void fill(CListCtrlEx& list, int items)
{
    list.InsertColumn(0, "A", 60);
    list.InsertColumn(1, "B", 60);
    list.InsertColumn(2, "C", 60);
    for (int i = 0; i < items; ++i) {
        list.InsertItem(i, QString::number(i));
        list.SetItemText(i, 1, "x");
    }
}

} // namespace

class TestCListCtrlEx : public QObject {
    Q_OBJECT
private slots:
    void paintsResolvedColours();
    void selectedRowsUseSelectedColours();
    void noticesArriveQueued();
    void nothingPostedWithoutReceiver();
    void selectionQueries();
    void itemDescriptions();
    void columnOrderKeepsFormats();
};

void TestCListCtrlEx::paintsResolvedColours()
{
    CListCtrlEx list;
    list.resize(240, 160);
    fill(list, 3);
    QVERIFY(list.SetRowStyle(1, 0x30));
    QVERIFY(list.SetRowBkColor(1, yellow));
    QVERIFY(list.setStyle(FormatTarget::cell(1, 2), 0x80));
    QVERIFY(list.setStyle(FormatTarget::column(1), 0x20));
    QVERIFY(list.setBkColor(FormatTarget::column(1), green));
    QVERIFY(!list.SetRowStyle(3, 0x30));

    const QImage image = list.grab().toImage();
    QCOMPARE(cellPixel(list, image, 1, 0), colorFromRef(yellow));
    QCOMPARE(cellPixel(list, image, 1, 1), colorFromRef(yellow)); // the row beats the column
    QCOMPARE(cellPixel(list, image, 1, 2), list.palette().color(QPalette::Base));
    QCOMPARE(cellPixel(list, image, 0, 1), colorFromRef(green));
    QCOMPARE(cellPixel(list, image, 0, 0), list.palette().color(QPalette::Base));
}

void TestCListCtrlEx::selectedRowsUseSelectedColours()
{
    CListCtrlEx list;
    list.resize(240, 160);
    fill(list, 3);
    list.setSelectedColors(0xFFFFFF, 0x804000);
    for (int i : {0, 1}) {
        list.SetRowStyle(i, 0x30);
        list.SetRowBkColor(i, yellow);
    }
    list.setBkColor(FormatTarget::row(1).selectedVariant(), 0x0000FF);
    list.setStyle(FormatTarget::row(1).selectedVariant(), 0x20);
    list.selectRow(0);
    list.selectionModel()->select(list.model()->index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    const QImage image = list.grab().toImage();
    QCOMPARE(cellPixel(list, image, 0, 2), colorFromRef(0x804000));
    QCOMPARE(cellPixel(list, image, 1, 2), colorFromRef(0x0000FF));
    QCOMPARE(list.resolvedFormat(0, 1, true).textColor, 0xFFFFFFu);
    QCOMPARE(list.resolvedFormat(0, 1, false).textColor, 0u);
}

void TestCListCtrlEx::noticesArriveQueued()
{
    CListCtrlEx list;
    fill(list, 5);
    QList<int> received;
    connect(&list, &CListCtrlEx::itemChanged, this, [&](int item) { received.append(item); });

    list.selectRow(2);
    QVERIFY(received.isEmpty()); // posted, not sent
    QCoreApplication::processEvents();
    QVERIFY(received.contains(2));

    received.clear();
    list.selectRow(4);
    QCoreApplication::processEvents();
    // Selection and focus both moved: one notice per item, the new one last.
    QCOMPARE(received, (QList<int>{2, 4}));
}

void TestCListCtrlEx::nothingPostedWithoutReceiver()
{
    CListCtrlEx list;
    fill(list, 5);
    list.selectRow(1);
    QSignalSpy spy(&list, &CListCtrlEx::itemChanged); // connected only after the change
    QCoreApplication::processEvents();
    QCOMPARE(spy.size(), 0);
}

void TestCListCtrlEx::selectionQueries()
{
    CListCtrlEx list;
    fill(list, 6);
    QCOMPARE(list.FirstSelectedItem(), -1);
    QCOMPARE(list.selectedCount(), 0);
    auto* sel = list.selectionModel();
    for (int row : {4, 2, 5})
        sel->select(list.model()->index(row, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(list.FirstSelectedItem(), 2);
    QCOMPARE(list.selectedCount(), 3);
    QVERIFY(list.isItemSelected(5));
    QVERIFY(!list.isItemSelected(3));
}

void TestCListCtrlEx::itemDescriptions()
{
    CListCtrlEx list;
    fill(list, 2);
    QCOMPARE(list.InsertItem(ListItem{1, 0, QString("mid"), 7u}), 1);
    QCOMPARE(list.itemData(1), 7u);
    QCOMPARE(list.itemText(2, 0), QString("1"));
    // Item data in a description goes to the record; the text to its sub-item.
    QVERIFY(list.SetItem(ListItem{0, 2, QString("c"), 9u}));
    QCOMPARE(list.itemData(0), 9u);
    QCOMPARE(list.itemText(0, 2), QString("c"));
    QVERIFY(!list.SetItem(ListItem{5, 0, QString("none"), {}}));
    QVERIFY(list.DeleteItem(1));
    QCOMPARE(list.itemCount(), 2);
    QVERIFY(list.DeleteAllItems());
    QCOMPARE(list.itemCount(), 0);
}

void TestCListCtrlEx::columnOrderKeepsFormats()
{
    CListCtrlEx list;
    fill(list, 1);
    list.setBkColor(FormatTarget::column(2), green);
    list.setStyle(FormatTarget::column(2), 0x20);
    QVERIFY(list.setColumnOrder({2, 0, 1}));
    QCOMPARE(list.horizontalHeader()->logicalIndex(0), 2);
    QCOMPARE(list.resolvedFormat(0, 2, false).backColor, green);
    QVERIFY(!list.setColumnOrder({0, 0, 1}));
}

QTEST_MAIN(TestCListCtrlEx)
#include "tst_clistctrlex.moc"
