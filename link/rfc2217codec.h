#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>

// The client side of Telnet with the Com Port Control option, on bytes only: what goes on
// the wire for serial data and for the serial settings, and the serial data in what a
// serial server sends back. The server's notifications and its answers to our settings
// are read and dropped; options it offers besides ours are refused.
class Rfc2217Codec {
public:
    static constexpr std::uint8_t IAC = 0xFF;
    static constexpr std::uint8_t optionBinary = 0;
    static constexpr std::uint8_t optionSuppressGoAhead = 3;
    static constexpr std::uint8_t optionComPort = 44;

    // Client command codes of the Com Port Control option (the server answers each + 100).
    enum class Command : std::uint8_t {
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        PurgeData = 12,
    };
    static constexpr std::uint8_t parityNone = 1;
    static constexpr std::uint8_t stopSizeOne = 1;
    static constexpr std::uint8_t controlDtrOn = 8;
    static constexpr std::uint8_t controlDtrOff = 9;
    static constexpr std::uint8_t purgeBoth = 3;

    // Forgets the negotiation of an earlier connection.
    void reset();
    // What the client offers as a connection starts: binary both ways, Com Port Control.
    QByteArray start();

    // Serial data as sent: the 0xFF byte doubled.
    static QByteArray escape(QByteArrayView data);
    // One subnegotiation of the Com Port Control option; the value is escaped.
    static QByteArray command(Command code, QByteArrayView value);
    static QByteArray setBaudRate(std::uint32_t baud);
    // The settings of a line opened at `baud`: 8 data bits, no parity, one stop bit.
    static QByteArray lineSettings(std::uint32_t baud);
    static QByteArray setControl(std::uint8_t value);
    static QByteArray purgeData(std::uint8_t which = purgeBoth);

    // Received bytes, in pieces as they come: returns the serial data they carry; the
    // answers the negotiation needs are appended to `answer`. A sequence split between
    // two calls is completed by the second.
    QByteArray decode(QByteArrayView received, QByteArray& answer);

    // The server agreed to handle the serial settings.
    bool comPortAccepted() const { return m_us[optionComPort] == Option::Yes; }

private:
    enum class State : std::uint8_t { Data, Iac, Verb, Sub, SubIac };
    // Per side of an option: off, asked for and not yet answered, on.
    enum class Option : std::uint8_t { No, WantYes, Yes };

    static QByteArray byteCommand(Command code, std::uint8_t value);
    void negotiate(std::uint8_t verb, std::uint8_t option, QByteArray& answer);

    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::array<Option, 256> m_us{};  // options we perform (WILL / WONT)
    std::array<Option, 256> m_him{}; // options the server performs (DO / DONT)
};
