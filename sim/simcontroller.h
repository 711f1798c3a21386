#pragma once

#include "model/deviceimage.h"
#include "model/logsink.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>

constexpr std::uint8_t slaveAddress = 0xFF;
constexpr int linkBaud = 2400;

// Values a real controller is built or set up with.
struct ControllerConfig {
    std::uint8_t firmwareVersion = 22;
    std::uint16_t factoryNumber = 1234;
    std::uint8_t combination = 0; // the DIP switch, 0..15
    std::uint32_t counterStart = 20'000'000;
    int probeBaud = 19200;
    SettingsImage settings = {{0x00, 0x00, 0x00, 0x01, 0x65, 0xBD, 0x33, 0x3D, 0x15, 0x65, 0x95,
                               0x2F, 0x02, 0x06, 0x00, 0x21}};
    // A link nobody talks to falls back to the probe rate, so a tool that went away
    // without closing the link can find the controller again.
    int linkIdleMs = 5000;
    // A faulty controller: the next settings write keeps this image byte with its lowest
    // bit flipped (-1: none).
    int misstoreByte = -1;
};

enum class ModbusException : std::uint8_t {
    IllegalFunction = 0x01,
    IllegalDataAddress = 0x02,
    IllegalDataValue = 0x03,
    DeviceFailure = 0x04,
};

using EventRegisterEntries = std::array<EventEntry, entryCount>;

// The controller's register map and link state: takes one whole request and gives the
// reply a controller would send. Time comes from the caller (milliseconds since start).
class SimController {
public:
    SimController(const ControllerConfig& config, const EventRegisterEntries& entries,
                  std::uint8_t writePosition);

    void setLog(LogSink log) { m_log = std::move(log); }

    // The reply to one request whose CRC was checked, or empty when none is due
    // (another slave address, a broadcast).
    QByteArray respond(QByteArrayView request, qint64 nowMs);

    // The rate the controller listens at now; an idle link falls back first.
    int answerBaud(qint64 nowMs);
    bool isLinkOpen() const { return m_linkOpen; }
    std::uint32_t counter(qint64 nowMs) const;

    void appendEntry(const EventEntry& entry);
    const EventRegisterEntries& entries() const { return m_entries; }
    std::uint8_t writePosition() const { return m_writePosition; }
    // Registers 0..9 as the settings read answers them.
    QByteArray settingsRegisters() const;
    QByteArray statusBlock(qint64 nowMs) const;
    std::uint8_t selector() const;
    std::uint16_t factoryNumber() const { return m_factoryNumber; }
    int resetCount() const { return m_resets; }

    // Everything a test needs to compare with what the tool read, as "key value" lines.
    QByteArray dumpText(qint64 nowMs) const;

    static QByteArray exceptionReply(std::uint8_t function, ModbusException code);
    static QByteArray withCrc(QByteArray frame);

private:
    QByteArray readReply(QByteArrayView request, qint64 nowMs);
    QByteArray writeReply(QByteArrayView request, qint64 nowMs);
    QByteArray command(int count, QByteArrayView data, qint64 nowMs);
    void closeLink(const QString& why);
    void restart(qint64 nowMs);
    void log(const QString& line) const;

    ControllerConfig m_config;
    EventRegisterEntries m_entries;
    std::uint8_t m_writePosition;
    std::array<std::uint8_t, 20> m_registers{};
    std::uint16_t m_factoryNumber;
    bool m_linkOpen = false;
    qint64 m_lastLinkRequestMs = 0;
    int m_resets = 0;
    LogSink m_log;
};
