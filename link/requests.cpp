#include "link/requests.h"

#include "link/crc16.h"

namespace {

void appendBigEndian(QByteArray& frame, std::uint16_t value)
{
    frame.append(static_cast<char>(value >> 8));
    frame.append(static_cast<char>(value & 0xFF));
}

QByteArray commandPayload(std::uint16_t command)
{
    QByteArray payload;
    payload.append(static_cast<char>(command & 0xFF));
    payload.append(static_cast<char>(command >> 8));
    return payload;
}

QByteArray imageBytes(const SettingsImage& image, int first, int count)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes) + first, count);
}

} // namespace

QByteArray buildReadRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count)
{
    QByteArray frame;
    frame.reserve(8);
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(Protocol::functionRead));
    appendBigEndian(frame, firstRegister);
    appendBigEndian(frame, count);
    appendCrc16(frame);
    return frame;
}

QByteArray buildWriteRequest(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                             QByteArrayView payload)
{
    const qsizetype dataSize = 2 * qsizetype(count);
    if (count > Protocol::maxWriteRegisters || payload.size() < dataSize)
        return {};
    QByteArray frame;
    frame.reserve(9 + dataSize);
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(Protocol::functionWrite));
    appendBigEndian(frame, firstRegister);
    appendBigEndian(frame, count);
    frame.append(static_cast<char>(dataSize & 0xFF));
    frame.append(payload.first(dataSize));
    appendCrc16(frame);
    return frame;
}

namespace Requests {

using namespace Protocol;

QByteArray linkProbe()
{
    return buildReadRequest(slaveAddress, probeRegister, probeCount);
}

QByteArray statusPoll()
{
    return buildReadRequest(slaveAddress, statusRegister, statusCount);
}

QByteArray settingsRead()
{
    return buildReadRequest(slaveAddress, settingsRegister, settingsCount);
}

QByteArray eventBlockRead(int readIndex)
{
    return buildReadRequest(slaveAddress, eventBlockRegister(readIndex), eventBlockCount);
}

QByteArray linkOpen()
{
    return buildWriteRequest(slaveAddress, commandRegister, 1, commandPayload(CMD_LINK_OPEN));
}

QByteArray linkClose()
{
    return buildWriteRequest(slaveAddress, commandRegister, 1, commandPayload(CMD_LINK_CLOSE));
}

QByteArray reset()
{
    return buildWriteRequest(slaveAddress, commandRegister, 1, commandPayload(CMD_RESET));
}

QByteArray factoryNumber(std::uint16_t number)
{
    QByteArray payload = commandPayload(CMD_FACTORY_NUMBER);
    payload.append(commandPayload(number));
    return buildWriteRequest(slaveAddress, commandRegister, 2, payload);
}

QByteArray settingsWrite(const SettingsImage& image)
{
    return buildWriteRequest(slaveAddress, settingsRegister, settingsWriteCount,
                             imageBytes(image, 0, 2 * settingsWriteCount));
}

QByteArray rs485Write(const SettingsImage& image)
{
    return buildWriteRequest(slaveAddress, rs485Register, 1, imageBytes(image, 14, 2));
}

} // namespace Requests
