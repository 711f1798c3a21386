#pragma once

#include <QByteArrayView>
#include <cstdint>

// CRC-16/MODBUS until the link library's own lands on main.
inline std::uint16_t simCrc16(QByteArrayView bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}
