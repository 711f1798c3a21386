#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a temporary prefix; what was installed starts and finds its
// label files.
class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void installedProgramsFindTheirLabelFiles()
    {
        const QDir prefix(m_prefix.path());
        QString out;
        const QString install =
            run(CMAKE_COMMAND, {"--install", TAVREL_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY2(!install.startsWith("exit "), qPrintable(install));
        for (const char* path :
             {"bin/tavrel", "bin/tavrel-cli", "bin/dorvik-sim", "share/applications/tavrel.desktop",
              "share/icons/hicolor/scalable/apps/tavrel.svg",
              "share/icons/hicolor/256x256/apps/tavrel.png"})
            QVERIFY2(QFile::exists(prefix.filePath(path)), path);

        // The first start copies the installed label file into the user's data directory and
        // reads it from there.
        const QString cli = prefix.filePath("bin/tavrel-cli");
        const QString userLabels = m_home.filePath("data/Tavrel/Labels_2.nzw");
        QCOMPARE(run(cli, {"labels"}, &out), "Wczytuję plik etykiet " + userLabels + "\n");
        QVERIFY(out.contains("flag\t0\tZezwolenie na SZR\n"));
        // --labels-dir still names the directory.
        QVERIFY(run(cli, {"labels", "--labels-dir", m_home.path()})
                    .startsWith("Wczytuję plik etykiet " + m_home.filePath("Labels_2.nzw")));

        run(prefix.filePath("bin/tavrel"), {"--quit-after-first-frame"}, &out);
        QVERIFY(out.startsWith("first-frame-ms "));
    }

private:
    // Runs a program; its stderr, or "exit N" when it failed.
    QString run(const QString& program, const QStringList& arguments, QString* out = nullptr)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_home.filePath("data"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return QStringLiteral("exit %1: ").arg(process.exitCode()) + process.readAll();
        if (out)
            *out = QString::fromUtf8(process.readAllStandardOutput());
        return QString::fromUtf8(process.readAllStandardError());
    }

    QTemporaryDir m_prefix;
    QTemporaryDir m_home; // the user's data directory lies in here
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
