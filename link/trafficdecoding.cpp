#include "link/trafficdecoding.h"

#include "link/requests.h"
#include "model/strings.h"

namespace {

using namespace Protocol;

std::uint8_t byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

// A header field, high byte first.
unsigned wordAt(QByteArrayView bytes, qsizetype i)
{
    return unsigned(byteAt(bytes, i)) << 8 | byteAt(bytes, i + 1);
}

QString number(long long n)
{
    return QString::number(n);
}

// Block 1..16 of the event register read that starts at `firstRegister`, or 0.
int eventBlockNumber(unsigned firstRegister, unsigned count)
{
    constexpr unsigned blockRegisters = registersPerEntry * entriesPerBlock;
    if (count != eventBlockCount || firstRegister < eventBlockBase ||
        (firstRegister - eventBlockBase) % blockRegisters != 0)
        return 0;
    const unsigned block = (firstRegister - eventBlockBase) / blockRegisters;
    return block < 16 ? int(block) + 1 : 0;
}

// The event block that a request reads, or 0.
int requestedBlock(QByteArrayView request)
{
    if (request.size() < 8 || byteAt(request, 1) != functionRead)
        return 0;
    return eventBlockNumber(wordAt(request, 2), wordAt(request, 4));
}

QString describeRead(unsigned first, unsigned count)
{
    if (first == probeRegister && count == probeCount)
        return stringText(StringId::requestProbe);
    if (first == statusRegister && count == statusCount)
        return stringText(StringId::requestStatus);
    if (first == settingsRegister && count == settingsCount)
        return stringText(StringId::requestSettings);
    if (const int block = eventBlockNumber(first, count))
        return fillText(StringId::requestEventBlock, {number(block)});
    return fillText(StringId::requestRead, {number(count), number(first)});
}

QString describeWrite(QByteArrayView request)
{
    const unsigned first = wordAt(request, 2);
    const unsigned count = wordAt(request, 4);
    const QByteArrayView data = request.sliced(7, request.size() - 9);
    const auto command = [&](std::uint16_t word) {
        return data.size() >= 2 && byteAt(data, 0) == (word & 0xFF) && byteAt(data, 1) == word >> 8;
    };
    if (first == commandRegister && count == 1 && command(CMD_LINK_OPEN))
        return stringText(StringId::requestLinkOpen);
    if (first == commandRegister && count == 1 && command(CMD_LINK_CLOSE))
        return stringText(StringId::requestLinkClose);
    if (first == commandRegister && count == 1 && command(CMD_RESET))
        return stringText(StringId::resetCommand);
    if (first == commandRegister && count == 2 && data.size() >= 4 && command(CMD_FACTORY_NUMBER))
        return fillText(StringId::requestFactoryNumber,
                        {number(byteAt(data, 2) | byteAt(data, 3) << 8)});
    if (first == settingsRegister && count == settingsWriteCount)
        return stringText(StringId::requestSettingsWrite);
    if (first == rs485Register && count == 1)
        return stringText(StringId::requestRs485Write);
    return fillText(StringId::requestWrite, {number(count), number(first)});
}

} // namespace

namespace TrafficDecoding {

QString describeRequest(QByteArrayView request)
{
    if (request.size() >= 8 && byteAt(request, 1) == functionRead)
        return describeRead(wordAt(request, 2), wordAt(request, 4));
    if (request.size() >= 9 && byteAt(request, 1) == functionWrite &&
        request.size() == 9 + byteAt(request, 6))
        return describeWrite(request);
    return stringText(StringId::frameUnknown);
}

QString describeReply(QByteArrayView reply, QByteArrayView request)
{
    const QString asked =
        request.isEmpty() ? stringText(StringId::frameUnknown) : describeRequest(request);
    if (reply.size() < 5)
        return stringText(StringId::frameUnknown);
    const std::uint8_t function = byteAt(reply, 1);
    if (function == functionRead) {
        const int count = byteAt(reply, 2);
        if (reply.size() < count + 5)
            return stringText(StringId::frameUnknown);
        const QByteArrayView d = reply.sliced(3, count);
        switch (count) {
        case probeAnswerSize:
            return fillText(StringId::replyProbe, {number((byteAt(d, 1) >> 4) & 7)});
        case statusAnswerSize:
            return fillText(StringId::replyStatus,
                            {QString::asprintf("%2.1f", byteAt(d, 7) / 10.0).trimmed(),
                             number(byteAt(d, 10) | byteAt(d, 11) << 8)});
        case settingsAnswerSize:
            return fillText(StringId::replySettings, {number(byteAt(d, 19) >> 4)});
        case eventBlockAnswerSize:
            if (const int block = requestedBlock(request))
                return fillText(StringId::replyEventBlock, {number(block)});
            break;
        default:
            break;
        }
        return fillText(StringId::replyRead, {number(count)});
    }
    if (function == functionWrite || function == functionWriteSingle)
        return fillText(StringId::replyWrite, {asked});
    if (function > exceptionFlag)
        return fillText(StringId::replyException, {number(byteAt(reply, 2)), asked});
    return stringText(StringId::frameUnknown);
}

QString hexBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' '));
}

} // namespace TrafficDecoding

QString trafficLine(const TrafficEntry& entry)
{
    static constexpr const char* arrows[] = {"->", "<-", "--"};
    QString line = entry.time.toString(QStringLiteral("HH:mm:ss.zzz"));
    line += u' ';
    line += QLatin1String(arrows[int(entry.direction)]);
    line += entry.error ? QStringLiteral(" ! ") : QStringLiteral("   ");
    if (!entry.bytes.isEmpty()) {
        line += TrafficDecoding::hexBytes(entry.bytes);
        line += QStringLiteral("  ");
    }
    line += entry.description;
    return line;
}
