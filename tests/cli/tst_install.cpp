#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a temporary prefix: the programs, the desktop entry, the icon
// and the label files where the installed programs find them.
class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layout();
    void installedCliFindsItsLabelFiles();
    void installedWindowStarts();

private:
    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QString& program, const QStringList& arguments);

    QTemporaryDir m_prefix;
    QTemporaryDir m_home; // the user's data directory lies in here
};

TestInstall::Run TestInstall::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", m_home.filePath("data"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestInstall::initTestCase()
{
    const Run install =
        run(QStringLiteral(CMAKE_COMMAND),
            {"--install", QStringLiteral(TAVREL_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
}

void TestInstall::layout()
{
    const QDir prefix(m_prefix.path());
    for (const char* path :
         {"bin/tavrel", "bin/tavrel-cli", "bin/dorvik-sim", "share/applications/tavrel.desktop",
          "share/icons/hicolor/scalable/apps/tavrel.svg",
          "share/icons/hicolor/256x256/apps/tavrel.png", "share/tavrel/Labels_2.nzw"})
        QVERIFY2(QFile::exists(prefix.filePath(path)), path);
    QFile entry(prefix.filePath("share/applications/tavrel.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nExec=tavrel\n") && text.contains("\nIcon=tavrel\n"));
}

void TestInstall::installedCliFindsItsLabelFiles()
{
    const QString cli = QDir(m_prefix.path()).filePath("bin/tavrel-cli");
    const QString userLabels = m_home.filePath("data/Tavrel/Labels_2.nzw");
    // The first start copies the installed label file into the user's data directory and
    // reads it from there.
    Run r = run(cli, {"labels"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, "Wczytuję plik etykiet " + userLabels + "\n");
    QVERIFY(r.out.contains("flag\t0\tZezwolenie na SZR\n"));
    QCOMPARE(QFile(userLabels).size(), 93696);

    // Searched first: the user's own edits win over the installed file.
    QFile own(userLabels);
    QVERIFY(own.open(QIODevice::WriteOnly));
    QVERIFY(own.write(QByteArray(44544, '\0')) == 44544);
    own.close();
    r = run(cli, {"labels"});
    QVERIFY(r.out.contains("flag\t0\t\n"));

    // --labels-dir still names the directory.
    const QString named = m_home.filePath("named");
    QVERIFY(QDir().mkpath(named));
    r = run(cli, {"labels", "--labels-dir", named});
    QCOMPARE(r.err, "Wczytuję plik etykiet " + QDir(named).filePath("Labels_2.nzw") +
                        "\nBrak pliku etykiet - przyjęto domyślny\n");
}

void TestInstall::installedWindowStarts()
{
    const Run r = run(QDir(m_prefix.path()).filePath("bin/tavrel"), {"--quit-after-first-frame"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("first-frame-ms "), qPrintable(r.out + r.err));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
