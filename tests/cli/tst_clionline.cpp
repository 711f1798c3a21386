#include "tests/support/simprocess.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <tuple>

// The online commands of tavrel-cli against dorvik-sim over a pseudo-terminal, on the
// engine's real timers. The runs that need no earlier run are started together in
// initTestCase, each on its own simulator, as they mostly wait on the link's periods; their
// tests check them.
class TestCliOnline : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void statusPrintsFieldsAndLogLines();
    void settingsReadWriteCompare();
    void readEventsMatchesController();
    void serviceCommandsNeedPasswords();
    void writeRs485KeepsReservedByte();
    void noControllerExitsThree_data();
    void noControllerExitsThree();
    void usageErrors_data();
    void usageErrors();

private:
    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    struct Background {
        SimProcess sim;
        QProcess process;
    };
    static Run finished(QProcess& process);
    Run cli(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral(TAVREL_CLI), arguments);
        return finished(process);
    }
    // Starts a run on a simulator of its own with these options (none: no simulator).
    void startBackground(const QString& name, const QStringList& simOptions,
                         const QStringList& arguments);
    QStringList portArgs(SimProcess& sim) const
    {
        return {"--port", sim.linkPath(), "--labels-dir", m_dir.path()};
    }

    QTemporaryDir m_dir;
    std::map<QString, Background> m_background;
};

// Why no controller is reached, or a read does not complete: simulator options, the
// command and the message expected.
static const QList<std::tuple<const char*, QStringList, const char*, const char*>>
    noControllerCases = {
        {"no port", {}, "read-settings", "Problem z otwarciem portu"},
        {"nobody answers", {"--probe-baud", "1200"}, "read-settings", "Urządzenie nie odpowiada"},
        {"link opening unanswered",
         {"--fault-connect", "--stop-after", "1"},
         "read-settings",
         "Urządzenie nie odpowiada"},
        {"silent after the first status answer",
         {"--stop-after", "1"},
         "read-settings",
         "Minął limit czasu"},
        {"status polls refused",
         {"--refuse-status"},
         "status",
         "Dorvik odrzuca odczyt stanu, połączenie zakończone"},
        {"event blocks refused",
         {"--refuse-events-after", "4", "--exception-code", "2"},
         "read-events",
         "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"},
};

TestCliOnline::Run TestCliOnline::finished(QProcess& process)
{
    Run run;
    // A background run may have ended already, noticed while another test ran the event loop.
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(90000))
        return run;
    if (process.error() == QProcess::FailedToStart || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void TestCliOnline::startBackground(const QString& name, const QStringList& simOptions,
                                    const QStringList& arguments)
{
    Background& b = m_background[name];
    QStringList port{"--port", m_dir.filePath("missing"), "--labels-dir", m_dir.path()};
    if (!simOptions.isEmpty()) {
        QVERIFY(b.sim.start(simOptions));
        port = portArgs(b.sim);
    }
    b.process.start(QStringLiteral(TAVREL_CLI), arguments + port);
}

void TestCliOnline::initTestCase()
{
    QVERIFY(m_dir.isValid());
    startBackground(
        "events", {"--events", "300", "--bad-checks", "2"},
        {"read-events", "-o", m_dir.filePath("read.rzd"), "--csv", m_dir.filePath("read.csv")});
    startBackground("status", {"--firmware", "31", "--factory-number", "4711", "--counter", "7300"},
                    {"status"});
    startBackground("reset", {"--factory-number", "1234"}, {"reset", "--password", "KTRsondal"});
    startBackground("rs485 service password", {"--factory-number", "2024"},
                    {"write-rs485", "--address", "5", "--baud", "9600", "--password", "KTRsondal"});
    // A file from before stays as it was.
    for (const auto& [name, simOptions, command, message] : noControllerCases) {
        const QString old = m_dir.filePath(QLatin1String(name) + ".old");
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        file.close();
        QStringList arguments{command};
        if (QLatin1String(command) != "status")
            arguments << "-o" << old;
        startBackground(name, simOptions, arguments);
    }
}

static QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void TestCliOnline::statusPrintsFieldsAndLogLines()
{
    SimProcess& sim = m_background.at("status").sim;
    const Run run = finished(m_background.at("status").process);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString("Wersja\t3.1\nRbg\t2\nNr fabr.\t4711\nPlik nazw\tdomyślny\n"));
    // Log lines as the communication page shows them: blank-padded time, two blanks.
    static const QRegularExpression line(
        QStringLiteral("^[ \\d]\\d:[ \\d]\\d:[ \\d]\\d\\.[ \\d]{2}\\d  (.*)$"),
        QRegularExpression::MultilineOption);
    QStringList texts;
    for (auto it = line.globalMatch(run.err); it.hasNext();)
        texts.append(it.next().captured(1));
    QVERIFY2(texts.contains("Nawiązano połączenie " + sim.linkPath()), qPrintable(run.err));
    QCOMPARE(texts.mid(texts.size() - 2), (QStringList{"Rozłączanie", "Rozłączono"}));
    QCOMPARE(sim.dump().value("link"), QByteArray("closed"));
}

void TestCliOnline::settingsReadWriteCompare()
{
    SimProcess sim;
    QVERIFY(sim.start({"--combination", "9"}));
    const QString held = m_dir.filePath("held.nst");
    Run run = cli(QStringList{"read-settings", "-o", held} + portArgs(sim));
    QCOMPARE(run.exitCode, 0);
    QByteArray file = readFile(held);
    QCOMPARE(file.size(), 24);
    QCOMPARE(file.first(16).toHex(), sim.dump().value("settings").first(32));
    QCOMPARE(int(file[16]), 9);

    // A changed time code is written, then compares identical; the old file differs.
    QByteArray changed = file;
    changed[4] = char(0x33);
    const QString changedPath = m_dir.filePath("changed.nst");
    QVERIFY(writeFile(changedPath, changed));
    run = cli(QStringList{"write-settings", changedPath} + portArgs(sim));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Nastawy zapisano do Dorvik"));
    QCOMPARE(sim.dump().value("settings").first(28), changed.first(14).toHex());
    run = cli(QStringList{"compare", changedPath} + portArgs(sim));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Nastawy identyczne"));
    run = cli(QStringList{"compare", held, "--trace"} + portArgs(sim));
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("Nastawy różne"));
    // The field that differs, and every frame on stderr as the traffic window lists it.
    QCOMPARE(run.out, QString("tgSZR - czas graniczny dla SZR\t10000 [ms]\t5000 [ms]\n"));
    QVERIFY2(run.err.contains(QRegularExpression(
                 "\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ->   ff 03 00 00 00 0a d0 13  Odczyt nastaw\n")),
             qPrintable(run.err));
    QVERIFY(run.err.contains(" <-   ff 03 14 "));

    // A file that is refused sends nothing.
    const QString shortFile = m_dir.filePath("short.nst");
    QVERIFY(writeFile(shortFile, file.first(20)));
    QCOMPARE(cli(QStringList{"write-settings", shortFile} + portArgs(sim)).exitCode, 1);
}

void TestCliOnline::readEventsMatchesController()
{
    Background& b = m_background.at("events");
    const Run run = finished(b.process);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Rejestr zdarzeń odczytany"));
    const QByteArray file = readFile(m_dir.filePath("read.rzd"));
    QCOMPARE(file.size(), 3084);
    QCOMPARE(file.first(3072).toHex(), b.sim.dump().value("register"));
    QVERIFY(readFile(m_dir.filePath("read.csv")).startsWith("Lp,Czas,Rbs [s],Zdarzenia\r\n"));
}

void TestCliOnline::serviceCommandsNeedPasswords()
{
    SimProcess sim;
    QVERIFY(sim.start({"--factory-number", "1234"}));
    Run run =
        cli(QStringList{"write-factory-number", "777", "--password", "ktrsondal"} + portArgs(sim));
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("Hasło nieprawidłowe"));
    QVERIFY(!run.err.contains("Próba połączenia"));

    run = cli(QStringList{"write-factory-number", "65536", "--password", "KTRsondal"} +
              portArgs(sim));
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("Numer fabryczny większy niż 65535"));

    run =
        cli(QStringList{"write-factory-number", "777", "--password", "KTRsondal"} + portArgs(sim));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Numer fabryczny zapisano do Dorvik"));
    QCOMPARE(sim.dump().value("factory-number"), QByteArray("777"));

    run = finished(m_background.at("reset").process);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Rozkaz Reset Wysłano"));
    QTRY_COMPARE(m_background.at("reset").sim.dump().value("resets"), QByteArray("1"));
}

void TestCliOnline::writeRs485KeepsReservedByte()
{
    SimProcess sim;
    QVERIFY(
        sim.start({"--factory-number", "2024", "--settings", "0000000165bd333d1565952f02067721"}));
    // The service password is not the device password.
    Run run = finished(m_background.at("rs485 service password").process);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("Hasło nieprawidłowe"));
    QVERIFY(run.err.contains("Rozłączono"));

    run = cli(QStringList{"write-rs485", "--address", "5", "--baud", "9600", "--password",
                          "KLUCZDV2024"} +
              portArgs(sim));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("Konfigurację RS485 zapisano do Dorvik"));
    QCOMPARE(sim.dump().value("settings").sliced(28, 4),
             QByteArray("7745")); // 0x45: address 5, 9600
}

void TestCliOnline::noControllerExitsThree_data()
{
    QTest::addColumn<QString>("message");
    for (const auto& [name, simOptions, command, message] : noControllerCases)
        QTest::newRow(name) << QString::fromUtf8(message);
}

void TestCliOnline::noControllerExitsThree()
{
    QFETCH(QString, message);
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    const Run run = finished(m_background.at(name).process);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(readFile(m_dir.filePath(name + ".old")), QByteArray("old"));
}

void TestCliOnline::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no port") << QStringList{"status"};
    QTest::newRow("no output") << QStringList{"read-settings", "--port", "COM1"};
    QTest::newRow("address 32") << QStringList{"write-rs485", "--port", "COM1",   "--password", "x",
                                               "--address",   "32",     "--baud", "9600"};
    QTest::newRow("baud 1200") << QStringList{"write-rs485", "--port", "COM1",   "--password", "x",
                                              "--address",   "3",      "--baud", "1200"};
    QTest::newRow("time limit") << QStringList{"status", "--port", "COM1", "--time-limit", "x"};
}

void TestCliOnline::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = cli(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("Usage: tavrel-cli"));
}

QTEST_GUILESS_MAIN(TestCliOnline)
#include "tst_clionline.moc"
