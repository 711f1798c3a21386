#include "link/rfc2217codec.h"

#include <utility>

namespace {

constexpr std::uint8_t SE = 240;
constexpr std::uint8_t SB = 250;
constexpr std::uint8_t WILL = 251;
constexpr std::uint8_t WONT = 252;
constexpr std::uint8_t DO = 253;
constexpr std::uint8_t DONT = 254;

void appendVerb(QByteArray& out, std::uint8_t verb, std::uint8_t option)
{
    out.append(char(Rfc2217Codec::IAC)).append(char(verb)).append(char(option));
}

bool weSupport(std::uint8_t option)
{
    return option == Rfc2217Codec::optionBinary || option == Rfc2217Codec::optionComPort;
}

bool serverMay(std::uint8_t option)
{
    return option == Rfc2217Codec::optionBinary || option == Rfc2217Codec::optionSuppressGoAhead;
}

} // namespace

void Rfc2217Codec::reset()
{
    m_state = State::Data;
    m_us.fill(Option::No);
    m_him.fill(Option::No);
}

QByteArray Rfc2217Codec::start()
{
    reset();
    QByteArray out;
    appendVerb(out, WILL, optionBinary);
    appendVerb(out, DO, optionBinary);
    appendVerb(out, WILL, optionComPort);
    m_us[optionBinary] = m_us[optionComPort] = m_him[optionBinary] = Option::WantYes;
    return out;
}

QByteArray Rfc2217Codec::escape(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size() + 8);
    for (char byte : data) {
        out.append(byte);
        if (std::uint8_t(byte) == IAC)
            out.append(byte);
    }
    return out;
}

QByteArray Rfc2217Codec::command(Command code, QByteArrayView value)
{
    QByteArray out;
    out.append(char(IAC)).append(char(SB)).append(char(optionComPort)).append(char(code));
    out.append(escape(value));
    out.append(char(IAC)).append(char(SE));
    return out;
}

QByteArray Rfc2217Codec::setBaudRate(std::uint32_t baud)
{
    const char value[] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    return command(Command::SetBaudRate, QByteArrayView(value, 4));
}

QByteArray Rfc2217Codec::byteCommand(Command code, std::uint8_t value)
{
    const char byte = char(value);
    return command(code, QByteArrayView(&byte, 1));
}

QByteArray Rfc2217Codec::lineSettings(std::uint32_t baud)
{
    return setBaudRate(baud) + byteCommand(Command::SetDataSize, 8) +
           byteCommand(Command::SetParity, parityNone) +
           byteCommand(Command::SetStopSize, stopSizeOne);
}

QByteArray Rfc2217Codec::setControl(std::uint8_t value)
{
    return byteCommand(Command::SetControl, value);
}

QByteArray Rfc2217Codec::purgeData(std::uint8_t which)
{
    return byteCommand(Command::PurgeData, which);
}

QByteArray Rfc2217Codec::decode(QByteArrayView received, QByteArray& answer)
{
    QByteArray data;
    data.reserve(received.size());
    for (char c : received) {
        const auto byte = std::uint8_t(c);
        switch (m_state) {
        case State::Data:
            if (byte == IAC)
                m_state = State::Iac;
            else
                data.append(c);
            break;
        case State::Iac:
            if (byte == IAC) {
                data.append(c);
                m_state = State::Data;
            } else if (byte == SB) {
                m_state = State::Sub;
            } else if (byte >= WILL) {
                m_verb = byte;
                m_state = State::Verb;
            } else {
                m_state = State::Data; // NOP, GA and the like carry nothing for us
            }
            break;
        case State::Verb:
            negotiate(m_verb, byte, answer);
            m_state = State::Data;
            break;
        case State::Sub:
            // Notifications and the echoes of our settings: read through, not acted on.
            if (byte == IAC)
                m_state = State::SubIac;
            break;
        case State::SubIac:
            m_state = byte == SE ? State::Data : State::Sub;
            break;
        }
    }
    return data;
}

// Answers only where the state of an option changes, so that two sides that both
// answer every request cannot loop. DO and DONT ask about our side, WILL and WONT tell of
// the server's.
void Rfc2217Codec::negotiate(std::uint8_t verb, std::uint8_t option, QByteArray& answer)
{
    const bool ours = verb == DO || verb == DONT;
    if (!ours && verb != WILL && verb != WONT)
        return;
    Option& state = (ours ? m_us : m_him)[option];
    const std::uint8_t yes = ours ? WILL : DO;
    const std::uint8_t no = ours ? WONT : DONT;
    if (verb == DO || verb == WILL) {
        if (!(ours ? weSupport(option) : serverMay(option)))
            appendVerb(answer, no, option);
        else if (std::exchange(state, Option::Yes) == Option::No)
            appendVerb(answer, yes, option);
    } else if (std::exchange(state, Option::No) == Option::Yes) {
        appendVerb(answer, no, option);
    }
}
