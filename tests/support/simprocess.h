#pragma once

// dorvik-sim on a link in a temporary directory, its dump read back for byte-for-byte
// comparisons; and the tool's side: the device link on CSerialPort, its log kept.

#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class SimProcess {
public:
    SimProcess()
    {
        m_process.setProgram(QStringLiteral(DORVIK_SIM));
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this] { m_log += m_process.readAllStandardError(); });
    }
    ~SimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(1000);
    }

    // Starts the simulator with these extra options; false when it did not come up.
    bool start(const QStringList& options = {})
    {
        m_process.setArguments(QStringList{"--link", linkPath(), "--dump", dumpPath()} + options);
        m_process.start();
        QDeadlineTimer deadline(10000);
        while (m_process.waitForStarted() && !m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(100);
        return m_process.canReadLine() && m_process.readLine().trimmed() == linkPath().toUtf8();
    }
    QString linkPath() const { return m_dir.filePath(QStringLiteral("dorvik")); }
    QProcess& process() { return m_process; }
    QByteArray log() const { return m_log; }
    // The controller's state ("key value" lines of the dump), as it wrote it on the way out.
    QMap<QByteArray, QByteArray> readDump() const
    {
        QFile file(dumpPath());
        QMap<QByteArray, QByteArray> fields;
        for (const QByteArray& line :
             file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList())
            fields.insert(line.left(line.indexOf(' ')), line.mid(line.indexOf(' ') + 1));
        return fields;
    }
    // The same now, asked for by signal; it is renamed into place whole.
    QMap<QByteArray, QByteArray> dump()
    {
        QFile::remove(dumpPath());
        ::kill(pid_t(m_process.processId()), SIGUSR1);
        return QTest::qWaitFor([this] { return QFile::exists(dumpPath()); }, 5000)
                   ? readDump()
                   : QMap<QByteArray, QByteArray>();
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
        m_log += m_process.readAllStandardError();
    }

private:
    QString dumpPath() const { return m_dir.filePath(QStringLiteral("dump.txt")); }

    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_log;
};

// Short periods keep the tests quick; the simulator answers within milliseconds, and the
// reply time-outs leave room for a machine under load.
inline LinkTimings fastTimings()
{
    return {120, 60, 40, 1000, 1000, 40, 40}; // connect tick, ticks, time-outs, pause, close
}

// The bytes of a record or register, in hex.
template <typename T> QByteArray hexOf(const T& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(&bytes), sizeof bytes).toHex();
}

struct LinkFixture {
    explicit LinkFixture(LinkTimings timings = fastTimings())
        : labels(data, labelDir.path(), {}),
          link(
              data, labels, port, [this](const QString& l) { log << l; }, timings)
    {
        labels.setLabelFileCode(LabelStore::startCode);
    }
    bool connectTo(const QString& path, int waitMs = 15000)
    {
        link.setSelectedPort(path);
        link.connectDevice();
        return QTest::qWaitFor([this] { return link.IsConnected(); }, waitMs);
    }
    QByteArray logText() const { return log.join(QLatin1Char('\n')).toUtf8(); }
    // Every line a text of the system's with its numbers and port filled in.
    bool filledIn() const { return !logText().contains('%'); }

    QTemporaryDir labelDir;
    DeviceData data;
    QStringList log; // the link's lines
    LabelStore labels;
    CSerialPort port;
    DeviceLink link;
};
