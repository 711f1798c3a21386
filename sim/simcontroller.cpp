#include "sim/simcontroller.h"

#include "link/crc16.h"
#include "model/catalogue.h"
#include "model/eventregister.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::uint8_t fnRead = 0x03;
constexpr std::uint8_t fnWrite = 0x10;
constexpr int maxReadCount = 125; // Modbus limit for one read
constexpr int statusFirst = 12;
constexpr int statusCount = 6;
constexpr int settingsCount = 10;
constexpr int eventArea = 1024;

// The rate of the controller's RS-485 port from bits 5 and 6 of its configuration byte.
int rs485Baud(std::uint8_t config)
{
    constexpr int rates[4] = {38400, 19200, 9600, 4800};
    return rates[(config >> 5) & 3];
}

std::uint16_t be16(QByteArrayView bytes, int at)
{
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[at]) << 8) |
                                      static_cast<std::uint8_t>(bytes[at + 1]));
}

QString hex(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' '));
}

} // namespace

SimController::SimController(const ControllerConfig& config, const EventRegisterEntries& entries,
                             std::uint8_t writePosition)
    : m_config(config), m_entries(entries), m_writePosition(writePosition),
      m_factoryNumber(config.factoryNumber)
{
    std::memcpy(m_registers.data(), config.settings.bytes, sizeof config.settings.bytes);
    // Register 9 carries the DIP switch in the high nibble of its low byte.
    m_registers[19] = static_cast<std::uint8_t>((config.combination & 0x0F) << 4);
}

QByteArray SimController::withCrc(QByteArray frame)
{
    appendCrc16(frame);
    return frame;
}

QByteArray SimController::exceptionReply(std::uint8_t function, ModbusException code)
{
    QByteArray frame;
    frame.append(static_cast<char>(slaveAddress));
    frame.append(static_cast<char>(function | 0x80));
    frame.append(static_cast<char>(code));
    return withCrc(frame);
}

std::uint32_t SimController::counter(qint64 nowMs) const
{
    return m_config.counterStart + static_cast<std::uint32_t>(nowMs / 1000);
}

std::uint8_t SimController::selector() const
{
    const Catalogue::Combination pair = Catalogue::combinationTable[m_config.combination & 0x0F];
    return static_cast<std::uint8_t>(((pair.variant + 1) << 4) | (pair.circuit + 1));
}

QByteArray SimController::settingsRegisters() const
{
    return QByteArray(reinterpret_cast<const char*>(m_registers.data()),
                      static_cast<qsizetype>(m_registers.size()));
}

QByteArray SimController::statusBlock(qint64 nowMs) const
{
    const std::uint32_t seconds = counter(nowMs);
    QByteArray block(statusCount * 2, '\0');
    for (int i = 0; i < 4; ++i)
        block[i] = static_cast<char>((seconds >> (8 * i)) & 0xFF);
    block[7] = static_cast<char>(m_config.firmwareVersion);
    block[8] = static_cast<char>(m_writePosition);
    block[9] = static_cast<char>(selector());
    block[10] = static_cast<char>(m_factoryNumber & 0xFF);
    block[11] = static_cast<char>(m_factoryNumber >> 8);
    return block;
}

int SimController::answerBaud(qint64 nowMs)
{
    if (m_linkOpen && nowMs - m_lastLinkRequestMs > m_config.linkIdleMs)
        closeLink(QStringLiteral("link closed: no request for %1 ms").arg(m_config.linkIdleMs));
    return m_linkOpen ? linkBaud : m_config.probeBaud;
}

void SimController::closeLink(const QString& why)
{
    if (!m_linkOpen)
        return;
    m_linkOpen = false;
    log(why + QStringLiteral(", listening at %1 baud").arg(m_config.probeBaud));
}

void SimController::log(const QString& line) const
{
    if (m_log)
        m_log(line);
}

void SimController::appendEntry(const EventEntry& entry)
{
    m_entries[m_writePosition] = entry;
    m_writePosition = static_cast<std::uint8_t>(m_writePosition + 1);
}

void SimController::restart(qint64 nowMs)
{
    // The restart snapshot repeats the newest state with the restart bit set.
    EventEntry entry = m_entries[static_cast<std::uint8_t>(m_writePosition - 1)];
    const std::uint32_t seconds = counter(nowMs);
    for (int i = 0; i < 4; ++i)
        entry.bytes[i] = static_cast<std::uint8_t>((seconds >> (8 * i)) & 0xFF);
    entry.bytes[4 + EventRegister::restartBit / 8] |=
        static_cast<std::uint8_t>(1u << (EventRegister::restartBit % 8));
    entry.bytes[11] = EventRegister::checkByte(entry);
    appendEntry(entry);
    ++m_resets;
}

QByteArray SimController::respond(QByteArrayView request, qint64 nowMs)
{
    if (request.size() < 4)
        return {};
    const auto address = static_cast<std::uint8_t>(request[0]);
    if (address != slaveAddress && address != 0)
        return {};
    if (m_linkOpen)
        m_lastLinkRequestMs = nowMs;

    const auto function = static_cast<std::uint8_t>(request[1]);
    QByteArray reply;
    if (function == fnRead && request.size() == 8)
        reply = readReply(request, nowMs);
    else if (function == fnWrite && request.size() >= 9)
        reply = writeReply(request, nowMs);
    else
        reply = exceptionReply(function, ModbusException::IllegalFunction);
    // Broadcasts are carried out but never answered.
    return address == 0 ? QByteArray() : reply;
}

QByteArray SimController::readReply(QByteArrayView request, qint64 nowMs)
{
    const int first = be16(request, 2);
    const int count = be16(request, 4);
    if (count < 1 || count > maxReadCount)
        return exceptionReply(fnRead, ModbusException::IllegalDataValue);

    QByteArray data;
    if (first + count <= settingsCount) {
        data = settingsRegisters().mid(2 * first, 2 * count);
    } else if (first >= statusFirst && first + count <= statusFirst + statusCount) {
        data = statusBlock(nowMs).mid(2 * (first - statusFirst), 2 * count);
    } else if (first >= eventArea && first - eventArea + 2 * count <= int(registerSize)) {
        // The event area is addressed by byte: entry i starts at 1024 + 12 * i.
        const auto* bytes = reinterpret_cast<const char*>(m_entries.data());
        data = QByteArray(bytes + (first - eventArea), 2 * count);
    } else {
        return exceptionReply(fnRead, ModbusException::IllegalDataAddress);
    }

    QByteArray frame;
    frame.append(static_cast<char>(slaveAddress));
    frame.append(static_cast<char>(fnRead));
    frame.append(static_cast<char>(data.size()));
    frame.append(data);
    return withCrc(frame);
}

QByteArray SimController::writeReply(QByteArrayView request, qint64 nowMs)
{
    const int first = be16(request, 2);
    const int count = be16(request, 4);
    const int byteCount = static_cast<std::uint8_t>(request[6]);
    if (count < 1 || byteCount != 2 * count || request.size() != 9 + byteCount)
        return exceptionReply(fnWrite, ModbusException::IllegalDataValue);
    const QByteArrayView data = request.sliced(7, byteCount);

    if (first == 0 && (count == 1 || count == 2)) {
        QByteArray failure = command(count, data, nowMs);
        if (!failure.isEmpty())
            return failure;
    } else if (first == 0 && count == 7) {
        std::memcpy(m_registers.data(), data.data(), 14);
        log(QStringLiteral("settings written: %1").arg(hex(data)));
        if (const int at = std::exchange(m_config.misstoreByte, -1); at >= 0 && at < 14) {
            m_registers[std::size_t(at)] ^= 0x01;
            log(QStringLiteral("fault: byte %1 kept as %2")
                    .arg(at)
                    .arg(int(m_registers[std::size_t(at)]), 2, 16, QLatin1Char('0')));
        }
    } else if (first == 7 && count == 1) {
        m_registers[14] = static_cast<std::uint8_t>(data[0]);
        m_registers[15] = static_cast<std::uint8_t>(data[1]);
        // The port takes its new rate when the link is next opened.
        m_config.probeBaud = rs485Baud(m_registers[15]);
        log(QStringLiteral("RS-485 configuration written: %1 (address %2, %3 baud)")
                .arg(hex(data))
                .arg(m_registers[15] & 0x1F)
                .arg(m_config.probeBaud));
    } else {
        return exceptionReply(fnWrite, ModbusException::IllegalDataAddress);
    }

    QByteArray frame = request.first(6).toByteArray();
    frame[0] = static_cast<char>(slaveAddress);
    return withCrc(frame);
}

// Register 0 takes command words; an empty result means the command was carried out.
QByteArray SimController::command(int count, QByteArrayView data, qint64 nowMs)
{
    const std::uint16_t word = be16(data, 0);
    if (count == 2) {
        if (word != 0xAA27)
            return exceptionReply(fnWrite, ModbusException::IllegalDataValue);
        m_factoryNumber = static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[2]) |
                                                     (static_cast<std::uint8_t>(data[3]) << 8));
        log(QStringLiteral("factory number written: %1").arg(m_factoryNumber));
        return {};
    }
    switch (word) {
    case 0xFFAA:
        if (!m_linkOpen)
            log(QStringLiteral("link opened, listening at %1 baud").arg(linkBaud));
        m_linkOpen = true;
        m_lastLinkRequestMs = nowMs;
        return {};
    case 0xAA55:
        closeLink(QStringLiteral("link closed by the tool"));
        return {};
    case 0xAA21:
        m_linkOpen = false;
        restart(nowMs);
        log(QStringLiteral("reset: restarted, listening at %1 baud").arg(m_config.probeBaud));
        return {};
    default:
        return exceptionReply(fnWrite, ModbusException::IllegalDataValue);
    }
}

QByteArray SimController::dumpText(qint64 nowMs) const
{
    const auto* bytes = reinterpret_cast<const char*>(m_entries.data());
    QByteArray out;
    auto line = [&out](const char* key, const QByteArray& value) {
        out += key;
        out += ' ';
        out += value;
        out += '\n';
    };
    line("firmware", QByteArray::number(m_config.firmwareVersion));
    line("factory-number", QByteArray::number(m_factoryNumber));
    line("combination", QByteArray::number(m_config.combination));
    line("selector", QByteArray::number(selector()));
    line("counter", QByteArray::number(counter(nowMs)));
    line("link", m_linkOpen ? "open" : "closed");
    line("resets", QByteArray::number(m_resets));
    line("settings", settingsRegisters().toHex());
    line("write-position", QByteArray::number(m_writePosition));
    line("register", QByteArray(bytes, int(registerSize)).toHex());
    return out;
}
