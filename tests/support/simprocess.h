#pragma once

// dorvik-sim on a link in a temporary directory, its dump read back for byte-for-byte
// comparisons; and the tool's side: the device link on a port line, its log kept.

#include "link/portline.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "tests/support/files.h"

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
        m_process.setStandardErrorFile(QProcess::nullDevice());
    }
    ~SimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(1000);
    }

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
    // The controller's state ("key value" lines), written on SIGUSR1 and renamed into place.
    QMap<QByteArray, QByteArray> dump()
    {
        QFile file(dumpPath());
        file.remove();
        ::kill(pid_t(m_process.processId()), SIGUSR1);
        QMap<QByteArray, QByteArray> fields;
        if (QTest::qWaitFor([&] { return file.exists(); }, 5000) && file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                fields.insert(line.left(line.indexOf(' ')), line.mid(line.indexOf(' ') + 1));
        return fields;
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

private:
    QString dumpPath() const { return m_dir.filePath(QStringLiteral("dump.txt")); }
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Short ticks; the reply time-outs leave room for a machine under load.
inline LinkTimings fastTimings() { return {120, 60, 40, 1000, 1000, 40, 40}; }

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
    bool filledIn() const { return !logText().contains('%'); } // every number put in

    QTemporaryDir labelDir;
    DeviceData data;
    QStringList log; // the link's lines
    LabelStore labels;
    PortLine port;
    DeviceLink link;
};
