#pragma once

#include <QColor>
#include <cstdint>

// Colours of the device data are 0x00BBGGRR, red in the low byte.
inline QColor colorFromRef(std::uint32_t ref)
{
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

inline std::uint32_t colorRef(const QColor& c)
{
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
           (std::uint32_t(c.blue()) << 16);
}
