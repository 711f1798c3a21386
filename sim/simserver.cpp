#include "sim/simserver.h"

#include "model/eventregister.h"

#include <QLoggingCategory>
#include <QSaveFile>
#include <csignal>

Q_LOGGING_CATEGORY(lcSim, "tavrel.sim")
Q_LOGGING_CATEGORY(lcSimFrames, "tavrel.sim.frames")

namespace {

constexpr int hangUpPollMs = 20;
constexpr int exitGraceMs = 100;

// Milliseconds that `bytes` take on the line at 10 bits a byte.
qint64 lineMs(qsizetype bytes, int baud)
{
    return baud > 0 ? (qint64(bytes) * 10000 + baud - 1) / baud : 0;
}

SimController makeController(const SimOptions& options, EventSimulator& events)
{
    const SeededRegister seeded =
        seedRegister(events, options.events, options.badChecks, options.controller.counterStart);
    return SimController(options.controller, seeded.entries, seeded.writePosition);
}

} // namespace

SimServer::SimServer(const SimOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_events(options.seed),
      m_controller(makeController(options, m_events)), m_faults(options.faults, options.seed)
{
    m_controller.setLog([](const QString& line) { qCInfo(lcSim).noquote() << line; });
    m_hangUpTimer.setInterval(hangUpPollMs);
    connect(&m_hangUpTimer, &QTimer::timeout, this, &SimServer::onHangUpPoll);
    m_silenceTimer.setSingleShot(true);
    connect(&m_silenceTimer, &QTimer::timeout, this, &SimServer::onSilence);
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimServer::pumpOutput);
    m_secondTimer.setInterval(1000);
    connect(&m_secondTimer, &QTimer::timeout, this, &SimServer::onSecond);
}

SimServer::~SimServer()
{
    if (!m_options.linkPath.isEmpty() && !m_pty.slavePath.isEmpty())
        pty::removeLink(m_pty.slavePath, m_options.linkPath);
    pty::closeFd(m_pty.master);
}

QString SimServer::path() const
{
    return m_options.linkPath.isEmpty() ? m_pty.slavePath : m_options.linkPath;
}

bool SimServer::start(QString* error)
{
    m_pty = pty::openPair(error);
    if (m_pty.slavePath.isEmpty())
        return false;
    if (!m_options.linkPath.isEmpty() &&
        !pty::makeLink(m_pty.slavePath, m_options.linkPath, error)) {
        pty::closeFd(m_pty.master);
        m_pty = {};
        return false;
    }
    m_clock.start();
    m_readNotifier = std::make_unique<QSocketNotifier>(m_pty.master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimServer::onReadable);
    // Nobody holds the line yet: wait for the tool to open it.
    m_readNotifier->setEnabled(false);
    m_hangUpTimer.start();

    m_signalFd = pty::signalPipe({SIGINT, SIGTERM, SIGHUP, SIGUSR1});
    if (m_signalFd >= 0) {
        m_signalNotifier = std::make_unique<QSocketNotifier>(m_signalFd, QSocketNotifier::Read);
        connect(m_signalNotifier.get(), &QSocketNotifier::activated, this, &SimServer::onSignal);
    }
    if (m_options.exitAfterSeconds > 0)
        QTimer::singleShot(qint64(m_options.exitAfterSeconds * 1000), this, [this] {
            finish(0, QStringLiteral("exit after %1 s").arg(m_options.exitAfterSeconds));
        });
    if (m_options.newEventEverySeconds > 0)
        m_nextIncidentAt = m_controller.counter(0) + std::uint32_t(m_options.newEventEverySeconds);
    m_secondTimer.start();

    qCInfo(lcSim).noquote() << QStringLiteral(
                                   "controller %1 on %2: firmware %3, combination %4, %5 "
                                   "register entries, listening at %6 baud%7")
                                   .arg(m_controller.factoryNumber())
                                   .arg(m_pty.slavePath)
                                   .arg(m_options.controller.firmwareVersion)
                                   .arg(m_options.controller.combination)
                                   .arg(std::min(m_options.events, entryCount))
                                   .arg(m_options.controller.probeBaud)
                                   .arg(m_options.pace ? QStringLiteral(", paced") : QString());
    return true;
}

void SimServer::onHangUpPoll()
{
    if (m_finished || pty::isHungUp(m_pty.master))
        return;
    m_hangUpTimer.stop();
    m_readNotifier->setEnabled(true);
    qCDebug(lcSimFrames) << "line opened";
}

void SimServer::onReadable()
{
    char chunk[512];
    while (!m_finished) {
        const qsizetype n = pty::readSome(m_pty.master, chunk, sizeof chunk);
        if (n == 0)
            return;
        if (n < 0) {
            // The tool closed the line: poll until it opens it again.
            m_readNotifier->setEnabled(false);
            m_framer.clear();
            m_hangUpTimer.start();
            qCDebug(lcSimFrames) << "line closed";
            return;
        }
        const QByteArrayView bytes(chunk, n);
        const pty::LineSettings line = pty::lineSettings(m_pty.master);
        const int baud = m_controller.answerBaud(now());
        if (line.baud != baud || !line.eightNoneOne) {
            // At another rate or format the controller sees only noise.
            m_framer.clear();
            m_ignoredBytes += int(n);
            qCInfo(lcSim).noquote()
                << QStringLiteral("%1 bytes at %2 baud%3 ignored (listening at %4 baud)")
                       .arg(n)
                       .arg(line.baud)
                       .arg(line.eightNoneOne ? QString() : QStringLiteral(" not 8N1"))
                       .arg(baud);
            continue;
        }
        for (const QByteArray& request : m_framer.push(bytes))
            handleRequest(request, baud);
        if (!m_framer.isEmpty())
            m_silenceTimer.start(int(std::max<qint64>(20, lineMs(4, baud))));
    }
}

void SimServer::onSilence()
{
    if (auto request = m_framer.takeOnSilence())
        handleRequest(*request, m_controller.answerBaud(now()));
}

void SimServer::handleRequest(const QByteArray& request, int baud)
{
    ++m_requests;
    qCDebug(lcSimFrames).noquote() << "<-" << request.toHex(' ');
    const bool onLink = m_controller.isLinkOpen();
    const QByteArray reply = m_controller.respond(request, now());
    if (reply.isEmpty())
        return;
    ++m_replies;
    const ReplyPlan plan = m_faults.apply(reply, onLink, request);
    if (!plan.note.isEmpty())
        qCInfo(lcSim).noquote()
            << QStringLiteral("reply %1: %2").arg(m_faults.counted()).arg(plan.note);
    if (m_options.exitAfterReplies > 0 && m_replies >= m_options.exitAfterReplies)
        m_exitWhenSent = true;
    if (plan.bytes.isEmpty()) {
        replyDone();
        return;
    }
    // A real controller starts answering once the request is in and the line was quiet
    // for three and a half characters.
    const qint64 turnaround = m_options.pace ? lineMs(request.size(), baud) + lineMs(4, baud) : 0;
    m_out.push_back({plan.bytes, now() + turnaround + plan.delayMs, baud});
    pumpOutput();
}

void SimServer::pumpOutput()
{
    while (!m_finished && !m_out.empty()) {
        Outgoing& out = m_out.front();
        const qint64 t = now();
        if (t < out.notBeforeMs) {
            m_pumpTimer.start(int(out.notBeforeMs - t));
            return;
        }
        if (pty::isHungUp(m_pty.master)) {
            qCInfo(lcSim) << "reply dropped: the line is closed";
            m_out.pop_front();
            replyDone();
            continue;
        }
        const pty::LineSettings line = pty::lineSettings(m_pty.master);
        if (line.baud != out.baud) {
            qCInfo(lcSim).noquote()
                << QStringLiteral("reply abandoned: the line went from %1 to %2 baud")
                       .arg(out.baud)
                       .arg(line.baud);
            m_out.pop_front();
            replyDone();
            continue;
        }
        if (out.startedMs < 0)
            out.startedMs = t;
        // Paced, a byte is handed over once its last bit would have arrived.
        const qsizetype due =
            m_options.pace
                ? std::min<qsizetype>(out.bytes.size(), (t - out.startedMs) * out.baud / 10000)
                : out.bytes.size();
        if (due > out.sent) {
            const qsizetype n =
                pty::writeSome(m_pty.master, out.bytes.constData() + out.sent, due - out.sent);
            if (n < 0) {
                qCInfo(lcSim) << "reply dropped: the line refused it";
                m_out.pop_front();
                replyDone();
                continue;
            }
            out.sent += n;
        }
        if (out.sent < out.bytes.size()) {
            m_pumpTimer.start(m_options.pace ? 2 : 1);
            return;
        }
        qCDebug(lcSimFrames).noquote() << "->" << out.bytes.toHex(' ');
        m_out.pop_front();
        replyDone();
    }
}

void SimServer::replyDone()
{
    if (!m_exitWhenSent || !m_out.empty())
        return;
    // Closing the line at once would discard the last reply before the tool reads it.
    QTimer::singleShot(exitGraceMs, this, [this] {
        finish(0, QStringLiteral("exit after %1 replies").arg(m_replies));
    });
}

void SimServer::onSecond()
{
    m_controller.answerBaud(now()); // lets an idle link fall back and say so
    if (m_options.newEventEverySeconds <= 0)
        return;
    const std::uint32_t counter = m_controller.counter(now());
    if (m_comingEntries.empty() && counter >= m_nextIncidentAt) {
        for (const EventEntry& entry : m_events.nextIncident(counter))
            m_comingEntries.push_back(entry);
        m_nextIncidentAt = counter + std::uint32_t(m_options.newEventEverySeconds);
    }
    while (!m_comingEntries.empty() && EventRegister::counter(m_comingEntries.front()) <= counter) {
        qCInfo(lcSim).noquote()
            << QStringLiteral("new event in slot %1").arg(m_controller.writePosition());
        m_controller.appendEntry(m_comingEntries.front());
        m_comingEntries.pop_front();
    }
}

void SimServer::onSignal()
{
    while (const int number = pty::takeSignal(m_signalFd)) {
        if (number == SIGUSR1)
            writeDump();
        else
            finish(0, QStringLiteral("stopped by signal %1").arg(number));
    }
}

bool SimServer::writeDump()
{
    if (m_options.dumpPath.isEmpty())
        return true;
    QSaveFile file(m_options.dumpPath);
    if (file.open(QIODevice::WriteOnly) && file.write(m_controller.dumpText(now())) >= 0 &&
        file.commit())
        return true;
    qCWarning(lcSim).noquote()
        << QStringLiteral("cannot write %1: %2").arg(m_options.dumpPath, file.errorString());
    return false;
}

void SimServer::finish(int exitCode, const QString& why)
{
    if (m_finished)
        return;
    m_finished = true;
    const bool dumped = writeDump();
    qCInfo(lcSim).noquote() << QStringLiteral("%1: %2 requests, %3 replies, %4 bytes ignored")
                                   .arg(why)
                                   .arg(m_requests)
                                   .arg(m_replies)
                                   .arg(m_ignoredBytes);
    // Closing the master is what the tool sees as the controller going away. This may
    // run inside the notifier's own signal, so the notifier is only switched off.
    m_readNotifier->setEnabled(false);
    if (!m_options.linkPath.isEmpty())
        pty::removeLink(m_pty.slavePath, m_options.linkPath);
    pty::closeFd(m_pty.master);
    m_pty.master = -1;
    m_hangUpTimer.stop();
    m_silenceTimer.stop();
    m_pumpTimer.stop();
    m_secondTimer.stop();
    emit finished(dumped ? exitCode : 1);
}
