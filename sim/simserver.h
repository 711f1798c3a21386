#pragma once

#include "sim/eventsimulator.h"
#include "sim/faultplan.h"
#include "sim/ptyline.h"
#include "sim/requestframer.h"
#include "sim/simcontroller.h"
#include "sim/simoptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <deque>
#include <memory>

// Serves the simulated controller on a pseudo-terminal: reads requests while the line
// is at the controller's rate, answers them (at the line's speed with `pace`), injects
// the configured faults and adds new events while it runs.
class SimServer : public QObject {
    Q_OBJECT

public:
    explicit SimServer(const SimOptions& options, QObject* parent = nullptr);
    ~SimServer() override;

    bool start(QString* error);
    // The path to open: the --link path, or the pseudo-terminal itself.
    QString path() const;
    bool writeDump();
    void finish(int exitCode, const QString& why);

signals:
    void finished(int exitCode);

private:
    struct Outgoing {
        QByteArray bytes;
        qint64 notBeforeMs = 0;
        int baud = 0;
        qint64 startedMs = -1;
        qsizetype sent = 0;
    };

    qint64 now() const { return m_clock.elapsed(); }
    void onReadable();
    void onHangUpPoll();
    void onSilence();
    void onSecond();
    void onSignal();
    void handleRequest(const QByteArray& request, int baud);
    void pumpOutput();
    void replyDone();

    SimOptions m_options;
    EventSimulator m_events;
    SimController m_controller;
    FaultPlan m_faults;
    RequestFramer m_framer;
    pty::Pair m_pty;
    QElapsedTimer m_clock;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
    int m_signalFd = -1;
    QTimer m_hangUpTimer;
    QTimer m_silenceTimer;
    QTimer m_pumpTimer;
    QTimer m_secondTimer;
    std::deque<Outgoing> m_out;
    std::deque<EventEntry> m_comingEntries;
    std::uint32_t m_nextIncidentAt = 0;
    int m_requests = 0;
    int m_replies = 0;
    int m_ignoredBytes = 0;
    bool m_exitWhenSent = false;
    bool m_finished = false;
};
