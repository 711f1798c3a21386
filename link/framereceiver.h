#pragma once

#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <optional>

// What the receiver reports for a reply. 2 is never produced; a receiver of the status
// treats every value other than 0, 1 and 3 as an unknown error.
enum class FrameStatus : int {
    FRAME_OK = 0,
    FRAME_CRC_ERROR = 1,
    FRAME_TYPE_ERROR = 3,
};

// Cuts the received byte stream into replies by their own length fields, counted from
// the first byte after the last clearing (there is no silence-based delimiting). The
// address byte is not checked. State survives between calls, so a reply may arrive in
// any number of pieces.
class FrameReceiver {
public:
    static constexpr int bufferSize = 300;

    // Stores one byte and returns a status when this byte completes a reply (FRAME_OK,
    // FRAME_CRC_ERROR) or belongs to a reply of an unknown function (FRAME_TYPE_ERROR,
    // reported for every byte from the third on).
    std::optional<FrameStatus> take(std::uint8_t byte);
    // Position 0: the next byte starts a new reply.
    void clear()
    {
        m_position = 0;
        m_stored = 0;
    }

    // Bytes taken since the last clearing, capped at 299.
    int position() const { return m_position; }
    // The reply as stored: bytes from the start of the buffer up to the last one written.
    QByteArrayView reply() const;

private:
    std::array<std::uint8_t, bufferSize> m_buffer{};
    int m_position = 0;
    int m_writeIndex = 0;
    int m_stored = 0;
    std::uint16_t m_length = 0xFFFF;
    std::uint8_t m_function = 0;
    bool m_lengthKnown = false;
    std::uint16_t m_receivedCrc = 0;
};
