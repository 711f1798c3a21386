#include "cli/onlinesession.h"

#include "link/logline.h"
#include "link/trafficmonitor.h"
#include "model/strings.h"

#include <QTime>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

OnlineSession::OnlineSession(const QString& portName, const QString& labelsDirectory,
                             int timeLimitSecs, CliIo& io)
    : m_io(io), connection(portName, labelsDirectory, [this](const QString& text) { log(text); })
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timeLimitPassed = true;
        wake();
    });
    m_deadline.start(timeLimitSecs * 1000);

    connect(&link, &DeviceLink::linkEnded, this, [this] {
        m_linkEnded = true;
        wake();
    });
    connect(&link, &DeviceLink::connectedChanged, this, &OnlineSession::wake);
    connect(&link, &DeviceLink::settingsArrived, this, [this] {
        settingsArrived = true;
        wake();
    });
    connect(&link, &DeviceLink::compareFinished, this, [this](bool identical) {
        compareIdentical = identical;
        wake();
    });
    connect(&link, &DeviceLink::operationFinished, this, [this](int operation, bool confirmed) {
        finishedOperation = operation;
        operationConfirmed = confirmed;
        wake();
    });
    connect(&link, &DeviceLink::registerCompleted, this, [this] {
        registerCompleted = true;
        wake();
    });
    connect(&link, &DeviceLink::progressChanged, this, &OnlineSession::progress);
    // A read that ends without its register must wake the command waiting for it.
    connect(&link, &DeviceLink::readingEventsChanged, this, &OnlineSession::wake);
    connect(&link, &DeviceLink::frameSent, this, [this](const QByteArray&, bool written) {
        if (!written)
            requestNotSent = true;
    });
}

OnlineSession::~OnlineSession()
{
    endProgressLine();
}

void OnlineSession::traceFrames()
{
    if (m_trace)
        return;
    m_trace = std::make_unique<TrafficMonitor>();
    m_trace->attach(link);
    connect(m_trace.get(), &TrafficMonitor::lineAdded, this, [this](const QString& line) {
        endProgressLine();
        m_io.err << line << '\n';
        m_io.err.flush();
    });
}

void OnlineSession::log(const QString& text)
{
    endProgressLine();
    m_io.err << logLine(QTime::currentTime(), text) << '\n';
    m_io.err.flush();
}

void OnlineSession::progress(int entries)
{
    if (!m_showProgress || !link.readingEvents())
        return;
    m_io.err << '\r' << stringText(StringId::readingEventRegister) << ' ' << entries << '/'
             << entryCount;
    m_io.err.flush();
    m_progressShown = true;
}

void OnlineSession::endProgressLine()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    m_io.err << '\n';
}

void OnlineSession::wake()
{
    if (m_loop)
        m_loop->quit();
}

bool OnlineSession::waitFor(const std::function<bool()>& done)
{
    while (!done()) {
        if (m_linkEnded || m_timeLimitPassed)
            return false;
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    return true;
}

bool OnlineSession::connectDevice()
{
    m_linkEnded = false;
    link.connectDevice();
    return waitFor([this] { return link.IsConnected(); });
}

void OnlineSession::disconnectDevice()
{
    if (!link.isPortOpen())
        return;
    link.disconnectDevice();
    // The link-closing command waits for the next tick; allow for it even when the
    // time limit has passed.
    m_timeLimitPassed = false;
    m_deadline.start(2 * (link.timings().tick + link.timings().replyTimeout));
    waitFor([this] { return !link.isPortOpen(); });
    if (link.isPortOpen())
        line.close();
}
