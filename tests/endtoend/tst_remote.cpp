// The tool through a real serial server: Debian's ser2net on 127.0.0.1, its RFC 2217
// accepter in front of dorvik-sim's pseudo-terminal. The simulator answers only at the
// rate its terminal is set to, so a link proves that the rate changes reach it.

#include "app/cmainframe.h"
#include "app/ctavrelview.h"
#include "link/page/cinitpage.h"
#include "tests/support/pagefixture.h"
#include "tests/support/ser2net.h"
#include "tests/support/simprocess.h"

#include <QComboBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// The frames of a --trace without their times; of the status answers, which carry the
// running counter, only the name.
QStringList frames(const QString& err)
{
    QStringList list;
    for (const QString& line : err.split(u'\n'))
        if (line.mid(13, 2) == "->" || line.mid(13, 2) == "<-")
            list << (line.contains("Stan:") ? line.section("  ", -1) : line.mid(13));
    return list;
}

// "name | simulator, or no server: refused, silent | commands in turn | exit code of the
// last | on its stderr | a file it wrote, the dump's field and the bytes they share".
// 0xFF is in the settings, so in the write request and in replies.
const char* const cases[] = {
    "19200 | --probe-baud 19200 | status | 0 | Nawiązano połączenie rfc2217://127.0.0.1:",
    "4800, 0xff in replies | --probe-baud 4800 --settings 12ff000165bd333d1565952fff060021 | "
    "read-settings -o held.nst --trace | 0 | Nastawy odczytano | held.nst settings 16",
    "write and compare, 0xff sent | --combination 0 | write-settings held.nst;compare held.nst "
    "| 0 | Nastawy identyczne | held.nst settings 16",
    "register | --events 300 | read-events -o read.rzd | 0 | Rejestr zdarzeń odczytany | "
    "read.rzd register 3072",
    "refused | refused | status | 3 | odmówił połączenia",
    "not answering | silent | status | 3 | nie odpowiada",
};

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

private slots:
    void cli_data();
    void cli();
    void windowLosesServer();

private:
    QTemporaryDir m_dir;
};

void TestRemote::cli_data()
{
    QTest::addColumn<QStringList>("row");
    for (const char* row : cases)
        QTest::newRow(qPrintable(QString(row).section(" | ", 0, 0))) << QString(row).split(" | ");
}

// As over the terminal: what was read is the controller's, what was written reached it,
// the trace is frame for frame the terminal's; an unreachable server is named, once,
// within the connect time-out.
void TestRemote::cli()
{
    QFETCH(QStringList, row);
    SimProcess sim;
    Ser2net server;
    // A server whose queue of connections is full (two, by its backlog of one) answers a
    // connect not at all, as a host that is not there.
    QTcpServer silent;
    silent.setListenBacklogSize(1);
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    silent.pauseAccepting();
    QTcpSocket queued[3];
    for (QTcpSocket& socket : queued) {
        socket.connectToHost("127.0.0.1", silent.serverPort());
        socket.waitForConnected(100);
    }
    if (row[1] == "silent")
        server.port = silent.serverPort(); // "refused": nothing listens on server.port
    else if (row[1] != "refused")
        QVERIFY(sim.start(row[1].split(u' ', Qt::SkipEmptyParts)) && server.start(sim.linkPath()));
    const auto run = [this](const QString& command, const QString& port) {
        QProcess cli;
        cli.setWorkingDirectory(m_dir.path());
        cli.start(TAVREL_CLI, command.split(u' ') << "--port" << port << "--labels-dir"
                                                  << ".");
        cli.waitForFinished(60000);
        return std::pair(cli.exitCode(), QString::fromUtf8(cli.readAllStandardError()));
    };
    QElapsedTimer clock;
    std::pair<int, QString> result;
    for (const QString& command : row[2].split(u';')) {
        clock.start();
        result = run(command, server.name());
    }
    QCOMPARE(result.first, row[3].toInt());
    QVERIFY2(result.second.contains(row[4]) && result.second.count("Serwer portu") <= 1 &&
                 (result.first == 0 || clock.elapsed() < 4000),
             qPrintable(result.second));
    if (row[2].contains("--trace"))
        QCOMPARE(frames(result.second), frames(run(row[2], sim.linkPath()).second));
    if (const QStringList check = row.value(5).split(u' '); check.size() == 3) {
        QCOMPARE(readBytes(m_dir.filePath(check[0])).left(check[2].toInt()).toHex(),
                 sim.dump().value(check[1].toUtf8()).left(check[2].toInt() * 2));
    }
}

// The window's port box: a typed server, a register read that loses it, once, and a
// later connection through it again.
void TestRemote::windowLosesServer()
{
    SimProcess sim;
    // The controller takes the probes again three seconds after the link was cut.
    QVERIFY(sim.start({"--pace", "--link-idle", "3"}));
    Ser2net server;
    QVERIFY(server.start(sim.linkPath()));
    const QString name = server.name();

    CMainFrame frame(StartOptions{.port = {}, .labelsDir = m_dir.path()});
    frame.show();
    CTavrelView& view = *frame.view();
    auto* page = static_cast<CInitPage*>(view.page(PageKind::Communication));
    const auto logged = [page](const QString& text) { return loggedCount(*page, text); };
    QVERIFY(view.setActivePage(CInitPage::pageIndex));
    auto* box = page->findChild<QComboBox*>("ports");
    box->setEditText(name);
    view.runCommand(Command::Connect);
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), 15000);
    view.runCommand(Command::ReadEvents);
    QTRY_VERIFY_WITH_TIMEOUT(page->deviceLink()->registerProgress() >= 16, 15000);
    server.process.kill();
    server.process.waitForFinished();
    QTRY_VERIFY_WITH_TIMEOUT(!page->deviceLink()->isPortOpen(), 5000);
    QTest::qWait(300);
    QCOMPARE(logged("Utracono połączenie z portem " + name), 1);
    QVERIFY(!view.isConnected() && page->findChild<QPushButton*>("connect")->isEnabled());

    QVERIFY(server.start(sim.linkPath()));
    QVERIFY(box->findData(name) >= 0);
    QTest::qWait(3000);
    view.runCommand(Command::Connect);
    QTRY_VERIFY_WITH_TIMEOUT(view.isConnected(), 15000);
    QCOMPARE(logged("Nawiązano połączenie " + name), 2);
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
