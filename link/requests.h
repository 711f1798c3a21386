#pragma once

#include "model/deviceimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// The Modbus RTU requests the tool sends to the controller. Header fields go high byte
// first, the CRC low byte first.
namespace Protocol {

inline constexpr std::uint8_t slaveAddress = 0xFF;
inline constexpr std::uint8_t functionRead = 0x03;
inline constexpr std::uint8_t functionWriteSingle = 0x06;
inline constexpr std::uint8_t functionWrite = 0x10;
inline constexpr std::uint8_t exceptionFlag = 0x80;

// The request buffer holds 128 bytes, so a write carries at most 59 registers.
inline constexpr int requestBufferSize = 128;
inline constexpr int maxWriteRegisters = (requestBufferSize - 9) / 2;

inline constexpr std::uint16_t commandRegister = 0;
inline constexpr std::uint16_t probeRegister = 9;
inline constexpr std::uint16_t probeCount = 1;
inline constexpr std::uint16_t statusRegister = 12;
inline constexpr std::uint16_t statusCount = 6;
inline constexpr std::uint16_t settingsRegister = 0;
inline constexpr std::uint16_t settingsCount = 10;
inline constexpr std::uint16_t settingsWriteCount = 7;
inline constexpr std::uint16_t rs485Register = 7;
inline constexpr std::uint16_t eventBlockBase = 1024;
inline constexpr std::uint16_t registersPerEntry = 12;
inline constexpr int entriesPerBlock = 16;
inline constexpr std::uint16_t eventBlockCount = 96;

// Command words; as the tool's own 16-bit values they go low byte first, so
// CMD_LINK_OPEN is FF AA on the wire.
inline constexpr std::uint16_t CMD_LINK_OPEN = 0xAAFF;
inline constexpr std::uint16_t CMD_LINK_CLOSE = 0x55AA;
inline constexpr std::uint16_t CMD_RESET = 0x21AA;
inline constexpr std::uint16_t CMD_FACTORY_NUMBER = 0x27AA;

// Data byte counts N of the read answers the tool uses.
inline constexpr int probeAnswerSize = 2;
inline constexpr int statusAnswerSize = 12;
inline constexpr int settingsAnswerSize = 20;
inline constexpr int eventBlockAnswerSize = 192;

// First register of the event block that starts at register slot `readIndex`.
constexpr std::uint16_t eventBlockRegister(int readIndex)
{
    return static_cast<std::uint16_t>(eventBlockBase + registersPerEntry * readIndex);
}

} // namespace Protocol

// A read of `count` holding registers from `firstRegister` (function 0x03), 8 bytes.
QByteArray buildReadRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count);

// A write of `count` registers from `firstRegister` (function 0x10), 9 + 2 count bytes;
// the payload's first 2 count bytes go out in their stored order. Empty (refused) when
// the payload is shorter or the request would not fit the 128-byte buffer.
QByteArray buildWriteRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                             QByteArrayView payload);

// The requests of the protocol, all to slave 0xFF.
namespace Requests {
QByteArray linkProbe();
QByteArray statusPoll();
QByteArray settingsRead();
QByteArray eventBlockRead(int readIndex);
QByteArray linkOpen();
QByteArray linkClose();
QByteArray reset();
QByteArray factoryNumber(std::uint16_t number);
// Registers 0..6: image bytes 0..13.
QByteArray settingsWrite(const SettingsImage& image);
// Register 7: image bytes 14 and 15.
QByteArray rs485Write(const SettingsImage& image);
} // namespace Requests
