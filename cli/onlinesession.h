#pragma once

#include "cli/clicommand.h"
#include "link/deviceconnection.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class TrafficMonitor;

// One link to a controller driven by the engine on its real timers, for a command of the
// command line. Log lines go to stderr as the communication page shows them.
class OnlineSession : public QObject {
    Q_OBJECT
    // Before the connection: it logs while it is set up.
    CliIo& m_io;

public:
    OnlineSession(const QString& portName, const QString& labelsDirectory, int timeLimitSecs,
                  CliIo& io);
    ~OnlineSession() override;

    DeviceConnection connection;
    DeviceData& data = connection.data;
    LabelStore& labels = connection.labels;
    PortLine& line = connection.line;
    DeviceLink& link = connection.link;

    void log(const QString& text);
    // Connects and waits for the first status answer. False when the attempt ended.
    bool connectDevice();
    // Runs until `done` holds; false when the link ended or the time limit passed first.
    bool waitFor(const std::function<bool()>& done);
    // Ends the link the way "Rozłącz" does and waits until the port is closed.
    void disconnectDevice();
    // Shows the progress of a register read on stderr when it is a terminal.
    void showRegisterProgress(bool show) { m_showProgress = show; }
    // Prints every frame on the line to stderr, as the traffic window lists it.
    void traceFrames();

    bool linkEnded() const { return m_linkEnded; }
    bool timeLimitPassed() const { return m_timeLimitPassed; }

    // Results, as the engine reported them.
    bool settingsArrived = false;
    bool registerCompleted = false;
    std::optional<bool> compareIdentical;
    std::optional<bool> operationConfirmed;
    int finishedOperation = DeviceLink::OP_NONE;
    // A request did not leave the PC (a failed or short write).
    bool requestNotSent = false;

private:
    void wake();
    void progress(int entries);
    void endProgressLine();

    QEventLoop* m_loop = nullptr;
    QTimer m_deadline;
    bool m_linkEnded = false;
    bool m_timeLimitPassed = false;
    bool m_showProgress = false;
    bool m_progressShown = false;
    std::unique_ptr<TrafficMonitor> m_trace;
};

// Whether stderr is an interactive terminal (progress is shown only there).
bool stderrIsTerminal();
