#include "tests/support/simprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <csignal>

namespace {

void askForDump(qint64 pid)
{
    ::kill(pid_t(pid), SIGUSR1);
}

} // namespace

SimProcess::SimProcess()
{
    m_process.setProgram(QStringLiteral(DORVIK_SIM));
    QObject::connect(&m_process, &QProcess::readyReadStandardError,
                     [this] { m_log += m_process.readAllStandardError(); });
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool SimProcess::start(const QStringList& options)
{
    m_process.setArguments(
        QStringList{QStringLiteral("--link"), linkPath(), QStringLiteral("--dump"), dumpPath()} +
        options);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(100);
    return m_process.canReadLine() && m_process.readLine().trimmed() == linkPath().toLocal8Bit();
}

QMap<QByteArray, QByteArray> SimProcess::parseDump(const QByteArray& text)
{
    QMap<QByteArray, QByteArray> fields;
    for (const QByteArray& line : text.split('\n')) {
        const int space = line.indexOf(' ');
        if (space > 0)
            fields.insert(line.left(space), line.mid(space + 1));
    }
    return fields;
}

QMap<QByteArray, QByteArray> SimProcess::readDump()
{
    QFile file(dumpPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseDump(file.readAll());
}

QMap<QByteArray, QByteArray> SimProcess::dump()
{
    QFile::remove(dumpPath());
    askForDump(m_process.processId());
    // The dump is renamed into place whole, so its appearance means it is complete.
    if (!QTest::qWaitFor([this] { return QFile::exists(dumpPath()); }, 5000))
        return {};
    return readDump();
}

QMap<QByteArray, QByteArray> SimProcess::stop()
{
    QFile::remove(dumpPath());
    m_process.terminate();
    m_process.waitForFinished(5000);
    m_log += m_process.readAllStandardError();
    return readDump();
}
