#include "resources/resources.h"

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QResource>

static void initOnce()
{
    Q_INIT_RESOURCE(tavrel);
}

void initTavrelResources()
{
    static const bool done = (initOnce(), true);
    (void)done;
}

namespace {

// Qt's own BMP reader converts pixel by pixel and copies; a plain top-down BMP needs
// no more than a row conversion, or nothing at all when the bytes outlive the image.
QImage topDownBmp(const QByteArray& bytes, bool bytesOutliveImage)
{
    constexpr qint64 headersSize = 14 + 40;
    if (bytes.size() < headersSize || !bytes.startsWith("BM"))
        return {};
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 magic = 0, planes = 0, bitsPerPixel = 0;
    quint32 fileSize = 0, reserved = 0, dataOffset = 0, infoSize = 0, compression = 0;
    quint32 imageSize = 0, coloursUsed = 0, coloursImportant = 0;
    qint32 width = 0, height = 0, xDensity = 0, yDensity = 0;
    in >> magic >> fileSize >> reserved >> dataOffset >> infoSize >> width >> height >> planes >>
        bitsPerPixel >> compression >> imageSize >> xDensity >> yDensity >> coloursUsed >>
        coloursImportant;
    const bool plain = in.status() == QDataStream::Ok && infoSize == 40 && planes == 1 &&
                       (bitsPerPixel == 24 || bitsPerPixel == 8) && compression == 0;
    if (!plain || width <= 0 || width > 16384 || height >= 0 || height < -16384)
        return {};
    const int bytesPerPixel = bitsPerPixel / 8;
    const qint64 stride = (qint64(width) * bytesPerPixel + 3) & ~qint64(3);
    const quint32 colours = bitsPerPixel == 8 ? (coloursUsed ? coloursUsed : 256) : 0;
    if (colours > 256 || dataOffset < headersSize + 4 * colours ||
        dataOffset + stride * -qint64(height) > bytes.size())
        return {};
    const auto* pixels = reinterpret_cast<const uchar*>(bytes.constData()) + dataOffset;

    if (bitsPerPixel == 24) {
        const QImage image(pixels, width, -height, stride, QImage::Format_BGR888);
        return bytesOutliveImage ? image : image.convertToFormat(QImage::Format_RGB32);
    }
    QList<QRgb> palette(colours);
    bool anyAlpha = false;
    for (QRgb& colour : palette) {
        quint8 b = 0, g = 0, r = 0, a = 0;
        in >> b >> g >> r >> a;
        colour = qRgba(r, g, b, a);
        anyAlpha |= a != 0;
    }
    // Most writers leave the fourth byte 0; only a palette that uses it carries alpha.
    if (!anyAlpha) {
        for (QRgb& colour : palette)
            colour |= 0xFF000000u;
    }
    QImage image(pixels, width, -height, stride, QImage::Format_Indexed8);
    image.setColorTable(palette);
    return bytesOutliveImage ? image : image.copy();
}

} // namespace

QImage resourceImage(const QString& path)
{
    initTavrelResources();
    const QResource resource(path);
    // An uncompressed resource hands out its own data, which lives as long as the program.
    const bool stored = resource.compressionAlgorithm() == QResource::Compression::NoCompression;
    if (QImage image = topDownBmp(resource.uncompressedData(), stored); !image.isNull())
        return image;
    return QImage(path);
}
