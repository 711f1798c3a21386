#include "link/devicelink.h"

#include "link/portenumeration.h"
#include "link/requests.h"
#include "link/serialline.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/strings.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <algorithm>
#include <utility>

Q_LOGGING_CATEGORY(lcLink, "tavrel.link", QtWarningMsg)

qint32 DeviceLink::probeBaudRate(int stage)
{
    switch (stage) {
    case 5:
        return 9600;
    case 6:
        return 38400;
    case 7:
        return 4800;
    default:
        return 19200;
    }
}

DeviceLink::DeviceLink(DeviceData& data, LabelStore& labels, SerialLine& line, LogSink log,
                       LinkTimings timings, QObject* parent)
    : QObject(parent), m_data(data), m_labels(labels), m_line(line), m_log(std::move(log)),
      m_timings(timings), m_clock([] { return QDateTime::currentSecsSinceEpoch(); })
{
    for (QTimer* t : {&m_replyTimer, &m_tickTimer, &m_connectTimer})
        t->setTimerType(Qt::PreciseTimer);
    m_pauseTimer.setSingleShot(true);
    m_closeTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this, &DeviceLink::onReplyTimeout);
    connect(&m_tickTimer, &QTimer::timeout, this, &DeviceLink::onLinkTick);
    connect(&m_connectTimer, &QTimer::timeout, this, &DeviceLink::onConnectTick);
    connect(&m_pauseTimer, &QTimer::timeout, this, &DeviceLink::onErrorPauseElapsed);
    connect(&m_closeTimer, &QTimer::timeout, this, &DeviceLink::onCloseWaitElapsed);
    connect(&m_line, &SerialLine::frameReceived, this, &DeviceLink::onFrame);
    connect(&m_line, &SerialLine::lineLost, this, &DeviceLink::onLineLost);
}

DeviceLink::~DeviceLink()
{
    stopAllTimers();
    if (m_line.isOpen())
        m_line.close();
}

// --- queries ---------------------------------------------------------------

bool DeviceLink::IsConnected() const
{
    return m_line.isOpen() && m_online;
}

bool DeviceLink::isPortOpen() const
{
    return m_line.isOpen();
}

int DeviceLink::registerProgress() const
{
    return std::clamp<int>(m_data.image().readIndex, 0, entryCount);
}

int DeviceLink::labelFileCode() const
{
    return m_labels.labelFileCode();
}

QString DeviceLink::labelFileName() const
{
    return m_labels.labelFileName();
}

bool DeviceLink::isTimerActive(LinkTimer which) const
{
    return timer(which).isActive();
}

int DeviceLink::timerInterval(LinkTimer which) const
{
    return timer(which).interval();
}

// --- commands --------------------------------------------------------------

void DeviceLink::connectDevice()
{
    m_compareMode = false;
    if (m_line.isOpen()) {
        log(StringId::alreadyConnected);
        return;
    }
    // A new connection starts clean: nothing of an earlier link or attempt carries over.
    stopAllTimers();
    m_pausing = false;
    m_closeKind = CloseKind::None;
    m_pendingOperation = OP_NONE;
    m_replyAwaited = false;
    m_retryCount = 0;
    m_connectStage = STAGE_IDLE;
    m_sent = Sent::Nothing;
    setOnline(false);
    setReadingEvents(false);

    m_linkPort = m_selectedPort;
    if (!m_line.open(m_linkPort, probeBaudRate(1))) {
        logPort(StringId::portOpenProblem);
        emit linkEnded();
        return;
    }
    m_connectStage = 1;
    startTimer(LinkTimer::Connect, m_timings.connectTick);
    send(Requests::linkProbe(), Sent::Probe);
    logPort(StringId::connectionAttempt);
}

void DeviceLink::disconnectDevice()
{
    if (isClosing())
        return;
    if (!m_line.isOpen()) {
        emit linkAnimationStopped();
        setOnline(false);
        log(StringId::alreadyDisconnected);
        return;
    }
    if (!m_linkOpen) {
        // The connection procedure is under way and no tick would carry the link-closing
        // command: stop the attempt here.
        emit linkAnimationStopped();
        log(StringId::disconnecting);
        m_line.close();
        log(StringId::disconnected);
        endLink();
        return;
    }
    disconnectCommand();
}

void DeviceLink::disconnectCommand()
{
    emit linkAnimationStopped();
    setOnline(false);
    log(StringId::disconnecting);
    m_pendingOperation = OP_DISCONNECT;
    clearStatusFields();
}

void DeviceLink::readSettings()
{
    if (!portUsable()) {
        log(StringId::deviceNotConnected);
        return;
    }
    m_compareMode = false;
    m_pendingOperation = OP_READ_SETTINGS;
    log(StringId::readStarted);
}

void DeviceLink::writeSettings()
{
    if (!portUsable()) {
        log(StringId::deviceNotConnected);
        return;
    }
    m_compareMode = false;
    m_pendingOperation = OP_WRITE_SETTINGS;
    log(StringId::writeSettingsStarted);
}

void DeviceLink::compareSettings()
{
    if (!portUsable()) {
        log(StringId::deviceNotConnected);
        return;
    }
    m_compareMode = true;
    m_pendingOperation = OP_COMPARE;
    log(StringId::compareStarted);
}

void DeviceLink::writeFactoryNumber(quint32 number)
{
    m_factoryNumberField = number;
    if (!portUsable()) {
        log(StringId::deviceNotConnected2);
        return;
    }
    // The controller takes 16 bits; a larger number would be cut to another one.
    if (number > 0xFFFF) {
        log(StringId::factoryNumberTooLarge);
        return;
    }
    m_compareMode = false;
    m_pendingOperation = OP_WRITE_FACTORY_NUMBER;
    log(StringId::sendingFactoryNumber);
}

void DeviceLink::reset()
{
    if (!portUsable()) {
        log(StringId::alreadyDisconnected);
        return;
    }
    log(StringId::resetCommand);
    m_pendingOperation = OP_RESET;
}

void DeviceLink::writeRs485Config()
{
    // Refused rather than left pending for a link that may come later.
    if (!IsConnected() || isClosing()) {
        log(StringId::deviceNotConnected2);
        return;
    }
    m_compareMode = false;
    m_pendingOperation = OP_WRITE_RS485;
}

void DeviceLink::readEventRegister()
{
    // Refused when no link could carry it, so that readingEvents cannot stay set.
    if (!IsConnected() || isClosing()) {
        log(StringId::deviceNotConnected);
        return;
    }
    m_eventsRead = false;
    setReadingEvents(true);
    EventRegister::beginRead(m_data.image());
    emit progressChanged(registerProgress());
}

bool DeviceLink::portUsable() const
{
    return m_line.isOpen() && !isClosing();
}

// --- timers ----------------------------------------------------------------

QTimer& DeviceLink::timer(LinkTimer which)
{
    switch (which) {
    case LinkTimer::Reply:
        return m_replyTimer;
    case LinkTimer::Tick:
        return m_tickTimer;
    case LinkTimer::Connect:
        break;
    }
    return m_connectTimer;
}

const QTimer& DeviceLink::timer(LinkTimer which) const
{
    return const_cast<DeviceLink*>(this)->timer(which);
}

void DeviceLink::startTimer(LinkTimer which, int periodMs)
{
    timer(which).start(periodMs);
}

void DeviceLink::stopTimer(LinkTimer which)
{
    timer(which).stop();
}

void DeviceLink::stopAllTimers()
{
    m_replyTimer.stop();
    m_tickTimer.stop();
    m_connectTimer.stop();
    m_pauseTimer.stop();
    m_closeTimer.stop();
    m_tickDeferred = false;
    m_connectTickDeferred = false;
}

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
    const int readIndex = m_data.image().readIndex;
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
        send(Requests::settingsRead(), Sent::Operation);
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
        break;
    case OP_WRITE_SETTINGS:
        send(Requests::settingsWrite(m_data.image().settings), Sent::Operation);
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
        break;
    case OP_WRITE_FACTORY_NUMBER:
        send(Requests::factoryNumber(static_cast<std::uint16_t>(m_factoryNumberField)),
             Sent::Operation);
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
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
        emit progressChanged(0);
        m_pendingOperation = OP_NONE;
        startClosing(CloseKind::Reset, Requests::reset());
        break;
    case OP_WRITE_RS485:
        send(Requests::rs485Write(m_data.image().settings), Sent::Operation);
        startTimer(LinkTimer::Reply, m_timings.replyTimeout);
        log(StringId::writingRs485);
        break;
    default:
        m_pendingOperation = OP_NONE;
        break;
    }
}

void DeviceLink::startClosing(CloseKind kind, const QByteArray& request)
{
    send(request, Sent::Operation);
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
    // The pause does not block the thread; ticks that fall into it run when it ends,
    // and replies that arrive in it are discarded by the purge that ends it.
    m_pausing = true;
    m_pauseTimer.start(m_timings.errorPause);
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
    logPort(StringId::portLost);
    endLink();
}

// --- sending and ending ----------------------------------------------------

void DeviceLink::send(const QByteArray& request, Sent kind)
{
    if (!m_line.isOpen())
        return;
    const qint64 written = m_line.write(request);
    qCDebug(lcLink) << "sent" << request.toHex(' ')
                    << (written == request.size() ? "" : "(failed)");
    emit frameSent(request, written == request.size());
    m_replyAwaited = true;
    m_sent = kind;
}

void DeviceLink::endLink()
{
    stopAllTimers();
    m_pausing = false;
    m_closeKind = CloseKind::None;
    if (m_line.isOpen())
        m_line.close();
    m_connectStage = STAGE_IDLE;
    m_pendingOperation = OP_NONE;
    m_replyAwaited = false;
    m_compareMode = false;
    m_retryCount = 0;
    m_sent = Sent::Nothing;
    setOnline(false);
    if (m_readingEvents)
        abandonRegisterRead();
    emit progressChanged(registerProgress());
    if (m_linkOpen) {
        m_linkOpen = false;
        clearStatusFields();
        emit deviceAccessCleared();
        emit linkAnimationStopped();
    }
    emit linkEnded();
}

void DeviceLink::abandonRegisterRead()
{
    DeviceImage& image = m_data.image();
    if (image.readIndex < entryCount)
        image.readIndex = EventRegister::notRead;
    setReadingEvents(false);
}

void DeviceLink::clearStatusFields()
{
    m_data.image().factoryNumber = 0;
    m_versionText = QStringLiteral("0");
    m_operatingHours = 0;
    m_factoryNumberField = 0;
    emit fieldsChanged();
}

void DeviceLink::setOnline(bool online)
{
    m_online = online;
    updateConnected();
}

void DeviceLink::updateConnected()
{
    const bool connected = IsConnected();
    if (connected == m_connectedReported)
        return;
    m_connectedReported = connected;
    emit connectedChanged(connected);
}

void DeviceLink::setReadingEvents(bool reading)
{
    if (m_readingEvents == reading)
        return;
    m_readingEvents = reading;
    emit readingEventsChanged(reading);
}

// --- log -------------------------------------------------------------------

void DeviceLink::log(int stringId)
{
    if (m_log)
        m_log(stringText(stringId));
}

void DeviceLink::logPort(int stringId)
{
    if (m_log)
        m_log(withPortName(stringText(stringId), m_linkPort));
}

void DeviceLink::logNumber(int stringId, long long number)
{
    if (m_log)
        m_log(fillText(stringId, {QString::number(number)}));
}
