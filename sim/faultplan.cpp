#include "sim/faultplan.h"

#include "link/requests.h"
#include "sim/simcontroller.h"

#include <QStringList>

namespace {

bool hits(int every, int n)
{
    return every > 0 && n % every == 0;
}

// The first register a read request asks for, or -1 for any other request.
int readRegister(const QByteArray& request)
{
    if (request.size() < 6 || quint8(request[1]) != Protocol::functionRead)
        return -1;
    return (quint8(request[2]) << 8) | quint8(request[3]);
}

} // namespace

FaultPlan::FaultPlan(const FaultConfig& config, std::uint32_t seed)
    : m_config(config), m_random(seed)
{
}

QByteArray FaultPlan::garbage()
{
    QByteArray bytes(int(1 + m_random() % 8), '\0');
    for (char& b : bytes)
        b = static_cast<char>(m_random() & 0xFF);
    return bytes;
}

ReplyPlan FaultPlan::apply(const QByteArray& reply, bool onLink, const QByteArray& request)
{
    ReplyPlan plan{reply, 0, {}};
    const int first = readRegister(request);
    const bool refuse = (m_config.refuseStatus && first == Protocol::statusRegister) ||
                        (first >= Protocol::eventBlockBase && m_config.refuseEventsAfter >= 0 &&
                         m_eventBlocks++ >= m_config.refuseEventsAfter);
    if (refuse && reply.size() >= 2) {
        plan.bytes = SimController::exceptionReply(static_cast<std::uint8_t>(reply[1]),
                                                   ModbusException(m_config.exceptionCode));
        plan.note = QStringLiteral("refused, exception %1").arg(m_config.exceptionCode);
        return plan;
    }
    if (reply.size() < 4 || !(onLink || m_config.duringConnect))
        return plan;
    const int n = ++m_counted;
    plan.delayMs = m_config.delayMs;
    if (m_config.stopAfter > 0 && n > m_config.stopAfter) {
        plan.bytes.clear();
        plan.note = QStringLiteral("silent");
        return plan;
    }
    if (hits(m_config.dropEvery, n)) {
        plan.bytes.clear();
        plan.note = QStringLiteral("dropped");
        return plan;
    }
    QStringList notes;
    if (m_config.delayMs > 0)
        notes << QStringLiteral("delayed %1 ms").arg(m_config.delayMs);
    if (hits(m_config.exceptionEvery, n)) {
        plan.bytes = SimController::exceptionReply(static_cast<std::uint8_t>(reply[1]),
                                                   ModbusException(m_config.exceptionCode));
        notes << QStringLiteral("exception %1").arg(m_config.exceptionCode);
    }
    if (hits(m_config.corruptEvery, n)) {
        // Flip bits of the high CRC byte: the reply keeps its length but fails the check.
        plan.bytes[plan.bytes.size() - 1] = static_cast<char>(plan.bytes.back() ^ 0x5A);
        notes << QStringLiteral("CRC corrupted");
    }
    if (hits(m_config.garbageEvery, n)) {
        const QByteArray junk = garbage();
        plan.bytes = m_config.garbageAfter ? plan.bytes + junk : junk + plan.bytes;
        notes << QStringLiteral("%1 garbage bytes %2")
                     .arg(junk.size())
                     .arg(m_config.garbageAfter ? QStringLiteral("after")
                                                : QStringLiteral("before"));
    }
    plan.note = notes.join(QStringLiteral(", "));
    return plan;
}
