#include "events/ceditex.h"
#include "events/clistctrlex.h"
#include "pagekit/colors.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr std::uint32_t yellow = 0x00FFFF, green = 0x00FF00;

// A background pixel of a cell: its lower left corner, clear of text and grid.
QColor cellPixel(CListCtrlEx& list, const QImage& image, int item, int column)
{
    const QRect r = list.visualRect(list.model()->index(item, column));
    return image.pixelColor(list.viewport()->mapTo(&list, r.bottomLeft() + QPoint(3, -2)));
}

void fill(CListCtrlEx& list, int items)
{
    list.resize(240, 160);
    for (int c = 0; c < 3; ++c)
        list.InsertColumn(c, QString(QChar('A' + c)), 60);
    for (int i = 0; i < items; ++i)
        list.InsertItem(i, QString::number(i));
}

} // namespace

class TestCListCtrlEx : public QObject {
    Q_OBJECT
private slots:
    void paintsResolvedColours();
    void noticesArriveQueuedOncePerItem();
    void recordsFollowItemsAndColumns();
    void editPaintsItsOwnColours_data();
    void editPaintsItsOwnColours();
};

void TestCListCtrlEx::paintsResolvedColours()
{
    CListCtrlEx list;
    fill(list, 3);
    for (int i : {1, 2}) {
        QVERIFY(list.SetRowStyle(i, 0x30));
        QVERIFY(list.SetRowBkColor(i, yellow));
    }
    QVERIFY(list.setStyle(FormatTarget::cell(1, 2), 0x80));
    QVERIFY(list.setStyle(FormatTarget::column(1), 0x20));
    QVERIFY(list.setBkColor(FormatTarget::column(1), green));
    list.setStyle(FormatTarget::row(2).selectedVariant(), 0x20);
    list.setBkColor(FormatTarget::row(2).selectedVariant(), 0x0000FF);
    QVERIFY(!list.SetRowStyle(3, 0x30));
    list.selectRow(0);
    list.selectionModel()->select(list.model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    const QImage image = list.grab().toImage();
    const QColor base = list.palette().color(QPalette::Base);
    QCOMPARE(cellPixel(list, image, 1, 0), colorFromRef(yellow));
    QCOMPARE(cellPixel(list, image, 1, 1), colorFromRef(yellow)); // the row beats the column
    QCOMPARE(cellPixel(list, image, 1, 2), base);                 // the cell's 0x80
    // Selected, no variant: the system's selection colour.
    QCOMPARE(cellPixel(list, image, 0, 1), colorFromRef(list.colors().selectedBack));
    QCOMPARE(cellPixel(list, image, 2, 2), colorFromRef(0x0000FF)); // the row's variant
    QCOMPARE(list.FirstSelectedItem(), 0);
    QCOMPARE(list.selectedCount(), 2);
}

void TestCListCtrlEx::noticesArriveQueuedOncePerItem()
{
    CListCtrlEx list;
    fill(list, 5);
    list.selectRow(1);
    QSignalSpy unheard(&list, &CListCtrlEx::itemChanged);
    QCoreApplication::processEvents();
    QCOMPARE(unheard.size(), 0); // nothing is posted while no one listens

    QList<int> received;
    connect(&list, &CListCtrlEx::itemChanged, this, [&](int item) { received.append(item); });
    list.selectRow(4);
    QVERIFY(received.isEmpty()); // posted, not sent
    QCoreApplication::processEvents();
    // Selection and focus both moved: one notice per item, the new one last.
    QCOMPARE(received, (QList<int>{1, 4}));
}

void TestCListCtrlEx::recordsFollowItemsAndColumns()
{
    CListCtrlEx list;
    fill(list, 3);
    QCOMPARE(list.InsertItem(1, QString("mid")), 1);
    // A new column 2 gets empty sub-records; the old column 2 keeps its format.
    auto& model = *static_cast<ListItemModel*>(list.model());
    list.setBkColor(FormatTarget::cell(1, 2), 0x222);
    QCOMPARE(list.InsertColumn(2, "new", 40), 2);
    QCOMPARE(model.levels(1, 0).cell->subRecords.size(), std::size_t(3));
    QCOMPARE(model.levels(1, 2).cell->backColor, 0u);
    QCOMPARE(model.levels(1, 3).cell->backColor, 0x222u);
    // The row format goes with its item.
    list.SetRowBkColor(2, yellow);
    QCOMPARE(list.InsertItem(0, QString("first")), 0);
    QCOMPARE(model.levels(3, 0).row->backColor, yellow);
}

void TestCListCtrlEx::editPaintsItsOwnColours_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable") << false;
    QTest::newRow("read-only") << true;
}

void TestCListCtrlEx::editPaintsItsOwnColours()
{
    QFETCH(bool, readOnly);
    CEditEx edit;
    QLineEdit plain;
    for (QLineEdit* e : {static_cast<QLineEdit*>(&edit), &plain}) {
        e->resize(120, 24);
        e->setReadOnly(readOnly);
        e->setText("WWWW");
    }
    // Never set: it looks like a plain edit.
    QCOMPARE(edit.grab().toImage(), plain.grab().toImage());

    const std::uint32_t grey = 0xC0C0C0, red = 0x0000FF;
    QCOMPARE(edit.SetBkColor(grey), colorRef(plain.palette().color(QPalette::Base)));
    QCOMPARE(edit.SetTextColor(red), colorRef(plain.palette().color(QPalette::Text)));
    const QImage image = edit.grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 6, image.height() / 2), colorFromRef(grey));
    bool redText = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            redText = redText || image.pixelColor(x, y) == colorFromRef(red);
    QVERIFY(redText);
}

QTEST_MAIN(TestCListCtrlEx)
#include "tst_clistctrlex.moc"
