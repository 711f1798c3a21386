#include "sim/faultplan.h"

#include <QTest>

namespace {

const QByteArray status = QByteArray::fromHex("ff030c100e0000000000160524d2044c40");

// What happens to replies 1..count on the open link: 'o' sent as is, '-' nothing sent,
// 'c' CRC spoiled, 'e' exception, 'g' garbage added.
QByteArray outcomes(const FaultConfig& config, int count)
{
    FaultPlan plan(config, 7);
    QByteArray seen;
    for (int i = 0; i < count; ++i) {
        const ReplyPlan reply = plan.apply(status, true);
        if (reply.bytes.isEmpty())
            seen += '-';
        else if (reply.bytes == status)
            seen += 'o';
        else if (reply.bytes == QByteArray::fromHex("ff8306a0c2"))
            seen += 'e';
        else if (reply.bytes.size() == status.size() && reply.bytes.left(16) == status.left(16))
            seen += 'c';
        else if (reply.bytes.size() > status.size() && reply.bytes.contains(status))
            seen += 'g';
        else
            seen += '?';
    }
    return seen;
}

} // namespace

class TestFaultPlan : public QObject {
    Q_OBJECT

private slots:
    void everyNth_data();
    void everyNth();
    void connectionIsSparedUnlessAsked();
    void garbagePlacement();
};

void TestFaultPlan::everyNth_data()
{
    QTest::addColumn<FaultConfig>("config");
    QTest::addColumn<QByteArray>("expected");

    FaultConfig drop;
    drop.dropEvery = 5;
    QTest::newRow("drop every 5th") << drop << QByteArray("oooo-oooo-");
    FaultConfig corrupt;
    corrupt.corruptEvery = 3;
    QTest::newRow("corrupt every 3rd") << corrupt
                                       << QByteArray("ooco"
                                                     "ocooco");
    FaultConfig exception;
    exception.exceptionEvery = 4;
    exception.exceptionCode = 6;
    QTest::newRow("exception every 4th") << exception << QByteArray("oooeoooeoo");
    FaultConfig stop;
    stop.stopAfter = 6;
    QTest::newRow("silent after 6") << stop << QByteArray("oooooo----");
    FaultConfig garbage;
    garbage.garbageEvery = 2;
    QTest::newRow("garbage every 2nd") << garbage << QByteArray("ogogogogog");
    FaultConfig none;
    QTest::newRow("no faults") << none << QByteArray("oooooooooo");
}

void TestFaultPlan::everyNth()
{
    QFETCH(FaultConfig, config);
    QFETCH(QByteArray, expected);
    QCOMPARE(outcomes(config, 10), expected);
}

void TestFaultPlan::connectionIsSparedUnlessAsked()
{
    FaultConfig config;
    config.dropEvery = 1;
    config.delayMs = 2000;
    FaultPlan plan(config);
    const ReplyPlan connecting = plan.apply(status, false);
    QCOMPARE(connecting.bytes, status);
    QCOMPARE(connecting.delayMs, 0);
    QCOMPARE(plan.counted(), 0);
    QVERIFY(plan.apply(status, true).bytes.isEmpty());

    config.duringConnect = true;
    FaultPlan always(config);
    QVERIFY(always.apply(status, false).bytes.isEmpty());
}

void TestFaultPlan::garbagePlacement()
{
    FaultConfig config;
    config.garbageEvery = 1;
    FaultPlan before(config, 3);
    const QByteArray b = before.apply(status, true).bytes;
    QVERIFY(b.size() > status.size() && b.size() <= status.size() + 8);
    QVERIFY(b.endsWith(status));

    config.garbageAfter = true;
    config.delayMs = 1600;
    FaultPlan after(config, 3);
    const ReplyPlan a = after.apply(status, true);
    QVERIFY(a.bytes.startsWith(status) && a.bytes.size() > status.size());
    QCOMPARE(a.delayMs, 1600);
}

QTEST_GUILESS_MAIN(TestFaultPlan)
#include "tst_faultplan.moc"
