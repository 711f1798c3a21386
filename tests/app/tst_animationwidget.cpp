#include "app/animationwidget.h"
#include "resources/resources.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestAnimationWidget : public QObject {
    Q_OBJECT
private slots:
    void artwork_data();
    void artwork();
    void playsTheRange_data();
    void playsTheRange();
    void stoppedKeepsItsFrame();
    void picturesReadAsTheImageReadersSeeThem_data();
    void picturesReadAsTheImageReadersSeeThem();
};

void TestAnimationWidget::artwork_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QSize>("size");
    QTest::newRow("bitmap 160") << ":/bitmaps/160.bmp" << QSize(500, 372);
    QTest::newRow("clip 150") << linkClip().resource << QSize(4 * 34, 34);
    QTest::newRow("clip 152") << idleClip().resource << QSize(62 * 50, 50);
}

void TestAnimationWidget::artwork()
{
    QFETCH(QString, resource);
    QFETCH(QSize, size);
    initTavrelResources();
    const QImage image(resource);
    QCOMPARE(image.size(), size);
    // Not a blank placeholder: the picture has more than a handful of colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 8);
}

void TestAnimationWidget::playsTheRange_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QList<int>>("frames"); // after each period; -1: stopped
    QTest::newRow("once") << 1 << 3 << 1 << QList<int>{2, 3, -1};
    QTest::newRow("twice") << 1 << 3 << 2 << QList<int>{2, 3, 1, 2, 3, -1};
    QTest::newRow("range past the clip is clamped") << 2 << 9 << 1 << QList<int>{3, -1};
    QTest::newRow("without end") << 0 << 1 << -1 << QList<int>{1, 0, 1, 0, 1};
}

void TestAnimationWidget::playsTheRange()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, repeat);
    QFETCH(QList<int>, frames);
    AnimationWidget w;
    QVERIFY(w.open(linkClip()));
    QCOMPARE(w.size(), QSize(34, 34));
    w.play(from, to, repeat);
    QCOMPARE(w.currentFrame(), from);
    for (int expected : frames) {
        w.advance();
        if (expected < 0) {
            QVERIFY(!w.isPlaying());
        } else {
            QVERIFY(w.isPlaying());
            QCOMPARE(w.currentFrame(), expected);
        }
    }
}

void TestAnimationWidget::stoppedKeepsItsFrame()
{
    AnimationWidget w;
    QVERIFY(w.open(idleClip()));
    QCOMPARE(w.currentFrame(), 0);
    QVERIFY(!w.isPlaying());
    // The login strip asks for frames 0 to 62 of a 62-frame clip.
    w.play(0, 62, -1);
    for (int i = 0; i < 61; ++i)
        w.advance();
    QCOMPARE(w.currentFrame(), 61);
    w.advance();
    QCOMPARE(w.currentFrame(), 0);
    w.advance();
    w.stop();
    w.advance();
    QCOMPARE(w.currentFrame(), 1);
    QVERIFY(!w.open({QStringLiteral(":/missing.png"), QSize(10, 10), 2, 100}));
}

namespace {

// The colours without alpha: the image readers ignore the alpha of a BMP palette.
QImage opaque(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    return out;
}

} // namespace

void TestAnimationWidget::picturesReadAsTheImageReadersSeeThem_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<bool>("transparentCorner");
    QTest::newRow("bitmap 160") << ":/bitmaps/160.bmp" << false;
    QTest::newRow("clip 150") << linkClip().resource << true;
    QTest::newRow("clip 152") << idleClip().resource << true;
}

void TestAnimationWidget::picturesReadAsTheImageReadersSeeThem()
{
    QFETCH(QString, resource);
    QFETCH(bool, transparentCorner);
    const QImage read = resourceImage(resource);
    const QImage decoded(resource);
    QVERIFY(!read.isNull());
    // Right way up, colours in order.
    QCOMPARE(opaque(read), opaque(decoded));
    QCOMPARE(qAlpha(read.pixel(0, 0)) == 0, transparentCorner);
    // The middle of the first frame (frames are square) is drawn on.
    QCOMPARE(qAlpha(read.pixel(read.height() / 2, read.height() / 2)), 255);
}

QTEST_MAIN(TestAnimationWidget)
#include "tst_animationwidget.moc"
