#include "app/colors.h"
#include "events/ceditex.h"

#include <QImage>
#include <QTest>

namespace {

bool containsColour(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

} // namespace

class TestCEditEx : public QObject {
    Q_OBJECT
private slots:
    void startsWithTheSystemColours();
    void paintsItsOwnColours_data();
    void paintsItsOwnColours();
};

void TestCEditEx::startsWithTheSystemColours()
{
    CEditEx edit;
    QLineEdit plain;
    QCOMPARE(colorFromRef(edit.textColor()), plain.palette().color(QPalette::Text));
    QCOMPARE(colorFromRef(edit.backColor()), plain.palette().color(QPalette::Base));
    const QImage a = edit.grab().toImage();
    const QImage b = plain.grab().toImage();
    QCOMPARE(a, b);
}

void TestCEditEx::paintsItsOwnColours_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("focused");
    QTest::newRow("writable") << false << false;
    QTest::newRow("read-only") << true << false;
    QTest::newRow("read-only, focused") << true << true;
}

void TestCEditEx::paintsItsOwnColours()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, focused);
    CEditEx edit;
    edit.resize(120, 24);
    edit.setReadOnly(readOnly);
    edit.setText("WWWW");
    const std::uint32_t grey = 0xC0C0C0;
    const std::uint32_t red = 0x0000FF;
    edit.SetBkColor(grey);
    QCOMPARE(edit.SetTextColor(red), colorRef(QLineEdit().palette().color(QPalette::Text)));
    QCOMPARE(edit.SetBkColor(0x00FFFF), grey);
    edit.SetBkColor(grey);
    if (focused) {
        edit.show();
        edit.activateWindow();
        edit.setFocus();
    }

    const QImage image = edit.grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 6, image.height() / 2), colorFromRef(grey));
    QVERIFY(containsColour(image, colorFromRef(red)));
}

QTEST_MAIN(TestCEditEx)
#include "tst_ceditex.moc"
