// The three timers of the link, the pause after a bad reply, the wait before closing:
// the connection procedure, the link tick with its operations, and the reply time-out.
#include "link/devicelink.h"
#include "link/portenumeration.h"
#include "link/requests.h"
#include "link/serialline.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/strings.h"

#include <QLoggingCategory>
#include <utility>
#include <iterator>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

void DeviceLink::onConnectTick()
{
    if (m_pausing) {
        m_connectTickDeferred = true;
        return;
    }
    switch (m_connectStage) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
        m_line.close();
        if (!m_line.open(m_linkPort, probeBaudRate(m_connectStage))) {
            stopTimer(LinkTimer::Connect);
            m_connectStage = STAGE_IDLE;
            logPort(StringId::portOpenProblem);
            endLink();
            return;
        }
        send(Requests::linkProbe(), Sent::Probe);
        ++m_connectStage;
        break;
    case 8:
        m_line.close();
        stopTimer(LinkTimer::Connect);
        m_connectStage = STAGE_IDLE;
        log(StringId::deviceNotAnswering);
        endLink();
        break;
    case STAGE_PROBE_ANSWERED:
        send(Requests::linkOpen(), Sent::LinkOpen);
        m_connectStage = STAGE_LINK_OPEN_SENT;
        break;
    case STAGE_LINK_OPEN_SENT:
        // No acknowledgement: the port is not left open with nothing driving it.
        stopTimer(LinkTimer::Connect);
        m_connectStage = STAGE_IDLE;
        log(StringId::deviceNotAnswering);
        endLink();
        break;
    case STAGE_LINK_OPEN_ACKNOWLEDGED:
        establishLink();
        break;
    default:
        break;
    }
}

void DeviceLink::establishLink()
{
    stopTimer(LinkTimer::Connect);
    m_line.close();
    m_connectStage = STAGE_IDLE;
    if (!m_line.open(m_linkPort, linkBaudRate)) {
        logPort(StringId::portOpenProblem);
        endLink();
        return;
    }
    // Whatever was asked while the procedure ran belongs to no link.
    m_pendingOperation = OP_NONE;
    m_replyAwaited = false;
    m_retryCount = 0;
    m_sent = Sent::Nothing;
    m_linkOpen = true;
    startTimer(LinkTimer::Tick, m_timings.tick);
    logPort(StringId::connectionEstablished);
    emit linkAnimationStarted();
    EventRegister::resetReadState(m_data.image());
    m_read.readIndex = EventRegister::notRead;
    m_timeBase = 0;
    m_liveWritePosition = 0;
    m_badStatusReplies = 0;
    emit progressChanged(0);
    emit linkEstablished();
}

void DeviceLink::onLinkTick()
{
    if (m_pausing) {
        m_tickDeferred = true;
        return;
    }
    if (isClosing() || !m_line.isOpen() || m_replyAwaited)
        return;
    if (m_pendingOperation > 0) {
        performOperation();
        return;
    }
    const int readIndex = m_read.readIndex;
    if (readIndex >= 0 && readIndex < entryCount) {
        send(Requests::eventBlockRead(readIndex), Sent::EventBlock);
        startTimer(LinkTimer::Reply, m_timings.eventReplyTimeout);
    } else {
        send(Requests::statusPoll(), Sent::StatusPoll);
        m_pendingOperation = OP_STATUS_POLL;
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
    }
}

void DeviceLink::performOperation()
{
    const int operation = m_pendingOperation;
    m_sentOperation = operation;
    switch (operation) {
    case OP_READ_SETTINGS:
    case OP_COMPARE:
    case OP_READ_BACK:
        sendOperation(Requests::settingsRead());
        break;
    case OP_WRITE_SETTINGS:
        m_writtenSettings = m_data.image().settings;
        sendOperation(Requests::settingsWrite(m_writtenSettings));
        break;
    case OP_WRITE_FACTORY_NUMBER:
        sendOperation(Requests::factoryNumber(static_cast<std::uint16_t>(m_factoryNumberField)));
        break;
    case OP_DISCONNECT:
        stopTimer(LinkTimer::Tick);
        stopTimer(LinkTimer::Reply);
        m_connectStage = STAGE_IDLE;
        emit progressChanged(0);
        m_pendingOperation = OP_NONE;
        startClosing(CloseKind::Disconnect, Requests::linkClose());
        break;
    case OP_RESET:
        stopTimer(LinkTimer::Tick);
        stopTimer(LinkTimer::Reply);
        m_connectStage = STAGE_IDLE;
        EventRegister::resetReadState(m_data.image());
        m_timeBase = 0;
        m_liveWritePosition = 0;
        emit progressChanged(0);
        m_pendingOperation = OP_NONE;
        startClosing(CloseKind::Reset, Requests::reset());
        break;
    case OP_WRITE_RS485:
        log(StringId::writingRs485);
        sendOperation(Requests::rs485Write(m_data.image().settings));
        break;
    default:
        m_pendingOperation = OP_NONE;
        break;
    }
}

void DeviceLink::startClosing(CloseKind kind, const QByteArray& request)
{
    const bool sent = send(request, Sent::Operation);
    if (!sent && kind == CloseKind::Reset) {
        // The controller never got the reset: the link ends, and nothing says it was sent.
        m_line.close();
        emit operationFinished(OP_RESET, false);
        endLink();
        return;
    }
    if (sent)
        m_line.flush();
    m_closeKind = kind;
    m_closeTimer.start(m_timings.closeWait);
}

void DeviceLink::onCloseWaitElapsed()
{
    const CloseKind kind = m_closeKind;
    if (kind == CloseKind::None)
        return;
    m_closeKind = CloseKind::None;
    // endLink clears the device access as well.
    m_line.close();
    log(kind == CloseKind::Disconnect ? StringId::disconnected : StringId::resetSent);
    emit operationFinished(kind == CloseKind::Disconnect ? OP_DISCONNECT : OP_RESET, true);
    endLink();
}

void DeviceLink::onReplyTimeout()
{
    emit replyTimedOut();
    ++m_retryCount;
    if (m_retryCount <= 3) {
        logNumber(StringId::timeLimitCount, m_retryCount);
        m_replyAwaited = false;
        return;
    }
    m_compareMode = false;
    stopAllTimers();
    int message = StringId::timeLimitPassed;
    if (m_pendingOperation == OP_STATUS_POLL) {
        disconnectCommand();
        message = StringId::disconnecting;
    }
    // In both cases the port is closed: nothing would drive it any more.
    m_line.close();
    m_pendingOperation = OP_NONE;
    m_replyAwaited = false;
    log(message);
    endLink();
}

void DeviceLink::startErrorPause()
{
    startErrorPause(m_timings.errorPause);
}

void DeviceLink::startErrorPause(int periodMs)
{
    // The pause does not block the thread; ticks that fall into it run when it ends,
    // and replies that arrive in it are discarded by the purge that ends it.
    m_pausing = true;
    m_pauseTimer.start(periodMs);
}

void DeviceLink::onErrorPauseElapsed()
{
    if (!m_pausing)
        return;
    m_pausing = false;
    if (m_line.isOpen())
        m_line.purge();
    m_replyAwaited = false;
    if (std::exchange(m_connectTickDeferred, false) && m_connectTimer.isActive())
        onConnectTick();
    if (std::exchange(m_tickDeferred, false) && m_tickTimer.isActive())
        onLinkTick();
}

void DeviceLink::onLineLost()
{
    if (!m_linkOpen && m_connectStage == STAGE_IDLE && !isClosing())
        return;
    // In the order of LineLoss.
    static constexpr int lossMessages[] = {StringId::portLost, StringId::serverRefused,
                                           StringId::serverUnknown, StringId::serverNotAnswering};
    static_assert(std::size(lossMessages) == std::size_t(LineLoss::ServerNotAnswering) + 1);
    logPort(lossMessages[int(m_line.lossReason())]);
    endLink();
}

bool DeviceLink::send(const QByteArray& request, Sent kind)
{
    if (!m_line.isOpen())
        return false;
    const qint64 written = m_line.write(request);
    const bool sent = written == request.size();
    qCDebug(lcLink) << "sent" << request.toHex(' ') << (sent ? "" : "(failed)");
    emit frameSent(request, sent);
    m_replyAwaited = true;
    m_sent = kind;
    if (sent)
        return true;
    logPort(StringId::requestNotSent);
    // A probe, poll or block that did not leave is a try without an answer, counted by the
    // reply time-out like one; a user's command ends here, unconfirmed.
    if (kind == Sent::Operation && m_sentOperation != OP_DISCONNECT &&
        m_sentOperation != OP_RESET) {
        const int operation = m_sentOperation;
        if (m_pendingOperation == operation)
            m_pendingOperation = OP_NONE;
        m_compareMode = false;
        m_replyAwaited = false;
        m_sent = Sent::Nothing;
        emit operationFinished(operation, false);
    }
    return false;
}

void DeviceLink::sendOperation(const QByteArray& request)
{
    if (send(request, Sent::Operation))
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
}
