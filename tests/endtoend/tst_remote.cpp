// The tool through a real serial server: Debian's ser2net on 127.0.0.1, its RFC 2217
// accepter in front of dorvik-sim's pseudo-terminal. The simulator answers only at the
// rate its terminal is set to, so a link proves that the rate changes reach it.

#include "app/cmainframe.h"
#include "app/commands.h"
#include "app/ctavrelview.h"
#include "link/page/cinitpage.h"
#include "tests/support/simprocess.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// ser2net serving one device on 127.0.0.1:port, with a configuration of its own.
class Ser2net {
public:
    bool start(const QString& device, quint16 port)
    {
        QFile config(m_dir.filePath(QStringLiteral("ser2net.yaml")));
        if (!config.open(QIODevice::WriteOnly) ||
            config.write(QStringLiteral("connection: &dorvik\n"
                                        "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                        "  connector: serialdev,%2,19200n81,local\n"
                                        "  options:\n"
                                        "    kickolduser: true\n")
                             .arg(port)
                             .arg(device)
                             .toUtf8()) < 0)
            return false;
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("ser2net"), {"-n", "-c", config.fileName()});
        // Listening once a connection is taken.
        return m_process.waitForStarted() && QTest::qWaitFor(
                                                 [port] {
                                                     QTcpSocket socket;
                                                     socket.connectToHost("127.0.0.1", port);
                                                     return socket.waitForConnected(200);
                                                 },
                                                 10000);
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    ~Ser2net() { kill(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

struct Run {
    int exitCode = -1;
    QString err;
    qint64 ms = 0;
};

Run runCli(const QStringList& arguments, const QString& directory)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(TAVREL_CLI), arguments + QStringList{"--labels-dir", directory});
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()), clock.elapsed()};
}

// The frames of a --trace, without times; the status answers carry the running
// counter, so only their names are kept.
QStringList frames(const QString& err)
{
    QStringList list;
    for (const QString& line : err.split(u'\n'))
        if (line.mid(13, 2) == "->" || line.mid(13, 2) == "<-")
            list << (line.contains("Stan:") ? line.mid(13, 2) + line.section("  ", -1)
                                            : line.mid(13));
    return list;
}

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cli_data();
    void cli();
    void unreachable_data();
    void unreachable();
    void windowLosesServer();

private:
    QTemporaryDir m_dir;
};

void TestRemote::initTestCase()
{
    QLoggingCategory::setFilterRules("tavrel.*.debug=false\ntavrel.link.port.warning=false");
    QVERIFY(m_dir.isValid());
}

void TestRemote::cli_data()
{
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("commands"); // each run once through ser2net
    QTest::addColumn<QString>("text");         // on stderr of the last
    // 0xFF in the settings, so in the write request and in the replies; the last two
    // bytes (the RS-485 register) as a settings write leaves them.
    const QString held = "12ff000165bd333d1565952fff060021";
    QTest::newRow("19200") << QStringList{} << QStringList{"status"}
                           << "Nawiązano połączenie rfc2217://127.0.0.1:";
    QTest::newRow("4800, 0xff in replies")
        << QStringList{"--probe-baud", "4800", "--settings", held}
        << QStringList{"read-settings -o held.nst --trace"} << "Nastawy odczytano";
    QTest::newRow("write and compare, 0xff sent")
        << QStringList{} << QStringList{"write-settings held.nst", "compare held.nst"}
        << "Nastawy identyczne";
    QTest::newRow("register") << QStringList{"--events", "300"}
                              << QStringList{"read-events -o read.rzd"}
                              << "Rejestr zdarzeń odczytany";
}

// Each command as over the pseudo-terminal: what it read is the controller's, what it
// wrote reached it, and its trace is frame for frame the one of a run on the terminal.
void TestRemote::cli()
{
    QFETCH(QStringList, sim);
    QFETCH(QStringList, commands);
    QFETCH(QString, text);
    SimProcess controller;
    QVERIFY(controller.start(sim));
    Ser2net server;
    const quint16 port = freePort();
    QVERIFY(server.start(controller.linkPath(), port));
    const QStringList remote{"--port", QStringLiteral("rfc2217://127.0.0.1:%1").arg(port)};
    Run run;
    for (const QString& command : commands) {
        run = runCli(command.split(u' ') + remote, m_dir.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }
    QVERIFY2(run.err.contains(text), qPrintable(run.err));
    const auto dump = controller.dump();
    QFile file(m_dir.filePath(commands.last().section(u' ', 2, 2)));
    if (commands.last().startsWith("read-settings")) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(16).toHex(), dump.value("settings").left(32));
        const Run direct =
            runCli(commands.last().split(u' ') + QStringList{"--port", controller.linkPath()},
                   m_dir.path());
        QCOMPARE(frames(run.err), frames(direct.err));
        QVERIFY(frames(run.err).join('\n').contains("<-   ff 03 14 12 ff 00 01"));
    } else if (commands.last().startsWith("read-events")) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(3072).toHex(), dump.value("register"));
    } else if (commands.first().startsWith("write-settings")) {
        QCOMPARE(dump.value("settings").left(32), "12ff000165bd333d1565952fff060021");
    }
}

void TestRemote::unreachable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("refused") << "refused"
                             << "odmówił połączenia";
    QTest::newRow("no answer") << "silent"
                               << "nie odpowiada";
}

// Within the connect time-out, with a message that names the server.
void TestRemote::unreachable()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    // A server whose queue of connections is full (two, by its backlog of one): a
    // connect gets no answer at all, as from a host that is not there.
    QTcpServer silent;
    silent.setListenBacklogSize(1);
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    silent.pauseAccepting();
    QTcpSocket queued[3];
    for (QTcpSocket& socket : queued) {
        socket.connectToHost("127.0.0.1", silent.serverPort());
        socket.waitForConnected(100);
    }
    const quint16 port = kind == "silent" ? silent.serverPort() : freePort();
    const QString name = QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);
    const Run run = runCli({"status", "--port", name}, m_dir.path());
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(QStringLiteral("Serwer portu %1 %2").arg(name, text)),
             qPrintable(run.err));
    QVERIFY2(run.err.count("Serwer portu") == 1, qPrintable(run.err));
    QVERIFY2(run.ms < 4000, qPrintable(QString::number(run.ms)));
}

// The window's port box: a typed server, a register read that loses it, once, and a
// later connection through it again.
void TestRemote::windowLosesServer()
{
    SimProcess controller;
    // The controller takes the probes again three seconds after the link was cut.
    QVERIFY(controller.start({"--pace", "--link-idle", "3"}));
    Ser2net server;
    const quint16 port = freePort();
    QVERIFY(server.start(controller.linkPath(), port));
    const QString name = QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);

    CMainFrame frame(StartOptions{.port = {}, .labelsDir = m_dir.path()});
    frame.show();
    CTavrelView& view = *frame.view();
    auto* page = static_cast<CInitPage*>(view.page(PageKind::Communication));
    const auto logged = [page](const QString& text) {
        int count = 0;
        for (int row = 0; row < page->logLineCount(); ++row)
            count += page->logLineAt(row).endsWith("  " + text);
        return count;
    };
    QVERIFY(view.setActivePage(CInitPage::pageIndex));
    auto* box = page->findChild<QComboBox*>("ports");
    box->setEditText(name);
    view.runCommand(Command::Connect);
    const auto log = [page] {
        QStringList lines;
        for (int row = 0; row < page->logLineCount(); ++row)
            lines << page->logLineAt(row);
        return lines.join(u'\n');
    };
    QTRY_VERIFY2_WITH_TIMEOUT(view.isConnected(), qPrintable(log()), 15000);
    view.runCommand(Command::ReadEvents);
    QTRY_VERIFY_WITH_TIMEOUT(page->deviceLink()->registerProgress() >= 16, 15000);
    server.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!page->deviceLink()->isPortOpen(), 5000);
    QTest::qWait(300);
    QCOMPARE(logged("Utracono połączenie z portem " + name), 1);
    QVERIFY(!view.isConnected() && page->findChild<QPushButton*>("connect")->isEnabled());

    QVERIFY(server.start(controller.linkPath(), port));
    QVERIFY(box->findData(name) >= 0);
    QTest::qWait(3000);
    view.runCommand(Command::Connect);
    QTRY_VERIFY2_WITH_TIMEOUT(view.isConnected(), qPrintable(log()), 15000);
    QCOMPARE(logged("Nawiązano połączenie " + name), 2);
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
