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
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

// The file a save of this kind writes inside `dir`, and the target the helper is given.
QString fileIn(const QString& dir, const QString& kind)
{
    if (kind == QLatin1String("labels"))
        return dir + QStringLiteral("/Labels.nzw");
    return dir + (kind == QLatin1String("settings") ? QStringLiteral("/file.nst")
                                                    : QStringLiteral("/file.rzd"));
}

QString targetIn(const QString& dir, const QString& kind)
{
    return kind == QLatin1String("labels") ? dir : fileIn(dir, kind);
}

QString failureText(const QString& kind)
{
    if (kind == QLatin1String("labels"))
        return stringText(StringId::labelFileSaveProblem);
    return kind == QLatin1String("settings") ? stringText(StringId::settingsWriteProblem)
                                             : stringText(StringId::eventsWriteProblem);
}

QString successText(const QString& kind)
{
    if (kind == QLatin1String("labels"))
        return stringText(StringId::labelFileSaved);
    return kind == QLatin1String("settings") ? stringText(StringId::settingsSaved)
                                             : stringText(StringId::eventsSaved);
}

struct Saved {
    int exitCode = -1;
    QString output;
};

// Runs the save helper; `limit` >= 0 caps the size of files it may write (a full disk),
// `asNobody` runs it as an unprivileged user when the test runs as root.
Saved runSaver(const QStringList& args, qint64 limit = -1, bool asNobody = false)
{
    QProcess process;
    process.setProgram(QStringLiteral(FILESAVER));
    process.setArguments(args);
    process.setChildProcessModifier([limit, asNobody] {
        if (limit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit r{};
            getrlimit(RLIMIT_FSIZE, &r);
            r.rlim_cur = rlim_t(limit);
            setrlimit(RLIMIT_FSIZE, &r);
        }
        if (asNobody && geteuid() == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(70);
        }
    });
    process.start();
    Saved saved;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return saved;
    saved.exitCode = process.exitCode();
    saved.output = QString::fromUtf8(process.readAllStandardOutput());
    return saved;
}

QDir::Filters allFiles()
{
    return QDir::Files | QDir::Hidden | QDir::System;
}

} // namespace

// Saving never loses the old file, and loading a wrong file never changes what is held.
class TestFileSafety : public QObject {
    Q_OBJECT

private slots:
    void fullDisk_data();
    void fullDisk();
    void readOnlyDirectory_data();
    void readOnlyDirectory();
    void killedInTheMiddleOfASave_data();
    void killedInTheMiddleOfASave();
    void everyWrongSizeChangesNothing();
    void labelFileOfEveryWrongSizeChangesNothing();
    void fileChangedWhileLoading_data();
    void fileChangedWhileLoading();
    void pipeInPlaceOfAFile_data();
    void pipeInPlaceOfAFile();

private:
    void kinds();
};

void TestFileSafety::kinds()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("settings") << QStringLiteral("settings");
    QTest::newRow("events") << QStringLiteral("events");
    QTest::newRow("labels") << QStringLiteral("labels");
}

void TestFileSafety::fullDisk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("limit");
    // Nothing fits; a few bytes fit; most of a label file fits.
    for (const char* kind : {"settings", "events", "labels"}) {
        for (qint64 limit : {0, 8, 50000}) {
            if (limit == 50000 && QLatin1String(kind) != QLatin1String("labels"))
                continue;
            QTest::newRow(qPrintable(QStringLiteral("%1, %2 bytes").arg(kind).arg(limit)))
                << QString::fromLatin1(kind) << limit;
        }
    }
}

void TestFileSafety::fullDisk()
{
    QFETCH(QString, kind);
    QFETCH(qint64, limit);
    QTemporaryDir dir;
    QCOMPARE(runSaver({kind, targetIn(dir.path(), kind), "1"}).exitCode, 0);
    const QByteArray old = readAll(fileIn(dir.path(), kind));
    QVERIFY(!old.isEmpty());

    const Saved saved = runSaver({kind, targetIn(dir.path(), kind), "2"}, limit);

    QCOMPARE(saved.exitCode, int(FileStatus::WriteFailed));
    QVERIFY2(saved.output.contains(failureText(kind)), qPrintable(saved.output));
    QVERIFY(!saved.output.contains(successText(kind)));
    QCOMPARE(readAll(fileIn(dir.path(), kind)), old);
    QCOMPARE(QDir(dir.path()).entryList(allFiles()).size(), 1);
}

void TestFileSafety::readOnlyDirectory_data()
{
    kinds();
}

void TestFileSafety::readOnlyDirectory()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QCOMPARE(runSaver({kind, targetIn(dir.path(), kind), "1"}).exitCode, 0);
    const QByteArray old = readAll(fileIn(dir.path(), kind));
    // Readable and searchable by everybody, writable by nobody; root's save runs as an
    // unprivileged user, for whom the permissions hold.
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
    const Saved saved = runSaver({kind, targetIn(dir.path(), kind), "2"}, -1, true);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (saved.exitCode == 70 || saved.exitCode == -1)
        QSKIP("the save cannot be run as an unprivileged user here");

    QCOMPARE(saved.exitCode, int(FileStatus::WriteFailed));
    QVERIFY2(saved.output.contains(failureText(kind)), qPrintable(saved.output));
    QCOMPARE(readAll(fileIn(dir.path(), kind)), old);
    QCOMPARE(QDir(dir.path()).entryList(allFiles()).size(), 1);
}

void TestFileSafety::killedInTheMiddleOfASave_data()
{
    kinds();
}

void TestFileSafety::killedInTheMiddleOfASave()
{
    QFETCH(QString, kind);
    // The three contents the file may have: the old one and either of the two the killed
    // process saves in turn.
    QTemporaryDir reference;
    QList<QByteArray> allowed;
    for (const char* variant : {"10", "20", "21"}) {
        QCOMPARE(runSaver({kind, targetIn(reference.path(), kind), variant}).exitCode, 0);
        allowed.append(readAll(fileIn(reference.path(), kind)));
    }
    QCOMPARE(allowed.size(), 3);
    QVERIFY(allowed[0] != allowed[1] && allowed[1] != allowed[2]);

    QTemporaryDir dir;
    const QString file = fileIn(dir.path(), kind);
    QCOMPARE(runSaver({kind, targetIn(dir.path(), kind), "10"}).exitCode, 0);
    QList<int> found(allowed.size(), 0);
    for (int round = 0; round < 20; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(FILESAVER), {kind, targetIn(dir.path(), kind), "20", "--loop"});
        QVERIFY(saver.waitForReadyRead(10000));
        QTest::qSleep(QRandomGenerator::global()->bounded(20));
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished(10000));

        const QByteArray now = readAll(file);
        const qsizetype which = allowed.indexOf(now);
        QVERIFY2(which >= 0,
                 qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(now.size())));
        ++found[which];
        // A temporary file of a killed save may stay behind where the file system cannot
        // create unnamed ones; it is not the file.
        const QStringList entries = QDir(dir.path()).entryList(allFiles());
        for (const QString& name : entries) {
            if (dir.filePath(name) != file)
                QFile::remove(dir.filePath(name));
        }
    }
    qInfo("after 20 kills the file held the first save's bytes %d times, the killed saves' "
          "%d and %d times",
          found[0], found[1], found[2]);
}

void TestFileSafety::everyWrongSizeChangesNothing()
{
    QTemporaryDir dir;
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    const auto snapshot = [&data] {
        return QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage)) +
               char(data.settingsValid) + char(data.currentLabelSetIndex());
    };
    const QByteArray before = snapshot();
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log << line; };
    const QString path = dir.filePath(QStringLiteral("file"));

    // Every size up to twice the record's, and a few far beyond; contents that would be
    // accepted at the right size.
    for (qsizetype size = 0; size <= 2 * eventsFileSize + 1; ++size) {
        QVERIFY(writeAll(path, QByteArray(size, '\x01')));
        if (size != settingsFileSize && size <= 2 * settingsFileSize + 1)
            QCOMPARE(loadSettingsFile(path, data, labels, true, sink), FileStatus::WrongSize);
        if (size != eventsFileSize)
            QCOMPARE(loadEventsFile(path, data, sink), FileStatus::WrongSize);
    }
    QCOMPARE(snapshot(), before);
    QVERIFY(log.isEmpty());
}

void TestFileSafety::labelFileOfEveryWrongSizeChangesNothing()
{
    QTemporaryDir dir;
    DeviceData data;
    LabelStore labels(data, dir.path(), {});
    labels.setLabelFileCode(LabelStore::startCode); // built-in texts
    const QByteArray before(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
    QList<qsizetype> sizes{0, 1, 2, 95, 96, 3084, qsizetype(labelAreaSize) * 2};
    for (qsizetype near : {qsizetype(labelSetsSize), qsizetype(labelAreaSize)}) {
        for (qsizetype d = 1; d <= 96; ++d)
            sizes << near - d << near + d;
    }
    for (qsizetype size : sizes) {
        QVERIFY(writeAll(labels.filePath(), QByteArray(size, 'x')));
        QVERIFY2(!labels.loadLabelFile(), qPrintable(QString::number(size)));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage)),
                 before);
    }
}

void TestFileSafety::fileChangedWhileLoading_data()
{
    kinds();
}

void TestFileSafety::fileChangedWhileLoading()
{
    // Another program rewrites the file in place, again and again, between the right size
    // and a longer file whose first bytes differ. Whatever moment the load catches, it
    // takes the file of the right size whole or changes nothing.
    QFETCH(QString, kind);
    QTemporaryDir dir;
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    const QString path =
        kind == QLatin1String("labels") ? labels.filePath() : dir.filePath(QStringLiteral("file"));
    const qsizetype size = kind == QLatin1String("settings") ? settingsFileSize
                           : kind == QLatin1String("events") ? eventsFileSize
                                                             : qsizetype(labelAreaSize);
    QByteArray right(size, '\x02');
    if (kind == QLatin1String("settings"))
        right.replace(16, 4, QByteArray(4, '\0')); // a combination the tool knows
    const QByteArray longer = QByteArray(size, '\x03') + QByteArray(100, '\x03');

    std::jthread writer([&](const std::stop_token& stop) {
        for (unsigned n = 0; !stop.stop_requested(); ++n) {
            writeAll(path, n % 2 ? longer : right);
            // Each version stays a moment, so that loads see both and the moments between.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const auto heldBytes = [&] {
        const DeviceImage& image = data.image();
        if (kind == QLatin1String("settings"))
            return QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16);
        if (kind == QLatin1String("events"))
            return QByteArray(reinterpret_cast<const char*>(image.entries), 3072);
        return QByteArray(reinterpret_cast<const char*>(image.labelSets), labelAreaSize);
    };
    const QByteArray rightHeld = right.left(heldBytes().size());
    int taken = 0;
    int refused = 0;
    QString problem;
    const LogSink ignore = [](const QString&) {};
    for (int i = 0; i < 3000 && problem.isEmpty(); ++i) {
        const QByteArray held = heldBytes();
        bool ok = false;
        if (kind == QLatin1String("settings"))
            ok = loadSettingsFile(path, data, labels, false, ignore) == FileStatus::Ok;
        else if (kind == QLatin1String("events"))
            ok = loadEventsFile(path, data, ignore) == FileStatus::Ok;
        else
            ok = labels.loadLabelFile();
        if (ok && heldBytes() != rightHeld)
            problem = QStringLiteral("load %1 took a file that was never whole").arg(i);
        if (!ok && heldBytes() != held)
            problem = QStringLiteral("refused load %1 changed what was held").arg(i);
        ++(ok ? taken : refused);
    }
    writer.request_stop();
    writer.join();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    qInfo("%d loads taken, %d refused", taken, refused);
}

void TestFileSafety::pipeInPlaceOfAFile_data()
{
    kinds();
}

void TestFileSafety::pipeInPlaceOfAFile()
{
    // A named pipe where the file should be: opening it to read would wait for a writer.
    // The load is refused at once and changes nothing. (Should it wait after all, a
    // writer comes after two seconds, so that the test fails instead of hanging.)
    QFETCH(QString, kind);
    QTemporaryDir dir;
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    const QByteArray before(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
    const QString path =
        kind == QLatin1String("labels") ? labels.filePath() : dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // Opening the writing end without waiting succeeds only while a reader waits.
    std::atomic<bool> readerWaited{false};
    std::jthread writer([&path, &readerWaited](const std::stop_token& stop) {
        for (int waited = 0; waited < 200 && !stop.stop_requested(); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            readerWaited = true;
            ::close(fd);
        }
    });
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log << line; };

    bool refused = false;
    if (kind == QLatin1String("settings"))
        refused = loadSettingsFile(path, data, labels, false, sink) == FileStatus::StatFailed;
    else if (kind == QLatin1String("events"))
        refused = loadEventsFile(path, data, sink) == FileStatus::StatFailed;
    else
        refused = !labels.loadLabelFile();
    writer.request_stop();
    writer.join();
    QVERIFY(!readerWaited);
    QVERIFY(refused);
    QVERIFY(log.isEmpty());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage)), before);
}

QTEST_GUILESS_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
