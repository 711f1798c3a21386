#include "link/requests.h"
#include "link/trafficmonitor.h"
#include "model/settingsrecord.h"
#include "tests/support/linktesthelpers.h"

#include <QSignalSpy>
#include <QTest>

using namespace Fake;

// The traffic monitor: what each frame is, the bound of its list, the statistics.
class TestTrafficMonitor : public QObject {
    Q_OBJECT
private slots:
    void describes_data();
    void describes();
    void replyTimesAndOneEntryPerBadReply();
    void keepsTheLast5000();
};

void TestTrafficMonitor::describes_data()
{
    // A request (no reply), or a reply with the request it answers.
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("what");
    const QByteArray none;
    QTest::newRow("probe") << hex("ff0300090001 41d6") << none << "Sprawdzenie łącza";
    QTest::newRow("status") << hex("ff03000c0006 1015") << none << "Odczyt stanu";
    QTest::newRow("settings") << hex("ff030000000a d013") << none << "Odczyt nastaw";
    QTest::newRow("block 1") << hex("ff0304000060 510c") << none << "Odczyt zdarzeń, blok 1 z 16";
    QTest::newRow("link open") << hex("ff1000000001 02ffaa 2fbb") << none << "Otwarcie łącza";
    QTest::newRow("link close") << hex("ff1000000001 02aa55 50ab") << none << "Zamknięcie łącza";
    QTest::newRow("reset") << hex("ff1000000001 02aa21 508c") << none << "Rozkaz Reset";
    QTest::newRow("factory number")
        << Requests::factoryNumber(4711) << none << "Zapis numeru fabrycznego 4711";
    QTest::newRow("settings write")
        << Requests::settingsWrite(SettingsRecord::defaultImage) << none << "Zapis nastaw";
    QTest::newRow("rs485") << Requests::rs485Write(SettingsRecord::defaultImage) << none
                           << "Zapis konfiguracji RS485";
    QTest::newRow("other read") << buildReadRequest(0xFF, 1030, 96) << none
                                << "Odczyt 96 rejestrów od 1030";
    QTest::newRow("probe answer") << Requests::linkProbe() << probeAnswer(0xD0)
                                  << "Sprawdzenie łącza: kombinacja 5";
    QTest::newRow("status answer")
        << Requests::statusPoll() << statusAnswer() << "Stan: wersja 2.2, nr fabr. 4321";
    QTest::newRow("settings answer")
        << Requests::settingsRead() << settingsAnswer(SettingsRecord::defaultImage, 12)
        << "Nastawy: kombinacja 12";
    QTest::newRow("block 16 answer")
        << Requests::eventBlockRead(240) << eventBlock(240) << "Zdarzenia, blok 16 z 16";
    QTest::newRow("write answer") << Requests::linkOpen() << writeAnswer(0, 1)
                                  << "Potwierdzenie: Otwarcie łącza";
    QTest::newRow("exception") << Requests::settingsRead() << exceptionAnswer(0x03, 2)
                               << "Wyjątek 2: Odczyt nastaw";
    QTest::newRow("count beyond the frame")
        << Requests::statusPoll() << hex("ff0314 0102 0304") << "Ramka nieznanego rodzaju";
}

void TestTrafficMonitor::describes()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, what);
    QCOMPARE(reply.isEmpty() ? TrafficDecoding::describeRequest(request)
                             : TrafficDecoding::describeReply(reply, request),
             what);
}

void TestTrafficMonitor::replyTimesAndOneEntryPerBadReply()
{
    TrafficMonitor monitor;
    qint64 now = 0;
    monitor.setClock([&now] { return TrafficMonitor::Now{QTime(9, 5, 3, 7), now}; });
    QSignalSpy lines(&monitor, &TrafficMonitor::lineAdded);
    monitor.onFrameSent(Requests::statusPoll(), true);
    now = 120;
    monitor.onFrameReceived(statusAnswer(), FrameStatus::FRAME_OK);
    now = 1500;
    monitor.onFrameSent(Requests::statusPoll(), true);
    now = 1580;
    monitor.onFrameReceived(statusAnswer(), FrameStatus::FRAME_OK);
    QCOMPARE(lines.at(0).at(0).toString(),
             QString("09:05:03.007 ->   ff 03 00 0c 00 06 10 15  Odczyt stanu"));
    const LinkStatistics& s = monitor.statistics();
    QCOMPARE(s.lastReplyMs, 80);
    QCOMPARE(s.maxReplyMs, 120);
    QCOMPARE(s.meanReplyMs(), 100.0);

    // The receiver reports an unknown function for every byte from the third on: one
    // entry, counted once, its line out when the reply stops growing.
    monitor.onFrameSent(Requests::statusPoll(), true);
    const QByteArray reply = hex("ff 05 01 02 03");
    for (int n = 3; n <= reply.size(); ++n)
        monitor.onFrameReceived(reply.left(n), FrameStatus::FRAME_TYPE_ERROR);
    QCOMPARE(lines.count(), 5);
    monitor.onFrameSent(Requests::statusPoll(), false);
    QCOMPARE(s.frameTypeErrors, 1);
    QCOMPARE(s.retries, 1);
    QCOMPARE(lines.at(5).at(0).toString(),
             QString("09:05:03.007 <- ! ff 05 01 02 03  Błąd typu ramki: Odczyt stanu"));
    QVERIFY(lines.at(6).at(0).toString().endsWith(" ! ff 03 00 0c 00 06 10 15  Zapis do portu "
                                                  "nieudany: Odczyt stanu"));
}

void TestTrafficMonitor::keepsTheLast5000()
{
    TrafficMonitor monitor;
    for (int i = 0; i < 5003; ++i)
        monitor.onFrameSent(buildReadRequest(0xFF, std::uint16_t(i), 1), true);
    const TrafficLog& log = monitor.log();
    QCOMPARE(log.rowCount(), 5000);
    QCOMPARE(log.entry(0).bytes, buildReadRequest(0xFF, 3, 1));
    QCOMPARE(log.data(log.index(4999, TrafficLog::DescriptionColumn)).toString(),
             QString("Odczyt 1 rejestrów od 5002"));
    monitor.clear();
    QCOMPARE(log.rowCount(), 0);
    QCOMPARE(monitor.statistics().requests, 5003); // the statistics of the connection stay
}

QTEST_GUILESS_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
