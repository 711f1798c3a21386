#include "sim/requestframer.h"

#include "link/crc16.h"

namespace {

// Longer than any request (9 + 255 bytes); older noise is dropped.
constexpr qsizetype maxBuffered = 512;

bool crcHolds(QByteArrayView frame)
{
    if (frame.size() < 4)
        return false;
    const std::uint16_t crc = Crc16(frame.first(frame.size() - 2));
    return static_cast<std::uint8_t>(frame[frame.size() - 2]) == (crc & 0xFF) &&
           static_cast<std::uint8_t>(frame[frame.size() - 1]) == (crc >> 8);
}

// Length of the request starting the buffer: 0 when more bytes are needed to know it,
// -1 when the function carries no length of its own.
int requestLength(QByteArrayView buffer)
{
    if (buffer.size() < 2)
        return 0;
    switch (static_cast<std::uint8_t>(buffer[1])) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
        return 8;
    case 0x0F:
    case 0x10:
        return buffer.size() < 7 ? 0 : 9 + static_cast<std::uint8_t>(buffer[6]);
    default:
        return -1;
    }
}

} // namespace

QList<QByteArray> RequestFramer::push(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    QList<QByteArray> requests;
    while (true) {
        // The first whole request with a correct CRC; what comes before it is noise.
        const QByteArrayView view(m_buffer);
        qsizetype start = -1;
        int length = 0;
        for (qsizetype k = 0; k < view.size() && start < 0; ++k) {
            length = requestLength(view.sliced(k));
            if (length > 0 && k + length <= view.size() && crcHolds(view.sliced(k, length)))
                start = k;
        }
        if (start < 0)
            break;
        m_skipped += start;
        requests.append(m_buffer.mid(start, length));
        m_buffer.remove(0, start + length);
    }
    if (m_buffer.size() > maxBuffered) {
        m_skipped += m_buffer.size() - maxBuffered;
        m_buffer.remove(0, m_buffer.size() - maxBuffered);
    }
    return requests;
}

std::optional<QByteArray> RequestFramer::takeOnSilence()
{
    QByteArray rest;
    rest.swap(m_buffer);
    if (requestLength(rest) == -1 && crcHolds(rest))
        return rest;
    m_skipped += rest.size();
    return std::nullopt;
}
