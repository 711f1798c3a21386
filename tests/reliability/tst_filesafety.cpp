#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/files.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const LogSink none = [](const QString&) {};

// Saves settings, events or labels into `dir` the way the tool does, every byte of the data
// set to `variant`; gives the FileStatus (0: saved). Run by this program in a process of its
// own (`save ...`): one that is killed, runs as another user or under a file size limit.
int save(const QString& kind, const QString& dir, std::uint8_t variant)
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    DeviceImage& image = data.image();
    std::memset(image.settings.bytes, variant, sizeof image.settings.bytes);
    std::memset(image.entries, variant, sizeof image.entries);
    std::memset(image.labelSets, variant, labelAreaSize);
    image.combinationIndex = image.deviceCombination = variant % combinationCount;
    if (kind == "labels")
        return LabelStore(data, dir, none).saveLabelFile() ? 0 : int(FileStatus::WriteFailed);
    return int(kind == "settings" ? saveSettingsFile(dir + "/file", data, 20, none)
                                  : saveEventsFile(dir + "/file", data, none));
}

// The save of variant 2 in a process of its own; `limit` >= 0 caps the size of the files it
// may write (a full disk), `asNobody` runs it as an unprivileged user when the test runs as root.
int runSave(const QString& kind, const QString& dir, qint64 limit, bool asNobody)
{
    QProcess process;
    process.setChildProcessModifier([limit, asNobody] {
        if (limit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{rlim_t(limit), RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &r);
        }
        if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(70);
    });
    process.start(QCoreApplication::applicationFilePath(), {"save", kind, dir, "2"});
    return process.waitForFinished(30000) ? process.exitCode() : -1;
}

} // namespace

// Saving never loses the old file, and loading a file that changes or is no file never
// changes what is held. POSIX only: processes are killed, limited or unprivileged.
class TestFileSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    DeviceData m_data;
    LabelStore m_labels{m_data, m_dir.path(), none};
    QString file(const QString& kind) const
    {
        return m_dir.filePath(kind == "labels" ? "Labels.nzw" : "file"); // as a save names it
    }
    // Loads the file of a kind: true when it was taken.
    bool load(const QString& kind, const QString& path, const LogSink& log = none)
    {
        if (kind == "labels")
            return m_labels.loadLabelFile();
        return (kind == "settings" ? loadSettingsFile(path, m_data, m_labels, false, log)
                                   : loadEventsFile(path, m_data, log)) == FileStatus::Ok;
    }

    void failedSave(const QString& kind, qint64 limit)
    {
        QCOMPARE(save(kind, m_dir.path(), 1), 0);
        const QByteArray old = readBytes(file(kind));
        QVERIFY(!old.isEmpty());
        // Readable and searchable by everybody, writable by nobody; root's save runs as an
        // unprivileged user, for whom the permissions hold.
        if (limit < 0)
            QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                            QFile::ReadOther | QFile::ExeOther));
        const int status = runSave(kind, m_dir.path(), limit, limit < 0);
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (status == 70)
            QSKIP("the save cannot be run as an unprivileged user here");
        QCOMPARE(status, int(FileStatus::WriteFailed));
        QCOMPARE(readBytes(file(kind)), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // The file holds the old save or either of the two the killed process makes in turn.
    void killed(const QString& kind)
    {
        QList<QByteArray> allowed;
        for (int variant : {10, 20, 21}) {
            QCOMPARE(save(kind, m_dir.path(), std::uint8_t(variant)), 0);
            allowed.append(readBytes(file(kind)));
        }
        QCOMPARE(save(kind, m_dir.path(), 10), 0);
        for (int round = 0; round < 20; ++round) {
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(),
                        {"save", kind, m_dir.path(), "20", "--loop"});
            QVERIFY(saver.waitForReadyRead(10000));
            QTest::qSleep(QRandomGenerator::global()->bounded(20));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished(10000));
            QVERIFY2(allowed.contains(readBytes(file(kind))), qPrintable(QString::number(round)));
            // A temporary file of a killed save may stay behind where the file system cannot
            // create unnamed ones; it is not the file.
            for (const QFileInfo& info :
                 QDir(m_dir.path()).entryInfoList(QDir::Files | QDir::Hidden))
                QVERIFY(info.filePath() == file(kind) || QFile::remove(info.filePath()));
        }
    }

    void changingFile(const QString& kind, bool pipe)
    {
        const QString path = kind == "labels" ? m_labels.filePath() : file(kind);
        const QByteArray before = heldBytes(m_data);
        if (pipe) { // opening a named pipe to read would wait for a writer: refused at once
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            QStringList log;
            alarm(10); // should the load wait after all, the test ends here
            QVERIFY(!load(kind, path, [&log](const QString& l) { log << l; }));
            alarm(0);
            QVERIFY(log.isEmpty());
            QCOMPARE(heldBytes(m_data), before);
            return;
        }
        // Another program rewrites the file in place, again and again, between the right
        // size and a longer file whose bytes differ: reads come up short or long. Whatever
        // moment the load catches, it takes the right file whole or changes nothing.
        const qsizetype size = kind == "settings" ? settingsFileSize
                               : kind == "events" ? eventsFileSize
                                                  : qsizetype(labelAreaSize);
        QByteArray right(size, '\x02');
        if (kind == "settings")
            right.replace(16, 4, QByteArray(4, '\0')); // a combination the tool knows
        // What a load of the right file leaves held; loading it again changes nothing.
        QFile first(path);
        QVERIFY(first.open(QIODevice::WriteOnly) && first.write(right) == size);
        first.close();
        QVERIFY(load(kind, path));
        const QByteArray loaded = heldBytes(m_data);
        std::jthread writer([&](const std::stop_token& stop) { // joined before the rest goes
            for (unsigned n = 0; !stop.stop_requested(); ++n) {
                QFile f(path);
                if (f.open(QIODevice::WriteOnly))
                    f.write(n % 2 ? QByteArray(size + 100, '\x03') : right);
                f.close();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        for (int i = 0; i < 3000; ++i) {
            load(kind, path);
            QVERIFY2(heldBytes(m_data) == loaded, qPrintable(QString::number(i)));
        }
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        SettingsRecord::applyDefaults(m_data);
        m_labels.setLabelFileCode(LabelStore::startCode);
    }

    void files_data()
    {
        // A save on a full disk (nothing, a few bytes, most of a label file fit) or where
        // nothing may be created (-1); a killed save; a load of a file rewritten meanwhile,
        // or of a pipe.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("trial");
        for (const char* kind : {"settings", "events", "labels"}) {
            for (const char* trial : {"0", "8", "50000", "-1", "killed", "rewritten", "pipe"}) {
                if (QString(trial) != "50000" || QString(kind) == "labels")
                    QTest::addRow("%s, %s", kind, trial) << QString(kind) << QString(trial);
            }
        }
    }

    void files()
    {
        QFETCH(QString, kind);
        QFETCH(QString, trial);
        if (trial == "killed")
            killed(kind);
        else if (trial == "rewritten" || trial == "pipe")
            changingFile(kind, trial == "pipe");
        else
            failedSave(kind, trial.toLongLong());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 4 && args[1] == "save") {
        const auto variant = std::uint8_t(args[4].toUInt());
        if (args.size() == 5)
            return save(args[2], args[3], variant);
        // Saves two contents in turn until killed; tells the test when the saves begin.
        save(args[2], args[3], variant);
        std::printf("saving\n");
        std::fflush(stdout);
        for (unsigned n = 0;; ++n)
            save(args[2], args[3], std::uint8_t(variant + n % 2));
    }
    TestFileSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filesafety.moc"
