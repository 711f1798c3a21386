// A controller slower than the reply time-out answers every try, late. Replies do not
// say which request they answer, so a late answer must never be taken for the answer to
// the request after it: the engine drives the in-memory line step by step.
#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/linktesthelpers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Fake;

namespace {

// The entries gathered so far by the read under way.
QByteArray entryBytes(const DeviceLink& link, int first, int count)
{
    return QByteArray(reinterpret_cast<const char*>(link.registerRead().entries[first].bytes),
                      count * int(sizeof(EventEntry)));
}

} // namespace

class TestLateReplies : public QObject {
    Q_OBJECT

private slots:
    void lateBlockIsNotTakenForTheNext_data();
    void lateBlockIsNotTakenForTheNext();
    void drainLastsForEveryUnansweredTry();
};

void TestLateReplies::lateBlockIsNotTakenForTheNext_data()
{
    QTest::addColumn<int>("timeOuts"); // tries of block 0 that timed out before an answer
    QTest::newRow("one") << 1;
    QTest::newRow("three") << 3;
}

void TestLateReplies::lateBlockIsNotTakenForTheNext()
{
    QFETCH(int, timeOuts);
    QTemporaryDir dir;
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    MemoryLine line;
    QStringList log;
    DeviceLink link(data, labels, line, [&log](const QString& text) { log << text; });
    link.setSelectedPort(QStringLiteral("COM4"));
    link.connectDevice();
    line.deliver(probeAnswer());
    link.onConnectTick();
    line.deliver(writeAnswer(0, 1));
    link.onConnectTick();
    link.onLinkTick();
    line.deliver(statusAnswer());
    QVERIFY(link.IsConnected());
    link.readEventRegister();
    link.onLinkTick();
    line.deliver(statusAnswer()); // the register read starts at the next tick

    // Block 0 is asked for, times out, is asked for again; then the first try's answer
    // comes, then the later tries' ones, late.
    for (int i = 0; i < timeOuts; ++i) {
        link.onLinkTick();
        QCOMPARE(line.written.last(), Requests::eventBlockRead(0));
        link.onReplyTimeout();
    }
    link.onLinkTick();
    QCOMPARE(line.written.last(), Requests::eventBlockRead(0));
    line.deliver(eventBlock(0));
    QCOMPARE(link.registerProgress(), 16);
    for (int late = 0; late < timeOuts; ++late) {
        link.onLinkTick();
        line.deliver(eventBlock(0));
    }
    QCOMPARE(link.registerProgress(), 16);
    link.onErrorPauseElapsed();
    QCOMPARE(line.written.last(), Requests::eventBlockRead(16));
    line.deliver(eventBlock(16));

    QCOMPARE(link.registerProgress(), 32);
    QCOMPARE(entryBytes(link, 0, 16), eventBlock(0).mid(3, 192));
    QCOMPARE(entryBytes(link, 16, 16), eventBlock(16).mid(3, 192));
    QCOMPARE(link.retryCount(), 0u);
    QVERIFY(link.IsConnected());
}

void TestLateReplies::drainLastsForEveryUnansweredTry()
{
    // Two tries of the status poll went unanswered: their answers may come up to two
    // reply time-outs and ticks later, with the error pause to spare.
    QTemporaryDir dir;
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), {});
    MemoryLine line;
    DeviceLink link(data, labels, line, {});
    link.setSelectedPort(QStringLiteral("COM4"));
    link.connectDevice();
    line.deliver(probeAnswer());
    link.onConnectTick();
    line.deliver(writeAnswer(0, 1));
    link.onConnectTick();
    for (int i = 0; i < 2; ++i) {
        link.onLinkTick();
        link.onReplyTimeout();
    }
    link.onLinkTick();
    QVERIFY(!link.isPausing());
    line.deliver(statusAnswer());
    QVERIFY(link.IsConnected());
    QVERIFY(link.isPausing());
    const LinkTimings t;
    QCOMPARE(link.pauseInterval(), 2 * (t.replyTimeout + t.tick) + t.errorPause);

    // A good answer with no time-out before it drains nothing.
    link.onErrorPauseElapsed();
    link.onLinkTick();
    line.deliver(statusAnswer());
    QVERIFY(!link.isPausing());
}

QTEST_GUILESS_MAIN(TestLateReplies)
#include "tst_latereplies.moc"
