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
    return std::clamp<int>(m_read.readIndex, 0, entryCount);
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
    m_badStatusReplies = 0;
    m_read.readIndex = EventRegister::notRead;
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
    queueSettingsOperation(OP_READ_SETTINGS, StringId::readStarted);
}

void DeviceLink::writeSettings()
{
    queueSettingsOperation(OP_WRITE_SETTINGS, StringId::writeSettingsStarted);
}

void DeviceLink::compareSettings()
{
    queueSettingsOperation(OP_COMPARE, StringId::compareStarted);
}

void DeviceLink::readBackSettings()
{
    queueSettingsOperation(OP_READ_BACK, StringId::readBackStarted);
}

void DeviceLink::queueSettingsOperation(int operation, int startedId)
{
    if (!portUsable()) {
        log(StringId::deviceNotConnected);
        return;
    }
    m_compareMode = operation == OP_COMPARE;
    m_pendingOperation = operation;
    log(startedId);
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
    const DeviceImage& image = m_data.image();
    EventRegister::beginRead(m_read, m_liveWritePosition, image.factoryNumber,
                             image.deviceSelector);
    emit progressChanged(registerProgress());
}

bool DeviceLink::portUsable() const
{
    // While the connection procedure runs no tick would carry an operation; it is refused
    // rather than kept for a link that may not come.
    return m_line.isOpen() && m_linkOpen && !isClosing();
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

// --- ending ----------------------------------------------------------------

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
    m_badStatusReplies = 0;
    m_deviceSettings.reset();
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
    // The blocks gathered so far are dropped; the register held stays as it was.
    m_read.readIndex = EventRegister::notRead;
    log(StringId::registerReadAbandoned);
    setReadingEvents(false);
}

void DeviceLink::clearStatusFields()
{
    m_data.image().factoryNumber = 0;
    m_versionText = QStringLiteral("0");
    m_deviceLabelFileCode = 0;
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
