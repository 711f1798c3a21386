#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray outBytes;

    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

Run run(const char* program, const QStringList& arguments, const QString& tz = {})
{
    QProcess process;
    if (!tz.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), tz);
        process.setProcessEnvironment(env);
    }
    process.start(QString::fromUtf8(program), arguments);
    Run result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.outBytes = process.readAllStandardOutput();
    result.out = QString::fromUtf8(result.outBytes);
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

Run cli(const QStringList& arguments, const QString& tz = {})
{
    return run(TAVREL_CLI, arguments, tz);
}

QString data(const char* name)
{
    return QStringLiteral(TAVREL_TEST_DATA "/") + QLatin1String(name);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_empty.isValid()); }

    void settingsPrintout()
    {
        const Run r =
            cli({"settings", data("settings_crafted.nst"), "--labels-dir", m_empty.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        const QStringList lines = r.lines();
        const QString rule(90, u'-');
        const QStringList head = {
            rule,
            "Układ: 4\tTrzy zasilania z systemu",
            "Wariant: B\tWariant B",
            "Numer fabryczny:\t4660",
            rule,
            "Wartość\tJednostka\tNastawa",
            "500\t[ms]\ttgSZR - czas graniczny dla SZR",
            "127\t[s]\ttgSZRA - czas graniczny dla SZR na agregat",
        };
        QCOMPARE(lines.mid(0, head.size()), head);
        QCOMPARE(lines.size(), 54);
        QCOMPARE(lines[39], QStringLiteral("Default text 24\t-  1")); // flag 23, byte 2 bit 7
        QCOMPARE(lines[42], QStringLiteral("Default text 25\t-  1")); // output 0
        QCOMPARE(lines.mid(51), (QStringList{rule, "Parametry\t9600,N,1", "Adres\t31"}));
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
        const Run r = cli({"settings", "--json", file});
        QCOMPARE(r.exitCode, 0);
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(r.outBytes, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json["labelFileCode"].toInt(), labelFileCode);
        QCOMPARE(json["labelFileCodeValid"].toBool(), valid);
        const QJsonObject expected = QJsonDocument::fromJson(R"({
            "image": "a55a8105008007ff8106825a007fc35f", "combinationIndex": 9, "circuit": 4,
            "variant": "B", "factoryNumber": 4660, "rs485": {"address": 31, "baudRate": 9600},
            "flags": [false, true, false, true, true, false, true, false, false, false, false,
                      false, false, false, false, false, true, false, false, false, false,
                      false, false, true],
            "outputs": [true, false, true, false, false, false, false, false]})")
                                         .object();
        QVERIFY(!expected.isEmpty());
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(json[it.key()] == it.value(), qPrintable(it.key()));
        const QJsonObject row1 = json["timeRows"].toArray()[1].toObject();
        QCOMPARE(row1,
                 QJsonDocument::fromJson(R"({"code": 128, "row": 1, "unit": "s", "value": 127})")
                     .object());
    }

    void eventsRows()
    {
        const Run r = cli({"events", data("events_sample.rzd"), "--labels-dir", m_empty.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        const QStringList lines = r.lines();
        QCOMPARE(lines.size(), 256);
        QCOMPARE(lines[0], QStringLiteral("1\t2015_3_7 9:30:40\t1540\tNr Fabryczny: 48879, "
                                          "Układ: 4, Wariant: 2"));
        QVERIFY(lines[2].startsWith(QStringLiteral("3?\t2015_3_7 9:28:40\t1420\t")));
        QCOMPARE(lines[6], QStringLiteral("7\t2015_3_7 9:24:40\t1180\tRestart"));
        for (const QString& line : lines)
            QCOMPARE(line.count(u'\t'), 3);

        // Times follow the zone of the machine.
        const Run utc = cli({"events", data("events_sample.rzd"), "--labels-dir", m_empty.path()},
                            QStringLiteral("UTC"));
        QVERIFY(utc.lines().value(0).startsWith(QStringLiteral("1\t2015_3_7 8:30:40\t")));
    }

    void eventsCsvIsTheExportBytes()
    {
        const Run r =
            cli({"events", data("events_sample.rzd"), "--csv", "--labels-dir", m_empty.path()});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.outBytes.startsWith("Lp,Czas,Rbs [s],Zdarzenia\r\n1,2015_3_7 9:30:40,1540,"
                                      "\"Nr Fabryczny: 48879, Uk\xc5\x82"
                                      "ad: 4, Wariant: 2\"\r\n"));
        QCOMPARE(r.outBytes.count("\r\n"), 257);

        DeviceData held;
        LabelStore labels(held, m_empty.path(), [](const QString&) {});
        labels.setLabelFileCode(LabelStore::startCode);
        QCOMPARE(loadEventsFile(data("events_sample.rzd"), held, [](const QString&) {}),
                 FileStatus::Ok);
        QCOMPARE(r.outBytes, eventsCsv(eventListRows(held.image())));
    }

    void labelsBuiltIn()
    {
        // Options may also stand before the command.
        const Run r = cli({"--labels-dir", m_empty.path(), "labels"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QStringLiteral("Wczytuję plik etykiet %1\n"
                                       "Brak pliku etykiet - przyjęto domyślny\n")
                            .arg(QDir::toNativeSeparators(m_empty.filePath("Labels_2.nzw"))));
        const QStringList lines = r.lines();
        QCOMPARE(lines.size(), 8 + 56 + 4 + 8 + 24 + 8);
        QCOMPARE((QStringList{lines[0], lines[8 + 17], lines[64], lines[75], lines[107]}),
                 (QStringList{"time\t0\ttgSZR - czas graniczny dla SZR", "signal\t17\t ",
                              "variant\t0\tWariant A", "circuit\t7\tRezerwa",
                              "output\t7\tDefault text 32"}));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString missing = m_empty.filePath("missing.nst");
        QTest::newRow("no command") << QStringList{} << 2 << "no command given";
        QTest::newRow("unknown command") << QStringList{"print"} << 2 << "unknown command";
        QTest::newRow("no file") << QStringList{"settings"} << 2 << "one settings file expected";
        QTest::newRow("combination 16")
            << QStringList{"labels", "--combination", "16"} << 2 << "--combination";
        QTest::newRow("missing settings")
            << QStringList{"settings", missing} << 1 << "Problem z czytaniem nastaw";
        QTest::newRow("settings of wrong size")
            << QStringList{"settings", data("events_sample.rzd")} << 1
            << "Niewłaściwy rozmiar pliku nastaw";
        QTest::newRow("events of wrong size") << QStringList{"events", data("settings_default.nst")}
                                              << 1 << "Niewłaściwy rozmiar pliku zdarzeń";
        QTest::newRow("events combination 16")
            << QStringList{"events", "--csv", data("events_combination16.rzd")} << 1
            << "Niewłaściwy plik zdarzeń";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run r = cli(arguments);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    void examples()
    {
        const QString dir = QStringLiteral(TAVREL_EXAMPLES);
        const Run settings = cli({"settings", dir + "/settings.nst", "--labels-dir", dir});
        QCOMPARE(settings.exitCode, 0);
        const QStringList rows = settings.lines();
        QCOMPARE(rows.value(3), QStringLiteral("Numer fabryczny:\t1207"));
        QVERIFY(rows.contains(QStringLiteral("8000\t[ms]\ttgSZR - czas graniczny dla SZR")));
        QVERIFY(rows.contains(QStringLiteral("Zezwolenie na SZR\t-  1")));
        QVERIFY(!settings.out.contains(QStringLiteral("Default text")));

        const Run events = cli({"events", dir + "/events.rzd", "--labels-dir", dir});
        QCOMPARE(events.exitCode, 0);
        const QStringList lines = events.lines();
        QCOMPARE(lines.size(), 256);
        QCOMPARE(lines.filter(QRegularExpression("\tRestart$")).size(), 1);
        QCOMPARE(lines.filter(QRegularExpression("^\\d+\\?\t")).size(), 1);
        QVERIFY(!lines.filter(QStringLiteral("U1 brak_^,")).isEmpty());
    }

    void examplesAreReproducible()
    {
        QTemporaryDir dir;
        QCOMPARE(run(TAVREL_MAKE_EXAMPLES, {dir.path()}).exitCode, 0);
        for (const char* name : {"settings.nst", "events.rzd", "Labels_2.nzw"}) {
            const QByteArray made = readAll(dir.filePath(QLatin1String(name)));
            QVERIFY(!made.isEmpty());
            QVERIFY2(made == readAll(QStringLiteral(TAVREL_EXAMPLES "/") + QLatin1String(name)),
                     name);
        }
    }

private:
    QTemporaryDir m_empty;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
