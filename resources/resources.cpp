#include "resources/resources.h"

#include <QByteArray>
#include <QDataStream>
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

// Qt's own BMP reader converts pixel by pixel; a plain top-down 24-bit BMP needs no
// more than a row conversion.
QImage topDownBmp(const QByteArray& bytes)
{
    constexpr qint64 headersSize = 14 + 40;
    if (bytes.size() < headersSize || !bytes.startsWith("BM"))
        return {};
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 magic = 0, planes = 0, bitsPerPixel = 0;
    quint32 fileSize = 0, reserved = 0, dataOffset = 0, infoSize = 0, compression = 0;
    qint32 width = 0, height = 0;
    in >> magic >> fileSize >> reserved >> dataOffset >> infoSize >> width >> height >> planes >>
        bitsPerPixel >> compression;
    const bool plain = in.status() == QDataStream::Ok && infoSize >= 40 && planes == 1 &&
                       bitsPerPixel == 24 && compression == 0;
    if (!plain || width <= 0 || width > 16384 || height >= 0 || height < -16384)
        return {};
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    if (dataOffset < headersSize || dataOffset + stride * -qint64(height) > bytes.size())
        return {};
    const auto* pixels = reinterpret_cast<const uchar*>(bytes.constData()) + dataOffset;
    return QImage(pixels, width, -height, stride, QImage::Format_BGR888)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage resourceImage(const QString& path)
{
    initTavrelResources();
    if (QImage image = topDownBmp(QResource(path).uncompressedData()); !image.isNull())
        return image;
    return QImage(path);
}
