#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
// Sent low byte first.
std::uint16_t Crc16(QByteArrayView bytes);

// Appends the CRC of everything already in `frame`, low byte first.
void appendCrc16(QByteArray& frame);
