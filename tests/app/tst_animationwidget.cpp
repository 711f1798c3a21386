#include "app/animationwidget.h"
#include "resources/resources.h"

#include <QImage>
#include <QTest>

class TestAnimationWidget : public QObject {
    Q_OBJECT
private slots:
    void artwork_data();
    void artwork();
    void playsTheRange_data();
    void playsTheRange();
};

void TestAnimationWidget::artwork_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("transparentCorner");
    QTest::newRow("bitmap 160") << ":/bitmaps/160.bmp" << QSize(500, 372) << false;
    QTest::newRow("clip 150") << linkClip().resource << QSize(4 * 34, 34) << true;
    QTest::newRow("clip 152") << idleClip().resource << QSize(62 * 50, 50) << true;
}

void TestAnimationWidget::artwork()
{
    QFETCH(QString, resource);
    QFETCH(QSize, size);
    QFETCH(bool, transparentCorner);
    initTavrelResources();
    const QImage read = resourceImage(resource);
    QCOMPARE(read.size(), size);
    // Right way up, colours in order; the image readers ignore a BMP palette's alpha.
    const auto opaque = [](const QImage& image) {
        QImage out = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                line[x] |= 0xFF000000u;
        }
        return out;
    };
    QCOMPARE(opaque(read), opaque(QImage(resource)));
    QCOMPARE(qAlpha(read.pixel(0, 0)) == 0, transparentCorner);
    QCOMPARE(qAlpha(read.pixel(read.height() / 2, read.height() / 2)), 255);
    // Not a blank placeholder.
    QSet<QRgb> colours;
    for (int y = 0; y < read.height(); y += 3)
        for (int x = 0; x < read.width(); x += 3)
            colours.insert(read.pixel(x, y));
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
    QTest::newRow("without end") << 0 << 4 << -1 << QList<int>{1, 2, 3, 0, 1};
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
        QCOMPARE(w.isPlaying(), expected >= 0);
        if (expected >= 0)
            QCOMPARE(w.currentFrame(), expected);
    }
    // Stopped, it keeps its frame.
    const int kept = w.currentFrame();
    w.stop();
    w.advance();
    QCOMPARE(w.currentFrame(), kept);
    QVERIFY(!w.open({QStringLiteral(":/missing.png"), QSize(10, 10), 2, 100}));
}

QTEST_MAIN(TestAnimationWidget)
#include "tst_animationwidget.moc"
