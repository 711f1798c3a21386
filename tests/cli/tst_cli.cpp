#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
    QStringList lines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
};

Run run(const QString& program, const QStringList& arguments, const QString& tz = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!tz.isEmpty())
        env.insert(QStringLiteral("TZ"), tz);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

QString data(const char* name)
{
    return QStringLiteral(TAVREL_TEST_DATA "/") + QLatin1String(name);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void runs_data()
    {
        // A run's exit code; its stdout's line count and lines "N text" that line N (from 0)
        // starts with (a text ending in a line break: the whole line); a text stderr holds
        // (none: it is empty).
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("tz");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("err");
        const QString empty = m_empty.path(), examples = TAVREL_EXAMPLES, rule(90, u'-');
        const QString sample = data("events_sample.rzd");
        const auto row = [](const char* name, const QStringList& arguments, int count,
                            const QStringList& lines, const QString& err = {},
                            const char* tz = "") {
            QTest::newRow(name) << arguments << QString(tz) << 0 << count << lines << err;
        };
        const auto fails = [](const char* name, const QStringList& arguments, int exitCode,
                              const char* err) {
            QTest::newRow(name) << arguments << QString() << exitCode << 0 << QStringList()
                                << QString(err);
        };
        row("settings", {"settings", data("settings_crafted.nst"), "--labels-dir", empty}, 54,
            {"0 " + rule, "1 Układ: 4\tTrzy zasilania z systemu\n", "2 Wariant: B\tWariant B\n",
             "3 Numer fabryczny:\t4660\n", "4 " + rule, "5 Wartość\tJednostka\tNastawa\n",
             "6 500\t[ms]\ttgSZR - czas graniczny dla SZR\n",
             "7 127\t[s]\ttgSZRA - czas graniczny dla SZR na agregat\n",
             "39 Default text 24\t-  1\n", // flag 23, byte 2 bit 7
             "42 Default text 25\t-  1\n", // output 0
             "51 " + rule, "52 Parametry\t9600,N,1\n", "53 Adres\t31\n"});
        row("events", {"events", sample, "--labels-dir", empty}, 256,
            {"0 1\t2015_3_7 9:30:40\t1540\tNr Fabryczny: 48879, Układ: 4, Wariant: 2\n",
             "2 3?\t2015_3_7 9:28:40\t1420\tU1 jest_^,", "6 7\t2015_3_7 9:24:40\t1180\tRestart\n"});
        // Times follow the zone of the machine.
        row("events in UTC", {"events", sample, "--labels-dir", empty}, 256,
            {"0 1\t2015_3_7 8:30:40\t1540\t"}, {}, "UTC");
        // Options may also stand before the command.
        row("labels built in", {"--labels-dir", empty, "labels"}, 8 + 56 + 4 + 8 + 24 + 8,
            {"0 time\t0\ttgSZR - czas graniczny dla SZR\n", "25 signal\t17\t \n",
             "64 variant\t0\tWariant A\n", "75 circuit\t7\tRezerwa\n",
             "107 output\t7\tDefault text 32\n"},
            "Wczytuję plik etykiet " + QDir::toNativeSeparators(m_empty.filePath("Labels_2.nzw")) +
                "\nBrak pliku etykiet - przyjęto domyślny\n");
        // The examples shipped, with their own label file.
        row("example settings", {"settings", examples + "/settings.nst", "--labels-dir", examples},
            37,
            {"3 Numer fabryczny:\t1207\n", "6 8000\t[ms]\ttgSZR - czas graniczny dla SZR\n",
             "16 Zezwolenie na SZR\t-  1\n"});
        row("example events", {"events", examples + "/events.rzd", "--labels-dir", examples}, 256,
            {"13 14\t2026_11_19 14:1:52\t3604\tU1 jest_v,U1 brak_^,Restart_v,\n",
             "14 15\t2026_11_19 13:1:52\t4\tRestart\n", "39 40?\t2027_2_3 15:20:35\t"});
        const QStringList example{"events", examples + "/events.rzd", "--labels-dir", examples};
        // Rows in which any of the signals changed, under the device line, numbers kept.
        row("events of two signals",
            example + QStringList{"--signal", "U1 brak", "--signal", "Restart"}, 48,
            {"0 1\t2026_11_20 14:22:0\t", "1 9\t", "2 14\t",
             "3 15\t2026_11_19 13:1:52\t4\tRestart\n"});
        row("events in a time range",
            example + QStringList{"--from", "2026-11-19T13:01:52", "--to", "2026-11-19T14:01:52"},
            3, {"1 14\t2026_11_19 14:1:52\t", "2 15\t"});
        fails("unknown signal", example + QStringList{"--signal", "U1"}, 2,
              "no signal is named \"U1\"");
        fails("no such date", example + QStringList{"--to", "2026-02-30"}, 2, "--to expects");
        fails("timeline of another kind", example + QStringList{"--timeline", "t.pdf"}, 2,
              "OUT.svg or OUT.png");
        fails("no command", {}, 2, "no command given");
        fails("unknown command", {"print"}, 2, "unknown command");
        fails("no file", {"settings"}, 2, "one settings file expected");
        fails("combination 16", {"labels", "--combination", "16"}, 2, "--combination");
        fails("settings of wrong size", {"settings", sample}, 1,
              "Niewłaściwy rozmiar pliku nastaw");
        fails("events combination 16", {"events", "--csv", data("events_combination16.rzd")}, 1,
              "Niewłaściwy plik zdarzeń");
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, tz);
        QFETCH(QStringList, lines);
        QFETCH(QString, err);
        const Run r = run(TAVREL_CLI, arguments, tz);
        QTEST(r.exitCode, "exitCode");
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
        QTEST(int(r.lines().size()), "count");
        for (const QString& line : lines) {
            const int n = line.section(u' ', 0, 0).toInt();
            QVERIFY2((r.lines().value(n) + '\n').startsWith(line.section(u' ', 1)),
                     qPrintable(line));
        }
        if (arguments.contains("events")) // a tab inside a field would shift the columns
            for (const QString& line : r.lines())
                QCOMPARE(line.count(u'\t'), 3);
    }

    void settingsJson_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("labelFileCode");
        QTest::addColumn<bool>("valid");
        QTest::newRow("crafted") << data("settings_crafted.nst") << 55 << true;
        QTest::newRow("bad check byte") << data("settings_badcheck.nst") << 20 << false;
    }
    void settingsJson()
    {
        QFETCH(QString, file);
        QFETCH(int, labelFileCode);
        QFETCH(bool, valid);
        const Run r = run(TAVREL_CLI, {"settings", "--json", file});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(json["labelFileCode"].toInt(), labelFileCode);
        QCOMPARE(json["labelFileCodeValid"].toBool(), valid);
        const QJsonObject expected = QJsonDocument::fromJson(R"({
            "image": "a55a8105008007ff8106825a007fc35f", "combinationIndex": 9, "circuit": 4,
            "variant": "B", "factoryNumber": 4660, "rs485": {"address": 31, "baudRate": 9600}})")
                                         .object();
        QVERIFY(!expected.isEmpty());
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(json[it.key()] == it.value(), qPrintable(it.key()));
        const QJsonObject row1 = json["timeRows"].toArray()[1].toObject();
        QCOMPARE(row1,
                 QJsonDocument::fromJson(R"({"code": 128, "row": 1, "unit": "s", "value": 127})")
                     .object());
    }

private:
    QTemporaryDir m_empty;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
