#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A save the way the tool does it, of settings, events or labels into `dir`, with every
// byte of the data set to `variant`; prints what the tool would log or show and gives
// the FileStatus (0: saved). This program runs it in a process of its own (`save ...`),
// one that is killed, runs as another user or under a file size limit.
int save(const QString& kind, const QString& dir, std::uint8_t variant, bool quiet)
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    DeviceImage& image = data.image();
    std::memset(image.settings.bytes, variant, sizeof image.settings.bytes);
    std::memset(image.entries, variant, sizeof image.entries);
    std::memset(image.labelSets, variant, labelAreaSize);
    image.combinationIndex = image.deviceCombination = variant % combinationCount;
    image.factoryNumber = image.registerFactoryNumber = image.writePosition = variant;
    const LogSink log = [quiet](const QString& line) {
        if (!quiet)
            std::printf("%s\n", qPrintable(line));
    };
    if (kind == "labels")
        return LabelStore(data, dir, log).saveLabelFile() ? 0 : int(FileStatus::WriteFailed);
    const FileStatus status = kind == "settings" ? saveSettingsFile(dir + "/file", data, 20, log)
                                                 : saveEventsFile(dir + "/file", data, log);
    if (!quiet && status != FileStatus::Ok)
        std::printf("%s\n", qPrintable(kind == "settings" ? settingsFileMessage(status)
                                                          : eventsFileMessage(status)));
    return int(status);
}

QString fileIn(const QString& dir, const QString& kind)
{
    return dir + (kind == "labels" ? "/Labels.nzw" : "/file");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The save in a process of its own; `limit` >= 0 caps the size of files it may write (a
// full disk), `asNobody` runs it as an unprivileged user when the test runs as root.
std::pair<int, QString> runSave(const QStringList& args, qint64 limit = -1, bool asNobody = false)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(QStringList{"save"} + args);
    process.setChildProcessModifier([limit, asNobody] {
        if (limit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{rlim_t(limit), RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &r);
        }
        if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(70);
    });
    process.start();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// Loads the file of a kind into the data: true when it was taken.
bool load(const QString& kind, const QString& path, DeviceData& data, LabelStore& labels,
          const LogSink& log)
{
    if (kind == "settings")
        return loadSettingsFile(path, data, labels, false, log) == FileStatus::Ok;
    if (kind == "events")
        return loadEventsFile(path, data, log) == FileStatus::Ok;
    return labels.loadLabelFile();
}

QByteArray snapshot(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
}

} // namespace

// Saving never loses the old file, and loading a file that changes or is no file never
// changes what is held. POSIX only: processes are killed, limited or unprivileged.
class TestFileSafety : public QObject {
    Q_OBJECT

    static void kinds()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"settings", "events", "labels"})
            QTest::newRow(kind) << QString(kind);
    }

private slots:
    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("limit"); // -1: a read-only directory
        // Nothing fits; a few bytes fit; most of a label file fits; nothing may be written.
        for (const char* kind : {"settings", "events", "labels"}) {
            for (qint64 limit : {0, 8, 50000, -1}) {
                if (limit != 50000 || QString(kind) == "labels")
                    QTest::addRow("%s, %lld", kind, limit) << QString(kind) << limit;
            }
        }
    }

    void failedSaveKeepsOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, limit);
        QTemporaryDir dir;
        QCOMPARE(runSave({kind, dir.path(), "1"}).first, 0);
        const QByteArray old = readAll(fileIn(dir.path(), kind));
        QVERIFY(!old.isEmpty());
        // Readable and searchable by everybody, writable by nobody; root's save runs as an
        // unprivileged user, for whom the permissions hold.
        if (limit < 0)
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                          QFile::ReadOther | QFile::ExeOther));
        const auto [status, output] = runSave({kind, dir.path(), "2"}, limit, limit < 0);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (status == 70)
            QSKIP("the save cannot be run as an unprivileged user here");
        QCOMPARE(status, int(FileStatus::WriteFailed));
        const int failed = kind == "labels"     ? StringId::labelFileSaveProblem
                           : kind == "settings" ? StringId::settingsWriteProblem
                                                : StringId::eventsWriteProblem;
        QVERIFY2(output.contains(stringText(failed)), qPrintable(output));
        QCOMPARE(readAll(fileIn(dir.path(), kind)), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void killedInTheMiddleOfASave_data() { kinds(); }

    void killedInTheMiddleOfASave()
    {
        QFETCH(QString, kind);
        // The file holds the old save or either of the two the killed process makes in turn.
        QTemporaryDir reference;
        QList<QByteArray> allowed;
        for (const char* variant : {"10", "20", "21"}) {
            QCOMPARE(runSave({kind, reference.path(), variant}).first, 0);
            allowed.append(readAll(fileIn(reference.path(), kind)));
        }
        QVERIFY(allowed[0] != allowed[1] && allowed[1] != allowed[2]);
        QTemporaryDir dir;
        const QString file = fileIn(dir.path(), kind);
        QCOMPARE(runSave({kind, dir.path(), "10"}).first, 0);
        for (int round = 0; round < 20; ++round) {
            QProcess saver;
            saver.start(QCoreApplication::applicationFilePath(),
                        {"save", kind, dir.path(), "20", "--loop"});
            QVERIFY(saver.waitForReadyRead(10000));
            QTest::qSleep(QRandomGenerator::global()->bounded(20));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished(10000));
            QVERIFY2(allowed.contains(readAll(file)), qPrintable(QString::number(round)));
            // A temporary file of a killed save may stay behind where the file system
            // cannot create unnamed ones; it is not the file.
            for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
                if (dir.filePath(name) != file)
                    QFile::remove(dir.filePath(name));
            }
        }
    }

    void fileChangedWhileLoading_data() { kinds(); }

    void fileChangedWhileLoading()
    {
        // Another program rewrites the file in place, again and again, between the right
        // size and a longer file whose first bytes differ; the reads come up short or long.
        // Whatever moment the load catches, it takes the right file whole or changes nothing.
        QFETCH(QString, kind);
        QTemporaryDir dir;
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        LabelStore labels(data, dir.path(), {});
        labels.setLabelFileCode(LabelStore::startCode);
        const QString path = kind == "labels" ? labels.filePath() : dir.filePath("file");
        const qsizetype size = kind == "settings" ? settingsFileSize
                               : kind == "events" ? eventsFileSize
                                                  : qsizetype(labelAreaSize);
        QByteArray right(size, '\x02');
        if (kind == "settings")
            right.replace(16, 4, QByteArray(4, '\0')); // a combination the tool knows
        const QByteArray longer(size + 100, '\x03');
        std::jthread writer([&](const std::stop_token& stop) {
            for (unsigned n = 0; !stop.stop_requested(); ++n) {
                writeAll(path, n % 2 ? longer : right);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        // What the load takes of the file.
        const auto held = [&] {
            const DeviceImage& image = data.image();
            if (kind == "settings")
                return QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16);
            if (kind == "events")
                return QByteArray(reinterpret_cast<const char*>(image.entries), 3072);
            return QByteArray(reinterpret_cast<const char*>(image.labelSets), labelAreaSize);
        };
        QString problem;
        for (int i = 0; i < 3000 && problem.isEmpty(); ++i) {
            const QByteArray before = held();
            const bool taken = load(kind, path, data, labels, [](const QString&) {});
            if (held() != (taken ? right.left(before.size()) : before))
                problem = QString("load %1, %2").arg(i).arg(taken ? "taken" : "refused");
        }
        writer.request_stop();
        writer.join();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void pipeInPlaceOfAFile_data() { kinds(); }

    void pipeInPlaceOfAFile()
    {
        // Opening a named pipe to read would wait for a writer: the load is refused at once
        // and changes nothing. (Should it wait after all, a writer comes after two seconds,
        // so that the test fails instead of hanging.)
        QFETCH(QString, kind);
        QTemporaryDir dir;
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        LabelStore labels(data, dir.path(), {});
        labels.setLabelFileCode(LabelStore::startCode);
        const QByteArray before = snapshot(data);
        const QString path = kind == "labels" ? labels.filePath() : dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Opening the writing end without waiting succeeds only while a reader waits.
        std::atomic<bool> readerWaited{false};
        std::jthread writer([&](const std::stop_token& stop) {
            for (int waited = 0; waited < 200 && !stop.stop_requested(); ++waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            readerWaited = fd >= 0;
            if (fd >= 0)
                ::close(fd);
        });
        QStringList log;
        QVERIFY(!load(kind, path, data, labels, [&log](const QString& line) { log << line; }));
        writer.request_stop();
        writer.join();
        QVERIFY(!readerWaited);
        QVERIFY(log.isEmpty());
        QCOMPARE(snapshot(data), before);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 4 && args[1] == "save") {
        const auto variant = std::uint8_t(args[4].toUInt());
        if (args.size() == 5)
            return save(args[2], args[3], variant, false);
        // Saves two contents in turn until killed; tells the test when the saves begin.
        save(args[2], args[3], variant, true);
        std::printf("saving\n");
        std::fflush(stdout);
        for (unsigned n = 0;; ++n)
            save(args[2], args[3], std::uint8_t(variant + n % 2), true);
    }
    TestFileSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filesafety.moc"
