#pragma once

// Replies of a controller as the tests hand them to the in-memory line.

#include "link/crc16.h"
#include "model/deviceimage.h"

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

namespace Fake {

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QByteArray withCrc(QByteArray frame)
{
    appendCrc16(frame);
    return frame;
}

inline QByteArray readAnswer(const QByteArray& data)
{
    return withCrc(QByteArray("\xff\x03", 2) + char(data.size()) + data);
}

inline QByteArray probeAnswer(std::uint8_t byte1 = 0x00)
{
    return readAnswer(QByteArray(1, '\0') + char(byte1));
}

struct Status {
    std::uint32_t counter = 3600;
    std::uint8_t version = 22, livePosition = 0, selector = 0x11;
    std::uint16_t factoryNumber = 4321;
};

inline QByteArray statusAnswer(const Status& s = {})
{
    QByteArray d(12, '\0');
    qToLittleEndian(s.counter, d.data());
    qToLittleEndian(s.factoryNumber, d.data() + 10);
    d[7] = char(s.version);
    d[8] = char(s.livePosition);
    d[9] = char(s.selector);
    return readAnswer(d);
}

inline QByteArray settingsAnswer(const SettingsImage& image, std::uint8_t combination)
{
    return readAnswer(QByteArray(reinterpret_cast<const char*>(image.bytes), 16) +
                      QByteArray(3, '\0') + char(combination << 4));
}

inline QByteArray writeAnswer(std::uint16_t firstRegister, std::uint16_t count)
{
    return withCrc(QByteArray("\xff\x10", 2) + char(firstRegister >> 8) + char(firstRegister) +
                   char(count >> 8) + char(count));
}

inline QByteArray exceptionAnswer(std::uint8_t function, std::uint8_t code)
{
    return withCrc(QByteArray(1, '\xff') + char(function | 0x80) + char(code));
}

// Sixteen entries whose bytes tell block, entry and byte apart.
inline QByteArray eventBlock(int firstSlot)
{
    QByteArray d(16 * 12, Qt::Uninitialized);
    for (int i = 0; i < d.size(); ++i)
        d[i] = char((firstSlot + i / 12) * 3 + i % 12);
    return readAnswer(d);
}

} // namespace Fake
