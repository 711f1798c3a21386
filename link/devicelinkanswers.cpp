// The replies of the controller: read answers by their byte count, write answers by
// their register count, exceptions, and bad frames.
#include "link/devicelink.h"
#include "link/requests.h"
#include "link/serialline.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QLoggingCategory>
#include <algorithm>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace {

std::uint8_t byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

} // namespace

void DeviceLink::onFrame(FrameStatus status, const QByteArray& reply)
{
    qCDebug(lcLink) << "received" << reply.toHex(' ') << "status" << int(status);
    emit frameReceived(reply, status);
    // While the thread would have been held by the pause, or the port is about to close,
    // replies are not handled; the purge or the close discards them.
    if (m_pausing || isClosing() || !m_line.isOpen())
        return;
    stopTimer(LinkTimer::Reply);
    // Counted as refused until a status answer is taken from the reply.
    if (m_sent == Sent::StatusPoll)
        ++m_badStatusReplies;
    if (status != FrameStatus::FRAME_OK) {
        switch (status) {
        case FrameStatus::FRAME_CRC_ERROR:
            log(StringId::crcError);
            break;
        case FrameStatus::FRAME_TYPE_ERROR:
            log(StringId::frameTypeError);
            break;
        default:
            log(StringId::unknownError);
            break;
        }
        if (!endLinkIfStatusRefused())
            startErrorPause();
        return;
    }
    // Tries that timed out may still be answered, late, and nothing in a reply tells which
    // request it answers: taken for the answer to the next request, a late event block
    // would land in the wrong slots. So after a good answer that follows time-outs, the
    // line is drained as long as the earlier tries' answers could take to come (each try
    // came a reply time-out and at most a tick after the one before), with the pause after
    // a bad reply to spare.
    const unsigned unanswered = std::exchange(m_retryCount, 0u);
    const int drainMs =
        int(unanswered) * (m_replyTimer.interval() + m_tickTimer.interval()) + m_timings.errorPause;
    if (reply.size() >= 2) {
        const std::uint8_t function = byteAt(reply, 1);
        if (function == Protocol::functionRead)
            readAnswer(reply);
        else if (function == Protocol::functionWrite)
            writeAnswer(reply);
        else if (function > Protocol::exceptionFlag)
            exceptionAnswer(reply);
    }
    m_sent = Sent::Nothing;
    m_replyAwaited = false;
    if (endLinkIfStatusRefused())
        return;
    // The link-closing and reset frames await no answer: they need no drain.
    const bool closingNext = m_pendingOperation == OP_DISCONNECT || m_pendingOperation == OP_RESET;
    if (unanswered > 0 && !closingNext && m_line.isOpen() && !isClosing() && !m_pausing)
        startErrorPause(drainMs);
}

void DeviceLink::readAnswer(QByteArrayView reply)
{
    // Only the framed bytes are read: a byte count that the reply does not hold is
    // an incomplete answer.
    const int count = reply.size() >= 3 ? byteAt(reply, 2) : -1;
    if (count < 0 || reply.size() < count + 5) {
        log(StringId::readIncomplete);
        return;
    }
    const QByteArrayView data = reply.sliced(3, count);
    switch (count) {
    case Protocol::settingsAnswerSize:
        settingsAnswer(data);
        break;
    case Protocol::statusAnswerSize:
        statusAnswer(data);
        break;
    case Protocol::eventBlockAnswerSize:
        eventBlockAnswer(data);
        break;
    case Protocol::probeAnswerSize:
        // Only while probing: the same two bytes on an open link would replace the
        // combination and label set the controller reported.
        if (!probing()) {
            log(StringId::readIncomplete);
            break;
        }
        SettingsRecord::applyProbeAnswer(m_data, data);
        m_connectStage = STAGE_PROBE_ANSWERED;
        break;
    default:
        log(StringId::readIncomplete);
        break;
    }
}

void DeviceLink::settingsAnswer(QByteArrayView data)
{
    const int operation = m_sent == Sent::Operation ? m_sentOperation : m_pendingOperation;
    // A late answer to a repeated read must not swallow a command given since (a
    // disconnect, a write): only the read or compare it answers is done.
    if (m_pendingOperation <= OP_NONE || m_pendingOperation == OP_READ_SETTINGS ||
        m_pendingOperation == OP_COMPARE || m_pendingOperation == OP_READ_BACK)
        m_pendingOperation = OP_NONE;
    DeviceSettings device{};
    std::copy_n(data.begin(), sizeof device.image.bytes, device.image.bytes);
    device.combination = byteAt(data, 19) >> 4;
    m_deviceSettings = device;
    if (operation == OP_READ_BACK) {
        emit operationFinished(operation, true);
        return;
    }
    if (m_compareMode) {
        m_compareMode = false;
        const bool identical = SettingsRecord::matchesSettingsAnswer(m_data.image(), data);
        log(identical ? StringId::settingsIdentical : StringId::settingsDifferent);
        emit compareFinished(identical);
        emit operationFinished(operation, true);
        return;
    }
    SettingsRecord::applySettingsAnswer(m_data, data);
    m_settingsRead = true;
    log(StringId::settingsRead);
    emit settingsArrived();
    emit operationFinished(operation, true);
}

void DeviceLink::statusAnswer(QByteArrayView d)
{
    DeviceImage& image = m_data.image();
    const std::uint8_t version = byteAt(d, 7);
    m_versionText = QString::asprintf("%2.1f", version / 10.0);
    m_labels.setLabelFileCode(version);
    m_deviceLabelFileCode = version;
    const std::uint32_t counter = byteAt(d, 0) | (std::uint32_t(byteAt(d, 1)) << 8) |
                                  (std::uint32_t(byteAt(d, 2)) << 16) |
                                  (std::uint32_t(byteAt(d, 3)) << 24);
    m_operatingHours = counter / 3600;
    if (m_factoryNumberField == 0) {
        image.factoryNumber = static_cast<std::uint16_t>(byteAt(d, 10) | (byteAt(d, 11) << 8));
        m_factoryNumberField = image.factoryNumber;
    }
    if (m_read.readIndex == EventRegister::readRequested) {
        m_read.readIndex = 0;
        startTimer(LinkTimer::Tick, m_timings.eventTick);
    }
    const qint64 now = m_clock();
    EventRegister::applyStatus(image, counter, byteAt(d, 8), now);
    if (m_timeBase == 0)
        m_timeBase = static_cast<std::uint32_t>(now - counter);
    m_liveWritePosition = byteAt(d, 8);
    m_badStatusReplies = 0;
    image.deviceSelector = byteAt(d, 9);
    setOnline(true);
    emit fieldsChanged();
}

void DeviceLink::eventBlockAnswer(QByteArrayView data)
{
    // A block nobody asked for (a late answer after the read ended) changes nothing.
    if (m_read.readIndex < 0 || m_read.readIndex >= entryCount)
        return;
    const bool first = m_read.readIndex == 0;
    EventRegister::storeEntries(m_read, data);
    if (first) {
        log(StringId::readingEventRegister);
        setReadingEvents(true);
    }
    emit progressChanged(registerProgress());
    if (m_read.readIndex >= entryCount) {
        EventRegister::takeRead(m_data.image(), m_read, m_timeBase);
        startTimer(LinkTimer::Tick, m_timings.tick);
        log(StringId::eventRegisterRead);
        m_eventsRead = true;
        setReadingEvents(false);
        emit registerCompleted();
    }
}

void DeviceLink::writeAnswer(QByteArrayView reply)
{
    const int operation = m_sent == Sent::Operation ? m_sentOperation : OP_NONE;
    const int count = reply.size() >= 6 ? byteAt(reply, 5) : -1;
    bool confirmed = false;
    switch (count) {
    case 1:
        if (m_pendingOperation == OP_WRITE_RS485) {
            log(StringId::rs485Written);
            confirmed = operation == OP_WRITE_RS485;
        } else if (m_connectStage == STAGE_LINK_OPEN_SENT) {
            m_connectStage = STAGE_LINK_OPEN_ACKNOWLEDGED;
        }
        break;
    case 2:
        log(StringId::factoryNumberWritten);
        confirmed = operation == OP_WRITE_FACTORY_NUMBER;
        break;
    case 7:
        log(StringId::settingsWritten);
        confirmed = operation == OP_WRITE_SETTINGS;
        // Registers 0..6 now hold what was sent; 7 and the combination are untouched.
        if (confirmed && m_deviceSettings)
            std::copy_n(m_writtenSettings.bytes, Protocol::settingsWriteCount * 2,
                        m_deviceSettings->image.bytes);
        break;
    default:
        log(StringId::badWrite);
        break;
    }
    // As for the settings answer: a disconnect or reset given meanwhile stays pending.
    if (m_pendingOperation != OP_DISCONNECT && m_pendingOperation != OP_RESET)
        m_pendingOperation = OP_NONE;
    if (operation > OP_NONE)
        emit operationFinished(operation, confirmed);
}

void DeviceLink::exceptionAnswer(QByteArrayView reply)
{
    const int code = reply.size() >= 3 ? byteAt(reply, 2) : 0;
    logNumber(StringId::exceptionReply, code);
    if (m_sent == Sent::Operation && m_sentOperation > OP_NONE) {
        // The controller refuses what the user asked: asking again would draw the same.
        if (m_pendingOperation == m_sentOperation) {
            m_pendingOperation = OP_NONE;
            m_compareMode = false;
        }
        emit operationFinished(m_sentOperation, false);
    } else if (m_sent == Sent::EventBlock && m_readingEvents) {
        abandonRegisterRead();
        startTimer(LinkTimer::Tick, m_timings.tick);
        emit progressChanged(registerProgress());
    }
}

bool DeviceLink::endLinkIfStatusRefused()
{
    // A controller that refuses or spoils every status poll never lets the link come up;
    // it gets as many tries as one that does not answer at all.
    if (m_badStatusReplies <= 3)
        return false;
    log(StringId::statusRefused);
    endLink();
    return true;
}
