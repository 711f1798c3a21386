// Draws the tool's artwork: the front panel of the controller (bitmap 160) and the two
// animation strips of the login strip (clips 150 and 152). The PNGs it writes are
// committed; run it again only to change the pictures:
//   cmake --build build --target tavrel-artwork && build/resources/tavrel-artwork resources

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace {

QFont panelFont(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

void screw(QPainter& p, QPointF c)
{
    QRadialGradient g(c - QPointF(2, 2), 8);
    g.setColorAt(0, QColor(235, 235, 235));
    g.setColorAt(1, QColor(120, 124, 130));
    p.setPen(QPen(QColor(80, 84, 90), 1));
    p.setBrush(g);
    p.drawEllipse(c, 6, 6);
    p.setPen(QPen(QColor(70, 70, 75), 1.6));
    p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
}

void led(QPainter& p, QPointF c, QColor colour, bool lit)
{
    QRadialGradient g(c - QPointF(1.5, 1.5), 6);
    g.setColorAt(0, lit ? colour.lighter(170) : colour.darker(250));
    g.setColorAt(1, lit ? colour : colour.darker(400));
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(g);
    p.drawEllipse(c, 5, 5);
}

void key(QPainter& p, const QRectF& r, const QString& text)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(92, 98, 108));
    g.setColorAt(1, QColor(48, 52, 60));
    p.setPen(QPen(QColor(25, 27, 30), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 5, 5);
    p.setPen(QColor(236, 238, 240));
    p.setFont(panelFont(11, true));
    p.drawText(r, Qt::AlignCenter, text);
}

// A breaker of the mimic diagram: a square, filled when closed.
void breaker(QPainter& p, QPointF c, bool closed)
{
    p.setPen(QPen(QColor(30, 30, 30), 2));
    p.setBrush(closed ? QColor(200, 40, 40) : QColor(60, 170, 70));
    p.drawRect(QRectF(c - QPointF(8, 8), QSizeF(16, 16)));
}

QImage frontPanel()
{
    QImage img(500, 372, QImage::Format_RGB888);
    img.fill(QColor(212, 214, 210));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Mounting plate and the housing.
    QLinearGradient plate(0, 0, 0, 372);
    plate.setColorAt(0, QColor(226, 228, 224));
    plate.setColorAt(1, QColor(196, 198, 194));
    p.fillRect(img.rect(), plate);
    const QRectF housing(18, 14, 464, 344);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(housing.translated(4, 5), 14, 14);
    QLinearGradient body(housing.topLeft(), housing.bottomLeft());
    body.setColorAt(0, QColor(244, 244, 240));
    body.setColorAt(1, QColor(214, 216, 212));
    p.setPen(QPen(QColor(120, 122, 120), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(housing, 14, 14);
    for (QPointF c : {QPointF(34, 30), QPointF(466, 30), QPointF(34, 342), QPointF(466, 342)})
        screw(p, c);

    // Name band.
    const QRectF band(48, 24, 404, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 64, 120));
    p.drawRoundedRect(band, 6, 6);
    p.setPen(QColor(250, 250, 250));
    p.setFont(panelFont(17, true));
    p.drawText(band.adjusted(14, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("DORVIK"));
    p.setFont(panelFont(11));
    p.drawText(band.adjusted(0, 0, -14, 0), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("sterownik SZR"));

    // Display.
    const QRectF bezel(48, 66, 236, 92);
    p.setPen(QPen(QColor(60, 62, 66), 2));
    p.setBrush(QColor(70, 74, 80));
    p.drawRoundedRect(bezel, 6, 6);
    const QRectF lcd = bezel.adjusted(9, 9, -9, -9);
    QLinearGradient lcdFill(lcd.topLeft(), lcd.bottomRight());
    lcdFill.setColorAt(0, QColor(168, 204, 120));
    lcdFill.setColorAt(1, QColor(132, 176, 92));
    p.setPen(Qt::NoPen);
    p.setBrush(lcdFill);
    p.drawRect(lcd);
    p.setPen(QColor(28, 44, 20));
    p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), -1));
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(14);
    mono.setBold(true);
    p.setFont(mono);
    const QStringList lines = {QStringLiteral("S1 400V  S2 398V"), QStringLiteral("UKŁ 3  WAR B"),
                               QStringLiteral("PRACA: SIEĆ 1")};
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(QPointF(lcd.left() + 8, lcd.top() + 20 + i * 22), lines[i]);

    // Keys beside the display.
    const qreal kx = 304;
    key(p, QRectF(kx + 48, 66, 40, 28), QStringLiteral("▲"));
    key(p, QRectF(kx, 98, 40, 28), QStringLiteral("◀"));
    key(p, QRectF(kx + 48, 98, 40, 28), QStringLiteral("OK"));
    key(p, QRectF(kx + 96, 98, 40, 28), QStringLiteral("▶"));
    key(p, QRectF(kx + 48, 130, 40, 28), QStringLiteral("▼"));
    key(p, QRectF(kx, 130, 40, 28), QStringLiteral("ESC"));
    key(p, QRectF(kx + 96, 130, 40, 28), QStringLiteral("A/R"));

    // Mimic diagram: two feeds and a generator onto two busbars with a coupler.
    const QRectF mimic(48, 172, 280, 146);
    p.setPen(QPen(QColor(150, 152, 150), 1));
    p.setBrush(QColor(236, 238, 234));
    p.drawRoundedRect(mimic, 6, 6);
    p.setFont(panelFont(10, true));
    p.setPen(QColor(40, 40, 40));
    const qreal busY = mimic.top() + 104;
    const QPointF feeds[] = {{mimic.left() + 44, mimic.top() + 22},
                             {mimic.left() + 140, mimic.top() + 22},
                             {mimic.left() + 236, mimic.top() + 22}};
    const QString names[] = {QStringLiteral("S1"), QStringLiteral("G"), QStringLiteral("S2")};
    const bool closed[] = {true, false, false};
    for (int i = 0; i < 3; ++i) {
        const QPointF top = feeds[i];
        p.setPen(QPen(i == 0 ? QColor(200, 40, 40) : QColor(40, 40, 40), 3));
        p.drawLine(top + QPointF(0, 12), QPointF(top.x(), busY));
        if (i == 1) {
            p.setPen(QPen(QColor(40, 40, 40), 2));
            p.setBrush(QColor(250, 250, 250));
            p.drawEllipse(top + QPointF(0, 8), 11, 11);
            p.setPen(QColor(30, 30, 30));
            p.drawText(QRectF(top.x() - 11, top.y() - 3, 22, 22), Qt::AlignCenter, names[i]);
        } else {
            p.setPen(QColor(30, 30, 30));
            p.drawText(QRectF(top.x() - 20, top.y() - 12, 40, 16), Qt::AlignCenter, names[i]);
            p.drawLine(top + QPointF(-8, 6), top + QPointF(8, 6));
        }
        breaker(p, QPointF(top.x(), top.y() + 52), closed[i]);
    }
    p.setPen(QPen(QColor(200, 40, 40), 5));
    p.drawLine(QPointF(mimic.left() + 20, busY), QPointF(mimic.left() + 80, busY));
    p.setPen(QPen(QColor(40, 40, 40), 5));
    p.drawLine(QPointF(mimic.left() + 112, busY), QPointF(mimic.right() - 20, busY));
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.drawLine(QPointF(mimic.left() + 80, busY), QPointF(mimic.left() + 112, busY));
    breaker(p, QPointF(mimic.left() + 96, busY), false);
    p.setPen(QColor(70, 70, 70));
    p.setFont(panelFont(9));
    p.drawText(QRectF(mimic.left() + 56, busY + 12, 80, 14), Qt::AlignCenter,
               QStringLiteral("sprzęgło"));

    // Signal lamps.
    struct Lamp {
        const char* text;
        QColor colour;
        bool lit;
    };
    const Lamp lamps[] = {
        {"ZASILANIE", QColor(40, 200, 60), true}, {"SIEĆ 1", QColor(40, 200, 60), true},
        {"SIEĆ 2", QColor(40, 200, 60), false},   {"GENERATOR", QColor(240, 180, 20), false},
        {"AWARIA", QColor(230, 40, 30), false},   {"RS-485", QColor(240, 180, 20), true}};
    p.setFont(panelFont(11, true));
    for (int i = 0; i < 6; ++i) {
        const QPointF c(352, 184 + i * 24);
        led(p, c, lamps[i].colour, lamps[i].lit);
        p.setPen(QColor(40, 42, 44));
        p.drawText(QPointF(c.x() + 14, c.y() + 4), QString::fromUtf8(lamps[i].text));
    }

    // Service port label.
    p.setPen(QColor(90, 92, 94));
    p.setFont(panelFont(9));
    p.drawText(QRectF(48, 326, 404, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("RS-485: A  B  GND"));
    return img;
}

// Clip 150: two ports and the line between them; frame 0 is the quiet line, frames 1 to 3
// a packet travelling along it.
QImage linkStrip()
{
    constexpr int size = 34;
    constexpr int frames = 4;
    QImage img(size * frames, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < frames; ++f) {
        p.save();
        p.translate(f * size, 0);
        p.setPen(QPen(QColor(60, 64, 70), 1));
        p.setBrush(QColor(80, 110, 160));
        p.drawRoundedRect(QRectF(2, 10, 8, 14), 2, 2);
        p.drawRoundedRect(QRectF(24, 10, 8, 14), 2, 2);
        p.setPen(QPen(QColor(120, 124, 130), 2));
        p.drawLine(QPointF(10, 17), QPointF(24, 17));
        for (int d = 0; d < 3; ++d) {
            p.setPen(Qt::NoPen);
            p.setBrush(d == f - 1 ? QColor(40, 200, 70) : QColor(190, 196, 200));
            p.drawEllipse(QPointF(13 + d * 4.0, 17), 2.2, 2.2);
        }
        p.restore();
    }
    return img;
}

// Clip 152: a mains sine running across a small scope screen; 62 frames make one period.
QImage idleStrip()
{
    constexpr int size = 50;
    constexpr int frames = 62;
    QImage img(size * frames, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < frames; ++f) {
        p.save();
        p.translate(f * size, 0);
        const QRectF screen(2, 2, 46, 46);
        p.setPen(QPen(QColor(50, 54, 60), 2));
        p.setBrush(QColor(18, 30, 26));
        p.drawRoundedRect(screen, 5, 5);
        p.setPen(QPen(QColor(40, 80, 60), 1));
        for (int g = 1; g < 4; ++g) {
            p.drawLine(QPointF(screen.left() + g * 11.5, screen.top() + 3),
                       QPointF(screen.left() + g * 11.5, screen.bottom() - 3));
            p.drawLine(QPointF(screen.left() + 3, screen.top() + g * 11.5),
                       QPointF(screen.right() - 3, screen.top() + g * 11.5));
        }
        const double phase = 2 * std::numbers::pi * f / frames;
        for (int wave = 0; wave < 2; ++wave) {
            QPainterPath path;
            for (int x = 0; x <= 40; ++x) {
                const double a =
                    2 * std::numbers::pi * x / 40.0 * 1.5 - phase - wave * 2 * std::numbers::pi / 3;
                const QPointF pt(5 + x, 25 - 14 * std::sin(a));
                if (x == 0)
                    path.moveTo(pt);
                else
                    path.lineTo(pt);
            }
            p.setPen(QPen(wave == 0 ? QColor(90, 240, 120) : QColor(240, 200, 60, 170), 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
        p.restore();
    }
    return img;
}

// Reduces a strip to an indexed image with the 256 most used colours (anything else goes
// to the nearest of them): the strip is mostly flat areas, so it stays faithful at a
// quarter of the size.
QImage indexed(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x]];
    }
    QList<std::pair<int, QRgb>> byUse;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byUse.append({it.value(), it.key()});
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) { return a > b; });
    QList<QRgb> palette;
    for (int i = 0; i < std::min<qsizetype>(256, byUse.size()); ++i)
        palette.append(byUse[i].second);

    QHash<QRgb, int> nearest;
    const auto indexOf = [&](QRgb c) {
        if (const auto it = nearest.constFind(c); it != nearest.cend())
            return it.value();
        int best = 0;
        long bestDistance = std::numeric_limits<long>::max();
        for (int i = 0; i < palette.size(); ++i) {
            const QRgb p = palette[i];
            const long d = [](long a, long b, long g, long h, long r, long s, long t, long u) {
                return (a - b) * (a - b) + (g - h) * (g - h) + (r - s) * (r - s) +
                       (t - u) * (t - u);
            }(qRed(c), qRed(p), qGreen(c), qGreen(p), qBlue(c), qBlue(p), qAlpha(c), qAlpha(p));
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        nearest.insert(c, best);
        return best;
    };
    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* target = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            target[x] = static_cast<uchar>(indexOf(line[x]));
    }
    return out;
}

// A BMP stored top-down (negative height): 24-bit for a picture, 8-bit with the alpha of
// each colour in the palette's fourth byte for an indexed strip. The program turns it
// into an image without decoding a compressed picture.
bool saveTopDownBmp(const QImage& image, const QString& path)
{
    const bool isIndexed = image.format() == QImage::Format_Indexed8;
    const QImage pixels = isIndexed ? image : image.convertToFormat(QImage::Format_BGR888);
    const int bytesPerPixel = isIndexed ? 1 : 3;
    const int stride = (pixels.width() * bytesPerPixel + 3) & ~3;
    const quint32 colours = isIndexed ? quint32(pixels.colorCount()) : 0;
    const quint32 dataOffset = 14 + 40 + 4 * colours;
    const quint32 dataSize = quint32(stride) * quint32(pixels.height());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(dataOffset + dataSize) << quint32(0) << dataOffset;
    out << quint32(40) << qint32(pixels.width()) << qint32(-pixels.height()) << quint16(1)
        << quint16(8 * bytesPerPixel) << quint32(0) << dataSize << qint32(2835) << qint32(2835)
        << colours << quint32(0);
    for (QRgb c : pixels.colorTable())
        out << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(qAlpha(c));
    const QByteArray padding(stride - pixels.width() * bytesPerPixel, '\0');
    for (int y = 0; y < pixels.height(); ++y) {
        out.writeRawData(reinterpret_cast<const char*>(pixels.constScanLine(y)),
                         pixels.width() * bytesPerPixel);
        out.writeRawData(padding.constData(), int(padding.size()));
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool ok =
        saveTopDownBmp(frontPanel(), out.filePath(QStringLiteral("bitmap160.bmp"))) &&
        saveTopDownBmp(indexed(linkStrip()), out.filePath(QStringLiteral("clip150.bmp"))) &&
        saveTopDownBmp(indexed(idleStrip()), out.filePath(QStringLiteral("clip152.bmp")));
    if (!ok)
        std::fprintf(stderr, "cannot write the pictures into %s\n", qPrintable(out.path()));
    return ok ? 0 : 1;
}
