#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// dorvik-sim run by a test: started on a link in a temporary directory, its register
// dump read back for byte-for-byte comparisons.
class SimProcess {
public:
    SimProcess();
    ~SimProcess();

    // Starts the simulator with these extra options; false when it did not come up.
    bool start(const QStringList& options = {});
    QString linkPath() const { return m_linkPath; }
    // Serve on this path instead, for instance the path of a simulator that went away.
    void setLinkPath(const QString& path) { m_linkPath = path; }
    QString dumpPath() const { return m_dir.filePath(QStringLiteral("dump.txt")); }
    QProcess& process() { return m_process; }

    // The controller's state now ("key value" lines of the dump), asked for by signal.
    QMap<QByteArray, QByteArray> dump();
    // Stops it (SIGTERM) and returns the dump written on the way out.
    QMap<QByteArray, QByteArray> stop();
    QByteArray log() const { return m_log; }

    static QMap<QByteArray, QByteArray> parseDump(const QByteArray& text);

private:
    QMap<QByteArray, QByteArray> readDump();

    QTemporaryDir m_dir;
    QString m_linkPath = m_dir.filePath(QStringLiteral("dorvik"));
    QProcess m_process;
    QByteArray m_log;
};
