#include "link/requests.h"
#include "link/trafficmonitor.h"
#include "linktesthelpers.h"
#include "model/settingsrecord.h"

#include <QSignalSpy>
#include <QTest>

#ifdef Q_OS_UNIX
#include "../sim/simprocess.h"
#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QRegularExpression>
#endif

using namespace Fake;

// The traffic monitor: what each frame is, the bound of the list, and the statistics of
// a connection.
class TestTrafficMonitor : public QObject {
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void replies_data();
    void replies();
    void lineFormat();
    void statisticsAndRetries();
    void frameTypeErrorIsOneEntry();
    void keepsTheLast5000();
    void countsWhatTheSimulatorInjected();

private:
    TrafficMonitor::Now m_now{QTime(9, 5, 3, 7), 1000};
};

void TestTrafficMonitor::requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("what");
    QTest::newRow("probe") << hex("ff0300090001 41d6") << "Sprawdzenie łącza";
    QTest::newRow("status") << hex("ff03000c0006 1015") << "Odczyt stanu";
    QTest::newRow("settings") << hex("ff030000000a d013") << "Odczyt nastaw";
    QTest::newRow("block 1") << hex("ff0304000060 510c") << "Odczyt zdarzeń, blok 1 z 16";
    QTest::newRow("block 16") << Requests::eventBlockRead(240) << "Odczyt zdarzeń, blok 16 z 16";
    QTest::newRow("link open") << hex("ff1000000001 02 ffaa 2fbb") << "Otwarcie łącza";
    QTest::newRow("link close") << hex("ff1000000001 02 aa55 50ab") << "Zamknięcie łącza";
    QTest::newRow("reset") << hex("ff1000000001 02 aa21 508c") << "Rozkaz Reset";
    QTest::newRow("factory number")
        << Requests::factoryNumber(4711) << "Zapis numeru fabrycznego 4711";
    QTest::newRow("settings write")
        << Requests::settingsWrite(SettingsRecord::defaultImage) << "Zapis nastaw";
    QTest::newRow("rs485") << Requests::rs485Write(SettingsRecord::defaultImage)
                           << "Zapis konfiguracji RS485";
    QTest::newRow("other read") << buildReadRequest(0xFF, 100, 3) << "Odczyt 3 rejestrów od 100";
    QTest::newRow("between blocks")
        << buildReadRequest(0xFF, 1030, 96) << "Odczyt 96 rejestrów od 1030";
    QTest::newRow("short") << hex("ff03") << "Ramka nieznanego rodzaju";
}

void TestTrafficMonitor::requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, what);
    QCOMPARE(TrafficDecoding::describeRequest(frame), what);
}

void TestTrafficMonitor::replies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("what");
    QTest::newRow("probe") << probeAnswer(0xD0) << Requests::linkProbe()
                           << "Sprawdzenie łącza: kombinacja 5";
    Status status;
    status.version = 22;
    status.factoryNumber = 4321;
    QTest::newRow("status") << statusAnswer(status) << Requests::statusPoll()
                            << "Stan: wersja 2.2, nr fabr. 4321";
    QTest::newRow("settings") << settingsAnswer(SettingsRecord::defaultImage, 12)
                              << Requests::settingsRead() << "Nastawy: kombinacja 12";
    QTest::newRow("block 3") << eventBlock(32) << Requests::eventBlockRead(32)
                             << "Zdarzenia, blok 3 z 16";
    QTest::newRow("block unasked")
        << eventBlock(0) << Requests::statusPoll() << "Dane odczytu, 192 bajtów";
    QTest::newRow("write 7") << writeAnswer(0, 7)
                             << Requests::settingsWrite(SettingsRecord::defaultImage)
                             << "Potwierdzenie: Zapis nastaw";
    QTest::newRow("link open") << writeAnswer(0, 1) << Requests::linkOpen()
                               << "Potwierdzenie: Otwarcie łącza";
    QTest::newRow("exception") << exceptionAnswer(0x03, 2) << Requests::settingsRead()
                               << "Wyjątek 2: Odczyt nastaw";
    QTest::newRow("odd count") << readAnswer(hex("01020304")) << Requests::statusPoll()
                               << "Dane odczytu, 4 bajtów";
    QTest::newRow("count beyond frame")
        << hex("ff0314 0102 0304") << QByteArray() << "Ramka nieznanego rodzaju";
}

void TestTrafficMonitor::replies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, request);
    QFETCH(QString, what);
    QCOMPARE(TrafficDecoding::describeReply(reply, request), what);
}

void TestTrafficMonitor::lineFormat()
{
    QCOMPARE(trafficLine({QTime(9, 5, 3, 7), TrafficDirection::Sent, Requests::linkProbe(),
                          "Sprawdzenie łącza", false}),
             QString("09:05:03.007 ->   ff 03 00 09 00 01 41 d6  Sprawdzenie łącza"));
    QCOMPARE(trafficLine({QTime(23, 59, 59, 999),
                          TrafficDirection::Missing,
                          {},
                          "Brak odpowiedzi: Odczyt stanu",
                          true}),
             QString("23:59:59.999 -- ! Brak odpowiedzi: Odczyt stanu"));
}

void TestTrafficMonitor::statisticsAndRetries()
{
    TrafficMonitor monitor;
    monitor.setClock([this] { return m_now; });
    QSignalSpy lines(&monitor, &TrafficMonitor::lineAdded);
    const auto at = [this](qint64 ms) { m_now.ms = ms; };

    at(0);
    monitor.onFrameSent(Requests::statusPoll(), true);
    at(1500);
    monitor.onReplyTimedOut();
    at(3000);
    monitor.onFrameSent(Requests::statusPoll(), true); // the same again: a retry
    at(3120);
    monitor.onFrameReceived(statusAnswer(), FrameStatus::FRAME_OK);
    at(4500);
    monitor.onFrameSent(Requests::settingsRead(), true);
    at(4600);
    QByteArray spoilt = settingsAnswer(SettingsRecord::defaultImage, 0);
    spoilt[spoilt.size() - 1] = char(spoilt.back() ^ 0x5A);
    monitor.onFrameReceived(spoilt, FrameStatus::FRAME_CRC_ERROR);
    at(6000);
    monitor.onFrameSent(Requests::settingsRead(), true); // again after the bad reply
    at(6080);
    monitor.onFrameReceived(settingsAnswer(SettingsRecord::defaultImage, 0), FrameStatus::FRAME_OK);
    at(7500);
    monitor.onFrameSent(Requests::statusPoll(), false); // the port refused it

    const LinkStatistics& s = monitor.statistics();
    QCOMPARE(s.requests, 5);
    QCOMPARE(s.replies, 2);
    QCOMPARE(s.crcErrors, 1);
    QCOMPARE(s.frameTypeErrors, 0);
    QCOMPARE(s.timeouts, 1);
    QCOMPARE(s.retries, 2);
    QCOMPARE(s.lastReplyMs, 80);
    QCOMPARE(s.maxReplyMs, 120);
    QCOMPARE(s.meanReplyMs(), 100.0);

    const TrafficLog& log = monitor.log();
    QCOMPARE(log.size(), 9);
    QCOMPARE(lines.count(), 9);
    QList<bool> marked;
    for (int row = 0; row < log.size(); ++row)
        marked << log.data(log.index(row, 0), TrafficLog::ErrorRole).toBool();
    QCOMPARE(marked, (QList<bool>{false, true, false, false, false, true, false, false, true}));
    QCOMPARE(log.entry(1).description, QString("Brak odpowiedzi: Odczyt stanu"));
    QCOMPARE(log.entry(5).description, QString("Błąd CRC: Odczyt nastaw"));
    QCOMPARE(log.entry(8).description, QString("Zapis do portu nieudany: Odczyt stanu"));

    // A new connection counts afresh; the list stays until it is cleared.
    monitor.onLinkEnded();
    monitor.onFrameSent(Requests::linkProbe(), true);
    QCOMPARE(monitor.statistics().requests, 1);
    QCOMPARE(monitor.statistics().timeouts, 0);
    QCOMPARE(log.size(), 10);
    monitor.clear();
    QCOMPARE(log.size(), 0);
    QCOMPARE(monitor.statistics().requests, 1);
}

void TestTrafficMonitor::frameTypeErrorIsOneEntry()
{
    // The receiver reports an unknown function for every byte from the third on.
    TrafficMonitor monitor;
    monitor.setClock([this] { return m_now; });
    QSignalSpy lines(&monitor, &TrafficMonitor::lineAdded);
    monitor.onFrameSent(Requests::statusPoll(), true);
    const QByteArray reply = hex("ff 05 01 02 03");
    for (int n = 3; n <= reply.size(); ++n)
        monitor.onFrameReceived(reply.left(n), FrameStatus::FRAME_TYPE_ERROR);
    QCOMPARE(monitor.statistics().frameTypeErrors, 1);
    QCOMPARE(monitor.log().size(), 2);
    QCOMPARE(monitor.log().entry(1).bytes, reply);
    QCOMPARE(lines.count(), 1); // its line waits until the reply stops growing
    monitor.onFrameSent(Requests::statusPoll(), true);
    QCOMPARE(lines.count(), 3);
    QCOMPARE(lines.at(1).at(0).toString(),
             QString("09:05:03.007 <- ! ff 05 01 02 03  Błąd typu ramki: Odczyt stanu"));
    QCOMPARE(monitor.statistics().retries, 1);
}

void TestTrafficMonitor::keepsTheLast5000()
{
    TrafficMonitor monitor;
    QCOMPARE(monitor.log().capacity(), 5000);
    QSignalSpy removed(&monitor.log(), &QAbstractItemModel::rowsRemoved);
    for (int i = 0; i < 5003; ++i)
        monitor.onFrameSent(buildReadRequest(0xFF, std::uint16_t(i), 1), true);
    const TrafficLog& log = monitor.log();
    QCOMPARE(log.rowCount(), 5000);
    QCOMPARE(removed.count(), 3);
    QCOMPARE(log.entry(0).bytes, buildReadRequest(0xFF, 3, 1));
    QCOMPARE(log.entry(4999).bytes, buildReadRequest(0xFF, 5002, 1));
    QCOMPARE(log.data(log.index(4999, TrafficLog::DescriptionColumn)).toString(),
             QString("Odczyt 1 rejestrów od 5002"));
    QCOMPARE(log.text().count(u'\n'), 5000);
    QCOMPARE(monitor.statistics().requests, 5003);
}

void TestTrafficMonitor::countsWhatTheSimulatorInjected()
{
#ifndef Q_OS_UNIX
    QSKIP("the simulator runs on a pseudo-terminal");
#else
    SimProcess sim;
    QVERIFY(sim.start({"--drop-every", "5", "--corrupt-every", "7"}));
    QTemporaryDir labelsDir;
    DeviceData data;
    LabelStore labels(data, labelsDir.path(), {});
    SettingsRecord::applyDefaults(data);
    CSerialPort line;
    LinkTimings timings;
    timings.tick = 80;
    timings.eventTick = 60;
    timings.replyTimeout = 400;
    timings.eventReplyTimeout = 400;
    timings.errorPause = 50;
    DeviceLink link(data, labels, line, {}, timings);
    TrafficMonitor monitor;
    monitor.attach(link);

    bool complete = false;
    // Stopped at once, so that the simulator's log holds just the replies the tool saw.
    connect(&link, &DeviceLink::registerCompleted, this, [&] {
        complete = true;
        sim.stop();
    });
    link.setSelectedPort(sim.linkPath());
    link.connectDevice();
    QTRY_VERIFY_WITH_TIMEOUT(link.IsConnected(), 15000);
    link.readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(complete, 60000);

    const QString simLog = QString::fromUtf8(sim.log());
    const int dropped = int(simLog.count(QRegularExpression("reply \\d+: dropped")));
    const int corrupted = int(simLog.count(QRegularExpression("reply \\d+: CRC corrupted")));
    QVERIFY2(dropped >= 3 && corrupted >= 2, qPrintable(simLog));
    const LinkStatistics& s = monitor.statistics();
    QCOMPARE(s.timeouts, dropped);
    QCOMPARE(s.crcErrors, corrupted);
    QCOMPARE(s.retries, dropped + corrupted);
    QCOMPARE(s.frameTypeErrors, 0);
    // Every request but the ones unanswered or spoilt drew a good reply.
    QCOMPARE(s.replies, s.requests - dropped - corrupted);
    QVERIFY(s.lastReplyMs >= 0 && s.maxReplyMs >= s.meanReplyMs());
    int blocks = 0;
    for (int row = 0; row < monitor.log().size(); ++row)
        blocks += monitor.log().entry(row).description.startsWith("Zdarzenia, blok");
    QCOMPARE(blocks, 16);
#endif
}

QTEST_GUILESS_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
