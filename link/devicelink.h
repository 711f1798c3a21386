#pragma once

#include "link/framereceiver.h"
#include "link/linktimings.h"
#include "model/deviceimage.h"
#include "model/eventregister.h"
#include "model/logsink.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

class DeviceData;
class LabelStore;
class SerialLine;

enum class LinkTimer { Reply, Tick, Connect };

// The protocol logic of the link to the controller: the connection procedure, the link
// tick that is the only sender on an open link (one request outstanding at a time),
// the user's operations, the answers, time-outs and errors. Everything runs on the
// thread that owns it, driven by its timers and by the replies the serial line frames.
// Status messages go to the log sink; what the window needs to know is signalled.
// The data, the label store and the line must outlive it.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    // Values of pendingOperation.
    static constexpr int OP_STATUS_POLL = -1;
    static constexpr int OP_NONE = 0;
    static constexpr int OP_READ_SETTINGS = 1;
    static constexpr int OP_WRITE_SETTINGS = 2;
    static constexpr int OP_COMPARE = 3;
    static constexpr int OP_WRITE_FACTORY_NUMBER = 4;
    static constexpr int OP_DISCONNECT = 5;
    static constexpr int OP_RESET = 6;
    static constexpr int OP_WRITE_RS485 = 7;
    // A settings read that leaves the held settings alone: what the controller holds
    // before a write (its backup) and after it (the check).
    static constexpr int OP_READ_BACK = 8;

    // Values of connectStage besides the probe stages 1..8.
    static constexpr int STAGE_IDLE = 0;
    static constexpr int STAGE_PROBE_ANSWERED = 10;
    static constexpr int STAGE_LINK_OPEN_SENT = 11;
    static constexpr int STAGE_LINK_OPEN_ACKNOWLEDGED = 20;

    static constexpr qint32 linkBaudRate = 2400;
    // The rate of each probe: five at 19200, then 9600, 38400 and 4800 baud.
    static qint32 probeBaudRate(int stage);

    DeviceLink(DeviceData& data, LabelStore& labels, SerialLine& line, LogSink log,
               LinkTimings timings = {}, QObject* parent = nullptr);
    ~DeviceLink() override;

    // The port of the next connection: a port name or a device path.
    void setSelectedPort(const QString& portName) { m_selectedPort = portName; }

    // Commands.
    void connectDevice();
    void disconnectDevice();
    void readSettings();
    void writeSettings();
    void compareSettings();
    // Reads the controller's settings into deviceSettings() only; operationFinished tells
    // when they came.
    void readBackSettings();
    // Takes the edited factory number first; numbers above 65535 are refused.
    void writeFactoryNumber(quint32 number);
    void reset();
    void writeRs485Config();
    void readEventRegister();

    // What the page and the menus ask.
    bool IsConnected() const;
    bool isPortOpen() const;
    bool settingsRead() const { return m_settingsRead; }
    bool eventsRead() const { return m_eventsRead; }
    bool readingEvents() const { return m_readingEvents; }
    // Entries of the register read received so far, 0..256.
    int registerProgress() const;
    // The register read under way (or the last one); the held register changes only when
    // all of its blocks have arrived.
    const EventRegister::RegisterRead& registerRead() const { return m_read; }
    QString versionText() const { return m_versionText; }
    quint32 operatingHours() const { return m_operatingHours; }
    quint32 factoryNumberField() const { return m_factoryNumberField; }
    // The page's edit of the factory number.
    void setFactoryNumberField(quint32 number) { m_factoryNumberField = number; }
    int labelFileCode() const;
    // The label file code the controller's status answers give (its firmware version), as
    // its settings files carry it whatever file was loaded since; 0 before the first.
    quint8 deviceLabelFileCode() const { return m_deviceLabelFileCode; }
    QString labelFileName() const;

    // What the controller holds, as its last settings answer on this link gave it (a read
    // or a compare) and a confirmed settings write changed it since; empty before the
    // first answer and after the link ends.
    struct DeviceSettings {
        SettingsImage image;
        unsigned combination;
    };
    const std::optional<DeviceSettings>& deviceSettings() const { return m_deviceSettings; }

    // Protocol state.
    int pendingOperation() const { return m_pendingOperation; }
    int connectStage() const { return m_connectStage; }
    bool replyAwaited() const { return m_replyAwaited; }
    unsigned retryCount() const { return m_retryCount; }
    bool compareMode() const { return m_compareMode; }
    bool online() const { return m_online; }
    // The pause after a bad reply (or the drain after tries that timed out), and the wait
    // before closing, are under way.
    bool isPausing() const { return m_pausing; }
    int pauseInterval() const { return m_pauseTimer.interval(); }
    bool isClosing() const { return m_closeKind != CloseKind::None; }
    bool isTimerActive(LinkTimer timer) const;
    int timerInterval(LinkTimer timer) const;
    const LinkTimings& timings() const { return m_timings; }

    // Seconds since 1970 for the time base; tests fix it.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Handlers of the timers and of a framed reply; public so that tests drive them.
    void onReplyTimeout();
    void onLinkTick();
    void onConnectTick();
    void onFrame(FrameStatus status, const QByteArray& reply);
    void onErrorPauseElapsed();
    void onCloseWaitElapsed();
    void onLineLost();

signals:
    // The link opening was acknowledged and the port is open at 2400 baud.
    void linkEstablished();
    // IsConnected changed.
    void connectedChanged(bool connected);
    // The port is closed and the state clean, whatever ended the link or the attempt;
    // "Połącz" works again.
    void linkEnded();
    // A settings answer was stored (settingsValid is set): the settings pages belong.
    void settingsArrived();
    void compareFinished(bool identical);
    // The whole register has arrived: the events page belongs and comes to the front.
    void registerCompleted();
    void readingEventsChanged(bool reading);
    void progressChanged(int entries);
    // Version, operating hours or factory number changed.
    void fieldsChanged();
    void deviceAccessCleared();
    void linkAnimationStarted();
    void linkAnimationStopped();
    // A user operation got its answer: confirmed when the controller acknowledged it as
    // asked, not when it answered otherwise or with an exception.
    void operationFinished(int operation, bool confirmed);
    // Every frame written and every reply framed, for traffic monitors.
    void frameSent(const QByteArray& bytes, bool written);
    void frameReceived(const QByteArray& bytes, FrameStatus status);
    // The reply time-out ran out, before it is counted and handled.
    void replyTimedOut();

private:
    enum class Sent { Nothing, Probe, LinkOpen, StatusPoll, EventBlock, Operation };
    enum class CloseKind { None, Disconnect, Reset };

    // False when the request did not leave the PC (logged).
    bool send(const QByteArray& request, Sent kind);
    // A user operation's request with its reply time-out; a request that is not sent
    // ends the operation unconfirmed.
    void sendOperation(const QByteArray& request);
    void startTimer(LinkTimer timer, int periodMs);
    void stopTimer(LinkTimer timer);
    void stopAllTimers();
    QTimer& timer(LinkTimer timer);
    const QTimer& timer(LinkTimer timer) const;

    void log(int stringId);
    void logPort(int stringId);
    void logNumber(int stringId, long long number);

    bool portUsable() const;
    // A probe went out and the next rate is not yet tried.
    bool probing() const
    {
        return m_connectStage > STAGE_IDLE && m_connectStage < STAGE_PROBE_ANSWERED;
    }
    void queueSettingsOperation(int operation, int startedId);
    void establishLink();
    void performOperation();
    void startClosing(CloseKind kind, const QByteArray& request);
    void startErrorPause();
    void startErrorPause(int periodMs);
    void disconnectCommand();
    void endLink();
    void setOnline(bool online);
    void updateConnected();
    void setReadingEvents(bool reading);
    void abandonRegisterRead();
    // Ends the link after the fourth status poll in a row that was refused or spoilt.
    bool endLinkIfStatusRefused();
    void clearStatusFields();

    void readAnswer(QByteArrayView reply);
    void settingsAnswer(QByteArrayView data);
    void statusAnswer(QByteArrayView data);
    void eventBlockAnswer(QByteArrayView data);
    void writeAnswer(QByteArrayView reply);
    void exceptionAnswer(QByteArrayView reply);

    DeviceData& m_data;
    LabelStore& m_labels;
    SerialLine& m_line;
    LogSink m_log;
    LinkTimings m_timings;
    std::function<qint64()> m_clock;

    QTimer m_replyTimer;
    QTimer m_tickTimer;
    QTimer m_connectTimer;
    QTimer m_pauseTimer;
    QTimer m_closeTimer;

    QString m_selectedPort;
    QString m_linkPort; // the port of the attempt or link under way
    unsigned m_retryCount = 0;
    int m_pendingOperation = OP_NONE;
    bool m_replyAwaited = false;
    bool m_online = false;
    int m_connectStage = STAGE_IDLE;
    bool m_compareMode = false;
    bool m_settingsRead = false;
    bool m_eventsRead = false;
    bool m_readingEvents = false;

    QString m_versionText = QStringLiteral("0");
    quint32 m_operatingHours = 0;
    quint32 m_factoryNumberField = 0;
    quint8 m_deviceLabelFileCode = 0;

    bool m_connectedReported = false;
    bool m_linkOpen = false; // from the acknowledged link opening to the end of the link
    Sent m_sent = Sent::Nothing;
    int m_sentOperation = OP_NONE;
    bool m_pausing = false;
    bool m_tickDeferred = false;
    bool m_connectTickDeferred = false;
    CloseKind m_closeKind = CloseKind::None;
    std::optional<DeviceSettings> m_deviceSettings;
    EventRegister::RegisterRead m_read;
    // The controller's own time base and ring position, as its status answers on this link
    // give them: a file loaded meanwhile does not re-date or re-order a later read.
    std::uint32_t m_timeBase = 0;
    std::uint8_t m_liveWritePosition = 0;
    // Status polls in a row answered by an exception or a reply that could not be used.
    unsigned m_badStatusReplies = 0;
    SettingsImage m_writtenSettings{}; // the image of the last settings write sent
};
