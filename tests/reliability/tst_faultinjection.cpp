#include "../sim/simprocess.h"
#include "link/portenumeration.h"
#include "linksession.h"
#include "model/eventregister.h"
#include "model/strings.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <csignal>

namespace {

QString text(int id)
{
    return stringText(id);
}

QString portText(int id, const QString& port)
{
    return withPortName(stringText(id), port);
}

// A line of the link's log: one of the system's own texts, its number filled in.
bool isSystemText(const QString& line, const QString& port)
{
    static const QList<int> ids = {StringId::deviceNotConnected, StringId::readStarted,
                                   StringId::crcError,           StringId::frameTypeError,
                                   StringId::unknownError,       StringId::timeLimitPassed,
                                   StringId::settingsRead,       StringId::readingEventRegister,
                                   StringId::eventRegisterRead,  StringId::readIncomplete,
                                   StringId::badWrite,           StringId::deviceNotAnswering,
                                   StringId::disconnecting,      StringId::disconnected,
                                   StringId::alreadyDisconnected};
    for (int id : ids) {
        if (line == stringText(id))
            return true;
    }
    for (int id : {StringId::connectionAttempt, StringId::connectionEstablished,
                   StringId::portOpenProblem, StringId::portLost}) {
        if (line == portText(id, port))
            return true;
    }
    // The texts with a number: each part escaped, the number a run of digits.
    const auto numberedPattern = [](int id) {
        QStringList parts = stringText(id).split(QStringLiteral("%d"));
        for (QString& part : parts)
            part = QRegularExpression::escape(part);
        return parts.join(QStringLiteral("[0-9]+"));
    };
    static const QRegularExpression numbered(QStringLiteral("^(%1|%2)$")
                                                 .arg(numberedPattern(StringId::timeLimitCount),
                                                      numberedPattern(StringId::exceptionReply)));
    return numbered.match(line).hasMatch();
}

QByteArray settingsHex(const DeviceData& data)
{
    // The 20 data bytes of a settings answer as the simulator dumps them: the image, three
    // bytes the tool does not keep, the combination in the high nibble of the last.
    return QByteArray(reinterpret_cast<const char*>(data.image().settings.bytes), 16).toHex();
}

QByteArray registerHex(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().entries), 256 * 12).toHex();
}

} // namespace

// The link against a simulated controller whose line misbehaves. After each fault: no
// crash, no hang, the log tells what happened in the system's words, and where the fault
// can be recovered from, what was read is byte for byte what the controller holds.
class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void recoverableFaults_data();
    void recoverableFaults();
    void repliesSlowerThanTheTimeOut();
    void exceptions();
    void simulatorKilledDuringRegisterRead();
    void anotherControllerAfterReconnect();

private:
    // Reads the settings and the whole register, retrying a refused command as the user
    // would, and checks both against the simulator's dump.
    void readAllAndCompare(LinkSession& session, SimProcess& sim);
};

void TestFaultInjection::recoverableFaults_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected"); // one of these must be in the log

    const QStringList timeOut{text(StringId::timeLimitCount).replace("%d", "1")};
    const QStringList badFrame{text(StringId::crcError), text(StringId::frameTypeError)};
    QTest::newRow("every 5th reply dropped") << QStringList{"--drop-every", "5"} << timeOut;
    QTest::newRow("every 7th reply corrupted")
        << QStringList{"--corrupt-every", "7"} << QStringList{text(StringId::crcError)};
    QTest::newRow("garbage before every 3rd reply")
        << QStringList{"--garbage-every", "3", "--seed", "5"} << badFrame + timeOut;
    QTest::newRow("garbage after every 3rd reply")
        << QStringList{"--garbage-every", "3", "--garbage-after", "--seed", "6"}
        << badFrame + timeOut + QStringList{text(StringId::settingsRead)};
    QTest::newRow("all at once") << QStringList{"--drop-every",    "5", "--corrupt-every", "7",
                                                "--garbage-every", "4"}
                                 << badFrame;
}

void TestFaultInjection::recoverableFaults()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, expected);
    SimProcess sim;
    QVERIFY(sim.start(options + QStringList{"--combination", "5", "--seed", "3"}));
    LinkSession session(sim.linkPath());
    QVERIFY(session.connectOnline());

    readAllAndCompare(session, sim);

    session.link.disconnectDevice();
    QVERIFY(QTest::qWaitFor([&] { return !session.link.isPortOpen(); }, 3000));
    QCOMPARE(session.log.last(), text(StringId::disconnected));
    QVERIFY2(std::any_of(expected.begin(), expected.end(),
                         [&](const QString& line) { return session.log.contains(line); }),
             qPrintable(session.log.join('\n')));
    for (const QString& line : std::as_const(session.log))
        QVERIFY2(isSystemText(line, sim.linkPath()), qPrintable(line));
    QVERIFY(!session.log.contains(text(StringId::timeLimitPassed)));
    QCOMPARE(session.ended.size(), 1);
}

void TestFaultInjection::readAllAndCompare(LinkSession& session, SimProcess& sim)
{
    DeviceLink& link = session.link;
    for (int attempt = 0; attempt < 5 && session.settingsArrived.isEmpty(); ++attempt) {
        const qsizetype finished = session.operationFinished.size();
        link.readSettings();
        QVERIFY(QTest::qWaitFor(
            [&] { return session.operationFinished.size() > finished || !link.isPortOpen(); },
            8000));
        QVERIFY(link.IsConnected());
    }
    QCOMPARE(session.settingsArrived.size(), 1);

    for (int attempt = 0; attempt < 5 && session.registerCompleted.isEmpty(); ++attempt) {
        link.readEventRegister();
        QVERIFY(QTest::qWaitFor([&] { return !link.readingEvents(); }, 30000));
        QVERIFY(link.IsConnected());
    }
    QCOMPARE(session.registerCompleted.size(), 1);

    const auto dump = sim.dump();
    QCOMPARE(settingsHex(session.data), dump.value("settings").left(32));
    const auto lastByte = std::uint8_t(QByteArray::fromHex(dump.value("settings")).at(19));
    QCOMPARE(session.data.image().combinationIndex, std::uint32_t(lastByte >> 4));
    QCOMPARE(registerHex(session.data), dump.value("register"));
    QCOMPARE(int(session.data.image().registerFactoryNumber), dump.value("factory-number").toInt());
}

void TestFaultInjection::repliesSlowerThanTheTimeOut()
{
    // Every reply of the open link comes 3 s late, long after the fourth time-out.
    SimProcess sim;
    QVERIFY(sim.start({"--delay", "3000"}));
    LinkSession session(sim.linkPath());
    QSignalSpy established(&session.link, &DeviceLink::linkEstablished);
    session.link.connectDevice();
    QVERIFY(QTest::qWaitFor([&] { return !established.isEmpty(); }, 5000));

    // Four time-outs of 300 ms with the ticks between them: the link ends long before the
    // first late reply.
    QVERIFY(QTest::qWaitFor([&] { return !session.ended.isEmpty(); }, 2900));
    QVERIFY(!session.link.isPortOpen());
    QVERIFY(!session.link.IsConnected());
    const QString limit = text(StringId::timeLimitCount);
    QCOMPARE(session.log.mid(session.log.size() - 5),
             (QStringList{QString(limit).replace("%d", "1"), QString(limit).replace("%d", "2"),
                          QString(limit).replace("%d", "3"), text(StringId::disconnecting),
                          text(StringId::disconnecting)}));

    // The late replies find the port closed; the next connection starts clean.
    QTest::qWait(500);
    QCOMPARE(session.ended.size(), 1);
    QCOMPARE(session.link.connectStage(), int(DeviceLink::STAGE_IDLE));
    QCOMPARE(session.link.factoryNumberField(), 0u);
}

void TestFaultInjection::exceptions()
{
    // Every 2nd reply of the open link is an exception with code 4 (device failure).
    SimProcess sim;
    QVERIFY(sim.start({"--exception-every", "2", "--exception-code", "4"}));
    LinkSession session(sim.linkPath());
    QVERIFY(session.connectOnline());
    const QString refused = text(StringId::exceptionReply).replace("%d", "4");

    // A refused read is reported and not sent again on its own; asked again, it succeeds.
    for (int attempt = 0; attempt < 5 && session.settingsArrived.isEmpty(); ++attempt) {
        const qsizetype finished = session.operationFinished.size();
        session.link.readSettings();
        QVERIFY(QTest::qWaitFor([&] { return session.operationFinished.size() > finished; }, 5000));
        QCOMPARE(session.link.pendingOperation() > 0, false);
    }
    QCOMPARE(session.settingsArrived.size(), 1);
    const auto dump = sim.dump();
    QCOMPARE(settingsHex(session.data), dump.value("settings").left(32));

    // A register read cannot pass 16 blocks without a refusal: it is given up, and the
    // link goes on.
    session.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return !session.link.readingEvents(); }, 10000));
    QCOMPARE(session.registerCompleted.size(), 0);
    QCOMPARE(session.data.image().readIndex, EventRegister::notRead);
    QTest::qWait(400);
    QVERIFY(session.link.IsConnected());
    QVERIFY(session.ended.isEmpty());
    QVERIFY(session.log.contains(refused));
    for (const QString& line : std::as_const(session.log))
        QVERIFY2(isSystemText(line, sim.linkPath()), qPrintable(line));
}

void TestFaultInjection::simulatorKilledDuringRegisterRead()
{
    SimProcess sim;
    QVERIFY(sim.start({"--pace"})); // at line speed a block takes 0.8 s: time to kill it
    LinkSession session(sim.linkPath(), [] {
        LinkTimings t = shortTimings();
        t.eventReplyTimeout = 1500;
        return t;
    }());
    QVERIFY(session.connectOnline());
    QSignalSpy progress(&session.link, &DeviceLink::progressChanged);
    session.link.readEventRegister();
    QVERIFY(QTest::qWaitFor([&] { return session.link.registerProgress() >= 16; }, 10000));

    ::kill(pid_t(sim.process().processId()), SIGKILL);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(QTest::qWaitFor([&] { return !session.ended.isEmpty(); }, 3000));
    // Within the time-outs: the lost line is noticed at once, or four time-outs at most.
    QVERIFY2(clock.elapsed() < 4 * 1500 + 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!session.link.isPortOpen());
    QVERIFY(!session.link.readingEvents());
    QCOMPARE(session.link.registerProgress(), 0);
    QCOMPARE(session.data.image().readIndex, EventRegister::notRead);
    const QString lost = portText(StringId::portLost, sim.linkPath());
    QVERIFY2(session.log.contains(lost) || session.log.contains(text(StringId::disconnecting)),
             qPrintable(session.log.join('\n')));
    QCOMPARE(session.log.count(lost), session.log.contains(lost) ? 1 : 0);
    QTest::qWait(300); // a lost line is reported once, not once per error signal
    QCOMPARE(session.ended.size(), 1);

    // Another controller: the link starts again from the beginning.
    SimProcess next;
    QVERIFY(next.start());
    session.link.setSelectedPort(next.linkPath());
    QVERIFY(session.connectOnline());
    readAllAndCompare(session, next);
}

void TestFaultInjection::anotherControllerAfterReconnect()
{
    SimProcess first;
    QVERIFY(first.start({"--factory-number", "1111", "--seed", "1", "--combination", "2"}));
    LinkSession session(first.linkPath());
    QVERIFY(session.connectOnline());
    QCOMPARE(session.link.factoryNumberField(), 1111u);
    readAllAndCompare(session, first);
    session.link.disconnectDevice();
    QVERIFY(QTest::qWaitFor([&] { return !session.link.isPortOpen(); }, 3000));
    first.stop();

    SimProcess second;
    QVERIFY(second.start({"--factory-number", "2222", "--seed", "2", "--combination", "9"}));
    session.link.setSelectedPort(second.linkPath());
    QVERIFY(session.connectOnline());
    // The new controller's number, not the one of the controller before.
    QCOMPARE(session.link.factoryNumberField(), 2222u);
    QCOMPARE(int(session.data.image().factoryNumber), 2222);
    // The register held is still the first controller's, and says so.
    QCOMPARE(int(session.data.image().registerFactoryNumber), 1111);

    session.settingsArrived.clear();
    session.registerCompleted.clear();
    readAllAndCompare(session, second);
    QCOMPARE(int(session.data.image().registerFactoryNumber), 2222);
    QCOMPARE(session.data.image().combinationIndex, 9u);
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
