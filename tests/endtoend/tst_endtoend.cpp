// The tool against dorvik-sim over pseudo-terminals, on real timers. What mostly waits (link
// runs, tavrel-cli runs, each on a simulator of its own) starts in initTestCase, at once.

#include "app/cmainframe.h"
#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "app/linktools.h"
#include "app/restoredialog.h"
#include "app/servicereportjob.h"
#include "files/settingsbackup.h"
#include "link/page/cinitpage.h"
#include "pages/canalog.h"
#include "pages/cbinary.h"
#include "pages/entryfields.h"
#include "tests/support/pagefixture.h"
#include "tests/support/simprocess.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <map>

namespace {

QStringList fields(const char* row)
{
    return QString::fromUtf8(row).split(QStringLiteral(" | "));
}

QStringList words(const QString& text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

// Link runs: connect, read the settings and the register, disconnect. "name | simulator |
// probes until found (five at 19200, then 9600, 38400, 4800) | a pattern the log matches;
// none: the log is a clean run's". The first runs on the link's own periods.
const char* const linkCases[] = {
    "own periods, at 9600 | --probe-baud 9600 | 6 | ",
    "every fault at once | --drop-every 5 --corrupt-every 7 --garbage-every 4 --seed 3 | 1 | "
    "Błąd CRC|Błąd typu ramki|Limit czasu:1",
};

// tavrel-cli runs in the temporary directory, those on one simulator in turn: "simulator |
// name | arguments (a file *.old there before stays as it was; {backup} the simulator's
// oldest backup) | exit code | on stderr". Each simulator's runs keep their backups apart.
const char* const cliSims[] = {
    "status | --firmware 31 --factory-number 4711 --counter 7300",
    "settings | --combination 9 --settings 1234000165bd333d1565952f02065621",
    "events | --events 300 --bad-checks 2",
    "service | --factory-number 1234",
    "rs485 | --factory-number 2024 --settings 0000000165bd333d1565952f02067721",
    "refusing polls | --refuse-status",
    "refusing blocks | --refuse-events-after 4 --exception-code 2",
    "misstoring | --misstore 5",
    "blocked backups | ",
};
const char* const cliCases[] = {
    "status | status | status | 0 | Rozłączono",
    "settings | read settings | read-settings -o held.nst | 0 | Nastawy odczytano",
    "settings | write settings | write-settings changed.nst | 0 | Nastawy w Dorvik sprawdzone",
    "settings | compare, different | compare held.nst --trace | 1 | Nastawy różne",
    "events | read events | read-events -o read.rzd | 0 | Rejestr zdarzeń "
    "odczytany",
    "events | service report | report -o . | 0 | Raport serwisowy zapisano",
    "service | factory number | write-factory-number 777 --password KTRsondal | 0 | Numer "
    "fabryczny zapisano do Dorvik",
    "service | reset | reset --password KTRsondal | 0 | Rozkaz Reset Wysłano",
    "rs485 | RS485, service password | write-rs485 --address 5 --baud 9600 --password KTRsondal "
    "| 2 | Hasło nieprawidłowe",
    "rs485 | RS485 | write-rs485 --address 5 --baud 9600 --password KLUCZDV2024 | 0 | "
    "Konfigurację RS485 zapisano do Dorvik",
    "misstoring | read before | read-settings -o before.nst | 0 | Nastawy odczytano",
    "misstoring | write not kept | write-settings changed.nst | 1 | Kopię nastaw zapisano",
    "misstoring | restore | restore {backup} | 0 | Nastawy w Dorvik sprawdzone",
    "misstoring | read after | read-settings -o after.nst | 0 | Nastawy odczytano",
    "blocked backups | backups blocked | write-settings changed.nst | 1 | Nie można zapisać kopii",
    "none | report, no folder | report --port missing -o blocked | 1 | Problem z zapisem raportu",
    "none | no port | read-settings --port missing -o none.old | 3 | Problem z otwarciem portu",
    "refusing polls | status polls refused | status | 3 | Dorvik odrzuca odczyt stanu, "
    "połączenie zakończone",
    "refusing blocks | event blocks refused | read-events -o events.old | 3 | Odczyt rejestru "
    "zdarzeń nie został ukończony, rejestr bez zmian",
    "none | usage: address 32 | write-rs485 --port COM1 --password x --address 32 --baud 9600 | "
    "2 | Usage: tavrel-cli",
    "none | usage: time limit 0 | status --port COM1 --time-limit 0 | 2 | Usage: tavrel-cli",
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void link_data();
    void link();
    void windowSession();
    void cli_data();
    void cli();
    void cliDetails();

private:
    struct Run {
        int exitCode = -1;
        QString out, err;
    };
    // A simulator and what runs on it: a link, or tavrel-cli runs in turn.
    struct Background {
        SimProcess sim;
        std::unique_ptr<LinkFixture> tool;
        int probes = 0;
        bool ended = false;
        QStringList port;
        QString dataHome;
        QList<QStringList> commands;
        QList<Run> runs;
    };
    void runNext(Background& b);
    Run cliRun(const QString& name, int index);
    static QStringList backups(const Background& b);

    QTemporaryDir m_dir;
    std::map<QString, Background> m_runs;
};

void TestEndToEnd::initTestCase()
{
    QLoggingCategory::setFilterRules("tavrel.*.debug=false\ntavrel.link.port.warning=false");
    QVERIFY(m_dir.isValid());
    for (const char* row : linkCases) {
        Background& b = m_runs[fields(row)[0]];
        QVERIFY(b.sim.start(words(fields(row)[1])));
        b.tool = std::make_unique<LinkFixture>(row == linkCases[0] ? LinkTimings{} : fastTimings());
        DeviceLink* link = &b.tool->link;
        connect(link, &DeviceLink::frameSent, this, [&b](const QByteArray& bytes) {
            b.probes += bytes == QByteArray::fromHex("ff030009000141d6");
        });
        connect(link, &DeviceLink::connectedChanged, link, [link](bool on) {
            if (on)
                link->readSettings();
        });
        connect(link, &DeviceLink::settingsArrived, link, &DeviceLink::readEventRegister);
        connect(link, &DeviceLink::registerCompleted, link, &DeviceLink::disconnectDevice,
                Qt::QueuedConnection);
        connect(link, &DeviceLink::linkEnded, this, [&b] { b.ended = true; });
        link->setSelectedPort(b.sim.linkPath());
        link->connectDevice();
    }
    // tgSZR 5000 ms where the controller holds 10000 ms, combination 9.
    QVERIFY(writeBytes(m_dir.filePath("changed.nst"),
                       QByteArray::fromHex("1234000133bd333d1565952f0206562109000000000014eb")));
    for (const char* row : cliSims)
        QVERIFY(m_runs[fields(row)[0]].sim.start(words(fields(row)[1])));
    for (const char* row : cliCases) {
        const QStringList arguments = words(fields(row)[2]);
        m_runs[fields(row)[0]].commands << arguments;
        QVERIFY(!arguments.last().endsWith(".old") ||
                writeBytes(m_dir.filePath(arguments.last()), "old"));
    }
    // A file where the backups' folder would be: no backup can be saved.
    QVERIFY(writeBytes(m_dir.filePath("blocked"), "file"));
    qputenv("XDG_DATA_HOME", m_dir.filePath("window").toUtf8());
    for (auto& [name, b] : m_runs) {
        if (b.commands.isEmpty())
            continue;
        b.dataHome = m_dir.filePath(name == "blocked backups" ? "blocked" : "data/" + name);
        if (b.sim.process().state() == QProcess::Running)
            b.port = QStringList{"--port", b.sim.linkPath()};
        b.port << "--labels-dir" << m_dir.path();
        runNext(b);
    }
}

void TestEndToEnd::runNext(Background& b)
{
    auto* process = new QProcess(this);
    process->setWorkingDirectory(m_dir.path());
    connect(process, &QProcess::finished, this, [this, &b, process] {
        b.runs.append({process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                       QString::fromUtf8(process->readAllStandardOutput()),
                       QString::fromUtf8(process->readAllStandardError())});
        process->deleteLater();
        if (b.runs.size() < b.commands.size())
            runNext(b);
    });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", b.dataHome);
    process->setProcessEnvironment(env);
    QStringList arguments = b.commands[b.runs.size()];
    arguments.replaceInStrings("{backup}", backups(b).value(0));
    process->start(QStringLiteral(TAVREL_CLI), arguments + b.port);
}

QStringList TestEndToEnd::backups(const Background& b)
{
    QStringList files; // oldest first
    for (const SettingsBackup::Entry& entry :
         SettingsBackup::list(b.dataHome + "/Tavrel/backups", 1234))
        files.prepend(entry.path);
    return files;
}

TestEndToEnd::Run TestEndToEnd::cliRun(const QString& name, int index)
{
    const Background& b = m_runs.at(name);
    return QTest::qWaitFor([&] { return b.runs.size() > index; }, 120000) ? b.runs[index] : Run{};
}

void TestEndToEnd::link_data()
{
    QTest::addColumn<int>("probes");
    QTest::addColumn<QString>("anyOf");
    for (const char* row : linkCases)
        QTest::newRow(qPrintable(fields(row)[0])) << fields(row)[2].toInt() << fields(row)[3];
}

// Whatever the line does, what was read is the controller's, byte for byte.
void TestEndToEnd::link()
{
    QFETCH(int, probes);
    QFETCH(QString, anyOf);
    Background& b = m_runs.at(QString::fromUtf8(QTest::currentDataTag()));
    const LinkFixture& tool = *b.tool;
    QVERIFY2(QTest::qWaitFor([&b] { return b.ended; }, 60000), tool.logText().constData());
    const auto dump = b.sim.dump();
    const DeviceImage& image = tool.data.image();
    QCOMPARE(b.probes, probes);
    QCOMPARE(image.combinationIndex, dump.value("combination").toUInt());
    QCOMPARE(hexOf(image.settings), dump.value("settings").left(32));
    QCOMPARE(hexOf(image.entries), dump.value("register"));
    QCOMPARE(QByteArray::number(image.writePosition), dump.value("write-position"));
    QCOMPARE(QByteArray::number(image.registerFactoryNumber), dump.value("factory-number"));
    QVERIFY(dump.value("link") == "closed" && !tool.link.isPortOpen());
    const QString port = b.sim.linkPath();
    QVERIFY2(tool.filledIn(), tool.logText().constData());
    if (anyOf.isEmpty())
        QCOMPARE(tool.log, (QStringList{"Próba połączenia... " + port,
                                        "Nawiązano połączenie " + port, "Czytanie rozpoczęto",
                                        "Nastawy odczytano", "Czytanie rejestru zdarzeń",
                                        "Rejestr zdarzeń odczytany", "Rozłączanie", "Rozłączono"}));
    else
        QVERIFY2(QString(tool.logText()).contains(QRegularExpression(anyOf)) &&
                     tool.log.last() == "Rozłączono",
                 tool.logText().constData());
}

// Connect, read the settings, edit them on the pages, write (the controller keeps a byte
// otherwise), read them back, restore the backup, report, read the register, disconnect, on
// a line that spoils some replies.
void TestEndToEnd::windowSession()
{
    // Reserved bytes 0, 1 and 14 set, to see them travel unchanged.
    const QByteArray held = "1234000165bd333d1565952f02065621";
    SimProcess sim;
    QVERIFY(sim.start({"--settings", held, "--factory-number", "4711", "--combination", "6",
                       "--corrupt-every", "9", "--misstore", "9"}));
    const LinkTimings timings = fastTimings();
    CMainFrame frame(StartOptions{.port = sim.linkPath(), .labelsDir = m_dir.path()},
                     [timings](PageKind kind, AppContext& context, const StartOptions& start) {
                         return kind == PageKind::Communication
                                    ? new CInitPage(context, start, std::make_unique<CSerialPort>(),
                                                    timings)
                                    : createPage(kind, context, start);
                     });
    frame.show();
    CTavrelView& view = *frame.view();
    CMyProperty& sheet = *view.sheet();
    auto* link = static_cast<CInitPage*>(view.page(PageKind::Communication));
    const auto logged = [link](const QString& text) { return loggedCount(*link, text); };
    const DeviceImage& image = frame.data().image();
    constexpr int patience = 30000;

    QVERIFY(view.setActivePage(0));
    view.runCommand(Command::Connect);
    QCOMPARE(sheet.activePageIndex(), CInitPage::pageIndex);
    // "Rozłącz" lets the port go even before the controller answers.
    QVERIFY(link->findChild<QPushButton*>("disconnect")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), patience);
    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(sheet.pageCount(), 6, patience);
    QCOMPARE(hexOf(image.settings), held);

    // tgSZR 10000 ms becomes 15 s; program flag 16 is set. Each page stores on leaving.
    auto* times = static_cast<Canalog*>(view.page(PageKind::Times));
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("15000");
    QVERIFY(view.setActivePage(int(PageKind::Program)));
    QTest::mouseClick(static_cast<CBinary*>(view.page(PageKind::Program))->bitBox(16),
                      Qt::LeftButton);

    // A write that would change what was read lists the fields first, and may be cancelled.
    QStringList diffs;
    bool goOn = false;
    frame.linkTools()->setDiffViewer(
        [&](const QList<SettingsDiff::Difference>& list, SettingsDiffDialog::Purpose purpose) {
            for (const SettingsDiff::Difference& d : list)
                diffs << QString::number(int(purpose)) + ": " + d.held + '|' + d.device;
            return goOn && purpose == SettingsDiffDialog::Purpose::Write;
        });
    view.runCommand(Command::WriteSettings);
    QCOMPARE(diffs, (QStringList{"1: 15 [s]|10000 [ms]", "1: 1|0"}));
    QCOMPARE(logged("Zapis nastaw do Dorvik anulowano"), 1);
    goOn = true;
    view.runCommand(Command::WriteSettings);
    // The controller keeps trSZRA otherwise: listed, and the backup not written back.
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy w Dorvik różnią się od zapisanych"), 1, patience);
    QCOMPARE(diffs.last(), QString("2: 10000 [ms]|9900 [ms]"));
    const QByteArray kept = "1234010190bd333d1564952f02065621";
    QCOMPARE(sim.dump().value("settings").left(32), kept); // registers 0..7 of its 0..9
    // A read takes the controller's back onto the pages.
    view.runCommand(Command::ReadSettings);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy odczytano"), 2, patience);
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    QCOMPARE(times->valueEdit(0)->text() + times->unitEdit(0)->text(), QString("15[s]"));
    // The backup taken before the write goes back, listed with the fields it would change.
    QList<RestoreDialog::Row> offered;
    frame.linkTools()->setBackupChooser([&offered](const QList<RestoreDialog::Row>& rows) {
        offered = rows;
        return 0;
    });
    view.runCommand(Command::RestoreBackup);
    QTRY_COMPARE_WITH_TIMEOUT(logged("Nastawy w Dorvik sprawdzone - zgodne z zapisanymi"), 1,
                              patience);
    QCOMPARE(offered.size(), 1);
    QVERIFY2(offered[0].differences.startsWith("tgSZR - czas graniczny dla SZR, trSZRA"),
             qPrintable(offered[0].differences));
    QCOMPARE(sim.dump().value("settings").left(32), held);
    // Two backups, newest first, neither over the other even within one second.
    const auto saved = SettingsBackup::list(m_dir.filePath("window/tst_endtoend/backups"), 4711);
    QCOMPARE(saved.size(), 2);
    QCOMPARE(readBytes(saved[0].path).first(16).toHex() +
                 readBytes(saved[1].path).first(16).toHex(),
             kept + held);

    // The report reads the register first and holds the controller's settings, not an
    // edit not yet written.
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("20000");
    const QDir reports(m_dir.filePath("window-report"));
    QVERIFY(reports.mkpath("."));
    frame.linkTools()->serviceReport()->setFolderChooser([&reports] { return reports.path(); });
    view.runCommand(Command::ServiceReport);
    const auto made = [&reports] { return reports.entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    QTRY_COMPARE_WITH_TIMEOUT(made().size(), 1, patience);
    QCOMPARE(readBytes(reports.filePath(made()[0] + "/nastawy.nst")).first(16).toHex(), held);
    QCOMPARE(readBytes(reports.filePath(made()[0] + "/zdarzenia.rzd")).first(3072).toHex(),
             sim.dump().value("register"));

    // One request at a time, whatever the window does meanwhile.
    int inFlight = 0, mostInFlight = 0, sent = 0;
    DeviceLink* engine = link->deviceLink();
    connect(engine, &DeviceLink::frameSent, this, [&] {
        ++sent;
        mostInFlight = std::max(mostInFlight, ++inFlight);
    });
    const auto settled = [&] { inFlight = std::max(0, inFlight - 1); };
    connect(engine, &DeviceLink::frameReceived, this, settled);
    connect(engine, &DeviceLink::replyTimedOut, this, settled);
    view.runCommand(Command::ReadEvents);
    QVERIFY(link->readingEvents());
    // While it is read, a bad number is typed on another page: bringing the events page up
    // prompts, and the link goes on polling while the prompt (a modal box) is open.
    QVERIFY(view.setActivePage(int(PageKind::Times)));
    times->valueEdit(0)->setText("abc");
    int prompts = 0, sentDuringPrompt = -1;
    setPromptHandler([&](QWidget*, const QString&) {
        ++prompts;
        const int before = sent;
        QTest::qWait(timings.tick * 8);
        sentDuringPrompt = sent - before;
    });
    QTRY_VERIFY_WITH_TIMEOUT(!link->readingEvents(), patience);
    QTRY_COMPARE_WITH_TIMEOUT(prompts, 1, patience);
    setPromptHandler({});
    QVERIFY2(sentDuringPrompt >= 3, qPrintable(QString::number(sentDuringPrompt)));
    QCOMPARE(mostInFlight, 1);
    QCOMPARE(sheet.activePage(), view.page(PageKind::Times));
    times->valueEdit(0)->setText("15");
    view.activateEventsPage();
    QCOMPARE(logged("Rejestr zdarzeń odczytany"), 2);
    QCOMPARE(sheet.activePage(), view.page(PageKind::Events));
    QCOMPARE(hexOf(image.entries), sim.dump().value("register"));
    QCOMPARE(int(image.registerFactoryNumber), 4711);

    view.runCommand(Command::Disconnect);
    QTRY_VERIFY_WITH_TIMEOUT(logged("Rozłączono"), patience);
    QVERIFY(!view.isConnected() && link->findChild<QPushButton*>("connect")->isEnabled());
}

void TestEndToEnd::cli_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text");
    std::map<QString, int> next;
    for (const char* row : cliCases) {
        const QStringList f = fields(row);
        QTest::newRow(qPrintable(f[1])) << f[0] << next[f[0]]++ << f[3].toInt() << f[4];
    }
}

void TestEndToEnd::cli()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    const Run run = cliRun(name, index);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(text), qPrintable(run.err));
    if (const QString last = m_runs.at(name).commands[index].last(); last.endsWith(".old"))
        QCOMPARE(readBytes(m_dir.filePath(last)), QByteArray("old"));
}

// What the runs printed and wrote, against the controllers' dumps.
void TestEndToEnd::cliDetails()
{
    // The fields on stdout.
    Run run = cliRun("status", 0);
    QCOMPARE(run.out, QString("Wersja\t3.1\nRbg\t2\nNr fabr.\t4711\nPlik nazw\tdomyślny\n"));

    // The file read holds the controller's settings, combination and factory number; the
    // changed time code was written; the field that differs is listed, and with --trace
    // every frame as the traffic window lists it.
    const QByteArray held = readBytes(m_dir.filePath("held.nst"));
    QCOMPARE(held.size(), 24);
    QCOMPARE(held.first(22).toHex(), QByteArray("1234000165bd333d1565952f0206562109000000d204"));
    QCOMPARE(m_runs.at("settings").sim.dump().value("settings").first(28),
             readBytes(m_dir.filePath("changed.nst")).first(14).toHex());
    run = cliRun("settings", 2);
    QCOMPARE(run.out, QString("tgSZR - czas graniczny dla SZR\t10000 [ms]\t5000 [ms]\n"));
    QVERIFY2(run.err.contains(QRegularExpression("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ->   ff 03 00 00 "
                                                 "00 0a d0 13  Odczyt nastaw\n.*<-   ff 03 14 ",
                                                 QRegularExpression::DotMatchesEverythingOption)),
             qPrintable(run.err));

    const auto dump = m_runs.at("events").sim.dump();
    const QByteArray events = readBytes(m_dir.filePath("read.rzd"));
    QCOMPARE(events.size(), 3084);
    QCOMPARE(events.first(3072).toHex(), dump.value("register"));

    // The report's folder: the controller's settings file and register, and every section
    // of the PDF in order.
    const QDir report(m_dir.filePath(cliRun("events", 1).out.trimmed()));
    QVERIFY2(report.dirName().startsWith("1234_20"), qPrintable(report.path()));
    QCOMPARE(readBytes(report.filePath("nastawy.nst")).toHex(),
             dump.value("settings").left(32) + "00000000d20416e9");
    QCOMPARE(readBytes(report.filePath("zdarzenia.rzd")).first(3072).toHex(),
             dump.value("register"));
    QVERIFY(
        readBytes(report.filePath("zdarzenia.csv")).startsWith("Lp,Czas,Rbs [s],Zdarzenia\r\n"));
    QVERIFY(readBytes(report.filePath("ruch.txt")).contains("Odczyt nastaw"));
    QProcess pdf;
    pdf.start("pdftotext", {report.filePath("raport.pdf"), "-"});
    QVERIFY(pdf.waitForFinished());
    const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
    qsizetype at = 0;
    for (const char* section :
         {"Raport serwisowy", "Stan sterownika", "Nastawy", "tgSZR", "Zdarzenia", "Lp",
          "Przebieg sygnałów", "Statystyka łącza", "Zmiany nastaw"}) {
        at = text.indexOf(QString::fromUtf8(section), at);
        QVERIFY2(at >= 0, section);
    }
    const auto service = m_runs.at("service").sim.dump();
    QCOMPARE(service.value("factory-number") + ' ' + service.value("resets"), QByteArray("777 1"));
    // Register 7: the reserved byte kept, 0x45 for address 5 at 9600 baud.
    QCOMPARE(m_runs.at("rs485").sim.dump().value("settings").sliced(28, 4), QByteArray("7745"));

    // The backup is what the controller held before the write; a byte it kept otherwise is
    // listed; the restore brings back what it held, byte for byte.
    const QByteArray before = readBytes(m_dir.filePath("before.nst"));
    QCOMPARE(readBytes(backups(m_runs.at("misstoring")).value(0)), before);
    QCOMPARE(cliRun("misstoring", 1).out,
             QString("tgSZRA - czas graniczny dla SZR na agregat\t60 [s]\t59 [s]\n"));
    QCOMPARE(readBytes(m_dir.filePath("after.nst")), before);
    // No backup, no write.
    QCOMPARE(m_runs.at("blocked backups").sim.dump().value("settings").left(32),
             QByteArray("0000000165bd333d1565952f02060021"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
