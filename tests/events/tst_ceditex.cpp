#include "app/colors.h"
#include "events/ceditex.h"

#include <QTest>

class TestCEditEx : public QObject {
    Q_OBJECT
private slots:
    void paintsItsOwnColours_data();
    void paintsItsOwnColours();
};

void TestCEditEx::paintsItsOwnColours_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable") << false;
    QTest::newRow("read-only") << true;
}

void TestCEditEx::paintsItsOwnColours()
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
    for (int y = 0; y < image.height() && !redText; ++y) {
        for (int x = 0; x < image.width() && !redText; ++x)
            redText = image.pixelColor(x, y) == colorFromRef(red);
    }
    QVERIFY(redText);
}

QTEST_MAIN(TestCEditEx)
#include "tst_ceditex.moc"
