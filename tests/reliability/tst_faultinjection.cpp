// Faults beyond those of the simulator's own end-to-end tests (tests/sim/tst_simlink,
// tests/link/tst_linksim): all the line faults at once with every log line checked
// against the system's texts, exceptions dense enough that a register read cannot
// finish, the line lost in the middle of a reply's bytes, replies later than the
// time-out, and another controller (another factory number) after a reconnect.
#include "link/portenumeration.h"
#include "model/eventregister.h"
#include "model/strings.h"
#include "tests/support/linkfixture.h"
#include "tests/support/simprocess.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <csignal>

namespace {

QString text(int id)
{
    return stringText(id);
}

// A line of the link's log: one of the system's own texts, its number or port filled in.
bool isSystemText(const QString& line, const QString& port)
{
    static const QList<int> plain = {StringId::readStarted,       StringId::crcError,
                                     StringId::frameTypeError,    StringId::timeLimitPassed,
                                     StringId::settingsRead,      StringId::readingEventRegister,
                                     StringId::eventRegisterRead, StringId::disconnecting,
                                     StringId::disconnected,      StringId::registerReadAbandoned};
    for (int id : plain) {
        if (line == stringText(id))
            return true;
    }
    for (int id :
         {StringId::connectionAttempt, StringId::connectionEstablished, StringId::portLost}) {
        if (line == withPortName(stringText(id), port))
            return true;
    }
    const auto numbered = [](int id) {
        QStringList parts = stringText(id).split(QStringLiteral("%d"));
        for (QString& part : parts)
            part = QRegularExpression::escape(part);
        return parts.join(QStringLiteral("[0-9]+"));
    };
    static const QRegularExpression withNumber(
        QStringLiteral("^(%1|%2)$")
            .arg(numbered(StringId::timeLimitCount), numbered(StringId::exceptionReply)));
    return withNumber.match(line).hasMatch();
}

void checkLogWords(const LinkFixture& tool, const QString& port)
{
    for (const QString& line : tool.log)
        QVERIFY2(isSystemText(line, port), qPrintable(line));
}

} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void everyFaultAtOnce();
    void exceptionsGiveUpTheRegisterRead();
    void lineLostInTheMiddleOfAReply();
    void repliesLaterThanTheTimeOut();
    void anotherControllerAfterReconnect();
};

void TestFaultInjection::everyFaultAtOnce()
{
    SimProcess sim;
    QVERIFY(sim.start({"--drop-every", "5", "--corrupt-every", "7", "--garbage-every", "4",
                       "--seed", "3", "--combination", "5"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));

    // No fault repeats four times in a row, so every request gets through in the end.
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY2(arrived.wait(8000), tool.logText().constData());
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY2(completed.wait(30000), tool.logText().constData());

    const auto dump = sim.dump();
    QCOMPARE(settingsOf(tool.data.image()), dump.value("settings").left(32));
    QCOMPARE(tool.data.image().combinationIndex, 5u);
    QCOMPARE(entriesOf(tool.data.image()), dump.value("register"));
    for (int id : {StringId::crcError, StringId::settingsRead, StringId::eventRegisterRead})
        QVERIFY2(tool.logged(text(id)), tool.logText().constData());
    QVERIFY(tool.logged(text(StringId::timeLimitCount).replace("%d", "1")));
    QVERIFY(!tool.logged(text(StringId::timeLimitPassed)));
    checkLogWords(tool, sim.linkPath());
}

void TestFaultInjection::exceptionsGiveUpTheRegisterRead()
{
    // Every 2nd reply of the open link is an exception with code 4 (device failure).
    SimProcess sim;
    QVERIFY(sim.start({"--exception-every", "2", "--exception-code", "4"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(sim.linkPath()));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);

    // A refused read is reported and not repeated on its own; asked again, it succeeds.
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    QSignalSpy finished(&tool.link, &DeviceLink::operationFinished);
    for (int attempt = 0; attempt < 5 && arrived.isEmpty(); ++attempt) {
        const qsizetype before = finished.size();
        tool.link.readSettings();
        QVERIFY(QTest::qWaitFor([&] { return finished.size() > before; }, 5000));
        QVERIFY(tool.link.pendingOperation() <= DeviceLink::OP_NONE);
    }
    QCOMPARE(arrived.size(), 1);
    QCOMPARE(settingsOf(tool.data.image()), sim.dump().value("settings").left(32));

    // Sixteen blocks in a row are never answered: the read is given up, the link goes on.
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return !tool.link.readingEvents(); }, 10000));
    QCOMPARE(completed.size(), 0);
    QCOMPARE(tool.data.image().readIndex, EventRegister::notRead);
    QCOMPARE(tool.link.registerProgress(), 0);
    QTest::qWait(300);
    QVERIFY(tool.link.IsConnected());
    QVERIFY(ended.isEmpty());
    QVERIFY(tool.logged(text(StringId::exceptionReply).replace("%d", "4")));
    checkLogWords(tool, sim.linkPath());
}

void TestFaultInjection::lineLostInTheMiddleOfAReply()
{
    // At line speed a block takes 0.8 s: the simulator dies with part of one on the line.
    SimProcess sim;
    QVERIFY(sim.start({"--pace"}));
    LinkTimings timings = fastTimings();
    timings.eventReplyTimeout = 1500;
    LinkFixture tool(timings);
    QVERIFY(tool.connectTo(sim.linkPath()));
    QSignalSpy ended(&tool.link, &DeviceLink::linkEnded);
    tool.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return tool.link.registerProgress() >= 16; }, 10000));
    // Part of the next block has arrived.
    QVERIFY(QTest::qWaitFor([&] { return tool.port.receivePosition() > 0; }, 3000));

    ::kill(pid_t(sim.process().processId()), SIGKILL);
    QVERIFY(ended.wait(3000));
    QTest::qWait(200);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!tool.link.isPortOpen());
    QVERIFY(!tool.link.readingEvents());
    QCOMPARE(tool.data.image().readIndex, EventRegister::notRead);
    QCOMPARE(tool.log.count(withPortName(text(StringId::portLost), sim.linkPath())), 1);
    checkLogWords(tool, sim.linkPath());
}

void TestFaultInjection::repliesLaterThanTheTimeOut()
{
    // Every reply of the open link comes 60 ms after its time-out: each request times out
    // once and is answered twice, the second answer while the next request is out. The
    // register must still be the controller's, block for block.
    SimProcess sim;
    QVERIFY(sim.start({"--delay", "260", "--seed", "4"}));
    LinkTimings timings = fastTimings();
    timings.replyTimeout = 200;
    timings.eventReplyTimeout = 200;
    timings.tick = 30;
    timings.eventTick = 30;
    timings.errorPause = 150;
    LinkFixture tool(timings);
    QVERIFY(tool.connectTo(sim.linkPath(), 10000));
    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY2(arrived.wait(10000), tool.logText().constData());
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY2(completed.wait(60000), tool.logText().constData());

    const auto dump = sim.dump();
    QCOMPARE(settingsOf(tool.data.image()), dump.value("settings").left(32));
    QCOMPARE(entriesOf(tool.data.image()), dump.value("register"));
    QVERIFY(tool.logged(text(StringId::timeLimitCount).replace("%d", "1")));
    QVERIFY(tool.link.IsConnected());
    checkLogWords(tool, sim.linkPath());
}

void TestFaultInjection::anotherControllerAfterReconnect()
{
    SimProcess first;
    QVERIFY(first.start({"--factory-number", "1111", "--seed", "1", "--combination", "2"}));
    LinkFixture tool;
    QVERIFY(tool.connectTo(first.linkPath()));
    QCOMPARE(tool.link.factoryNumberField(), 1111u);
    QSignalSpy completed(&tool.link, &DeviceLink::registerCompleted);
    tool.link.readEventRegister();
    QVERIFY(completed.wait(20000));
    QCOMPARE(int(tool.data.image().registerFactoryNumber), 1111);
    tool.link.disconnectDevice();
    QVERIFY(QTest::qWaitFor([&] { return !tool.link.isPortOpen(); }, 3000));
    first.stop();

    // Another controller on the same line answers with its own number.
    SimProcess second;
    second.setLinkPath(first.linkPath());
    QVERIFY(second.start({"--factory-number", "2222", "--seed", "2", "--combination", "9"}));
    QVERIFY(tool.connectTo(second.linkPath()));
    QCOMPARE(tool.link.factoryNumberField(), 2222u);
    QCOMPARE(int(tool.data.image().factoryNumber), 2222);
    // The register held is still the first controller's, and says so until read again.
    QCOMPARE(int(tool.data.image().registerFactoryNumber), 1111);

    QSignalSpy arrived(&tool.link, &DeviceLink::settingsArrived);
    tool.link.readSettings();
    QVERIFY(arrived.wait(8000));
    tool.link.readEventRegister();
    QVERIFY(completed.wait(20000));
    const auto dump = second.dump();
    QCOMPARE(settingsOf(tool.data.image()), dump.value("settings").left(32));
    QCOMPARE(tool.data.image().combinationIndex, 9u);
    QCOMPARE(entriesOf(tool.data.image()), dump.value("register"));
    QCOMPARE(int(tool.data.image().registerFactoryNumber), 2222);
    checkLogWords(tool, second.linkPath());
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
