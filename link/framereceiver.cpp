#include "link/framereceiver.h"

#include "link/crc16.h"
#include "link/requests.h"

#include <algorithm>

std::optional<FrameStatus> FrameReceiver::take(std::uint8_t byte)
{
    std::optional<FrameStatus> status;
    if (m_position == 0) {
        m_length = 0xFFFF;
        m_function = 0;
        m_lengthKnown = false;
        m_writeIndex = 0;
        m_stored = 0;
    }
    if (m_position == 1)
        m_function = byte;
    if (m_position > 1 && !m_lengthKnown) {
        if (m_function == Protocol::functionRead) {
            if (m_position == 2) {
                m_length = byte;
                m_lengthKnown = true;
            }
        } else if (m_function == Protocol::functionWriteSingle ||
                   m_function == Protocol::functionWrite) {
            m_length = 3;
            m_lengthKnown = true;
        } else if (m_function > Protocol::exceptionFlag) {
            m_length = 0;
            m_lengthKnown = true;
        } else {
            status = FrameStatus::FRAME_TYPE_ERROR;
        }
    }
    if (m_lengthKnown && m_position == m_length + 3)
        m_receivedCrc = byte;
    const bool complete = m_lengthKnown && m_position == m_length + 4;
    if (complete)
        m_receivedCrc = static_cast<std::uint16_t>(m_receivedCrc + byte * 256);

    m_buffer[m_writeIndex] = byte;
    m_stored = std::max(m_stored, m_writeIndex + 1);
    ++m_position;
    if (m_position >= bufferSize)
        m_position = bufferSize - 1; // the next byte overwrites the last slot
    else
        ++m_writeIndex;

    if (complete) {
        // The CRC covers everything stored before the CRC low byte.
        const auto covered = QByteArrayView(m_buffer.data(), m_length + 3);
        status =
            Crc16(covered) == m_receivedCrc ? FrameStatus::FRAME_OK : FrameStatus::FRAME_CRC_ERROR;
    }
    return status;
}

QByteArrayView FrameReceiver::reply() const
{
    return QByteArrayView(m_buffer.data(), m_stored);
}
