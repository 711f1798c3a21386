#include "datasnapshot.h"
#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/settingsrecord.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// While it lives, every write beyond `bytes` fails for this process (EFBIG), as on a full
// disk, also for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes)
    {
#ifdef Q_OS_UNIX
        std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &m_previous) != 0)
            return;
        rlimit limit = m_previous;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
        Q_UNUSED(bytes);
#endif
    }
    ~FileSizeLimit()
    {
#ifdef Q_OS_UNIX
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_previous);
#endif
    }
    bool isActive() const
    {
        return m_active;
    }

private:
#ifdef Q_OS_UNIX
    rlimit m_previous{};
#endif
    bool m_active = false;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A save that fails keeps the old file, reports the failure text and logs nothing.
class TestFileSave : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_log.clear();
        SettingsRecord::applyDefaults(m_data);
    }

    void deviceThatRefusesWrites()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        QCOMPARE(
            settingsFileMessage(saveSettingsFile(QStringLiteral("/dev/full"), m_data, 20, sink())),
            QStringLiteral("Problem z zapisem nastaw"));
        QCOMPARE(eventsFileMessage(saveEventsFile(QStringLiteral("/dev/full"), m_data, sink())),
                 QStringLiteral("Problem z zapisem zdarzeń na dysk"));
        QVERIFY(m_log.isEmpty());
        // Written in place, never replaced by a renamed file.
        const QFileInfo device(QStringLiteral("/dev/full"));
        QVERIFY(!device.isFile());
    }

    void writeErrorKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(QStringLiteral("old.nst"));
        const QString eventsPath = dir.filePath(QStringLiteral("old.rzd"));
        QVERIFY(writeFile(settingsPath, "old settings"));
        QVERIFY(writeFile(eventsPath, "old events"));

        FileStatus settings;
        FileStatus events;
        {
            const FileSizeLimit limit(8);
            if (!limit.isActive())
                QSKIP("the file size limit cannot be set here");
            settings = saveSettingsFile(settingsPath, m_data, 20, sink());
            events = saveEventsFile(eventsPath, m_data, sink());
        }

        QCOMPARE(settings, FileStatus::WriteFailed);
        QCOMPARE(events, FileStatus::WriteFailed);
        QCOMPARE(readAll(settingsPath), QByteArray("old settings"));
        QCOMPARE(readAll(eventsPath), QByteArray("old events"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(m_log.isEmpty());
    }

    void readOnlyDirectoryKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.nst"));
        QVERIFY(writeFile(path, "old settings"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = writeFile(dir.filePath(QStringLiteral("probe")), "x");
        if (writable) {
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("the directory stays writable for this user (root)");
        }
        const FileStatus status = saveSettingsFile(path, m_data, 20, sink());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(status, FileStatus::WriteFailed);
        QCOMPARE(readAll(path), QByteArray("old settings"));
        QVERIFY(m_log.isEmpty());
    }

private:
    LogSink sink()
    {
        return [this](const QString& line) { m_log.append(line); };
    }

    DeviceData m_data;
    QStringList m_log;
};

QTEST_GUILESS_MAIN(TestFileSave)
#include "tst_filesave.moc"
