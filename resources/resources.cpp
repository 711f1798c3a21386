#include "resources/resources.h"

#include <QByteArray>
#include <QResource>
#include <QtEndian>
#include <cstring>

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

template <typename T> T field(const QByteArray& bytes, int offset)
{
    T value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return qFromLittleEndian(value);
}

// Qt's own BMP reader converts pixel by pixel; a plain top-down 24-bit BMP needs no
// more than a row conversion.
QImage topDownBmp(const QByteArray& bytes)
{
    constexpr qint64 headersSize = 14 + 40;
    if (bytes.size() < headersSize || !bytes.startsWith("BM"))
        return {};
    const auto dataOffset = field<quint32>(bytes, 10);
    const auto width = field<qint32>(bytes, 18);
    const auto height = field<qint32>(bytes, 22);
    const bool plain = field<quint32>(bytes, 14) >= 40 && field<quint16>(bytes, 26) == 1 &&
                       field<quint16>(bytes, 28) == 24 && field<quint32>(bytes, 30) == 0;
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
