#include "link/cserialport.h"
#include "link/devicelink.h"
#include "link/trafficmonitor.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The link against the simulated controller on its real line: the statistics of a run
// with faults, and an adapter unplugged in the middle of a register read.
class TestLinkSim : public QObject {
    Q_OBJECT
private slots:
    void init();
    void statisticsCountWhatTheSimulatorInjected();
    void unplugDuringRegisterReadThenReconnect();

private:
    void connectTo(const QString& port)
    {
        m_link->setSelectedPort(port);
        m_link->connectDevice();
        QTRY_VERIFY_WITH_TIMEOUT(m_link->IsConnected(), 15000);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DeviceData> m_data;
    std::unique_ptr<LabelStore> m_labels;
    std::unique_ptr<CSerialPort> m_line;
    std::unique_ptr<DeviceLink> m_link;
    QStringList m_log;
};

void TestLinkSim::init()
{
    QLoggingCategory::setFilterRules(QStringLiteral("tavrel.link.port.warning=false"));
    m_link.reset();
    m_log.clear();
    m_data = std::make_unique<DeviceData>();
    m_labels = std::make_unique<LabelStore>(*m_data, m_dir.path(), LogSink{});
    SettingsRecord::applyDefaults(*m_data);
    m_line = std::make_unique<CSerialPort>();
    m_link = std::make_unique<DeviceLink>(
        *m_data, *m_labels, *m_line, [this](const QString& text) { m_log << text; },
        LinkTimings{.tick = 80,
                    .eventTick = 60,
                    .replyTimeout = 400,
                    .eventReplyTimeout = 400,
                    .errorPause = 50});
}

void TestLinkSim::statisticsCountWhatTheSimulatorInjected()
{
    SimProcess sim;
    QVERIFY(sim.start({"--drop-every", "5", "--corrupt-every", "7"}));
    TrafficMonitor monitor;
    monitor.attach(*m_link);
    // Stopped at once, so that the simulator's log holds just the replies the tool saw.
    connect(m_link.get(), &DeviceLink::registerCompleted, this, [&sim] { sim.stop(); });
    connectTo(sim.linkPath());
    m_link->readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(m_link->eventsRead(), 60000);

    const QString simLog = QString::fromUtf8(sim.log());
    const int dropped = int(simLog.count(QRegularExpression("reply \\d+: dropped")));
    const int corrupted = int(simLog.count(QRegularExpression("reply \\d+: CRC corrupted")));
    QVERIFY2(dropped >= 3 && corrupted >= 2, qPrintable(simLog));
    const LinkStatistics& s = monitor.statistics();
    QCOMPARE(s.timeouts, dropped);
    QCOMPARE(s.crcErrors, corrupted);
    QCOMPARE(s.retries, dropped + corrupted);
    QCOMPARE(s.replies, s.requests - dropped - corrupted);
}

void TestLinkSim::unplugDuringRegisterReadThenReconnect()
{
    // The port the user chose, a stable device name that follows the adapter.
    const QString port = m_dir.filePath("ttyUSB-dorvik");
    SimProcess first;
    QVERIFY(first.start());
    QVERIFY(QFile::link(first.linkPath(), port));
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    connectTo(port);
    m_link->readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(m_link->registerProgress() >= 48, 20000);
    first.process().kill();
    QTRY_VERIFY_WITH_TIMEOUT(!m_link->isPortOpen(), 5000);
    QTest::qWait(300); // a lost line must not report itself again and again
    QCOMPARE(ended.count(), 1);
    QCOMPARE(m_log.count("Utracono połączenie z portem " + port), 1);
    QCOMPARE(m_log.mid(m_log.size() - 2),
             (QStringList{"Utracono połączenie z portem " + port,
                          "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"}));
    QVERIFY(!m_link->readingEvents() && !m_link->eventsRead());
    QCOMPARE(m_link->registerProgress(), 0);

    // The adapter is back under the same name.
    SimProcess second;
    QVERIFY(second.start());
    QVERIFY(QFile::remove(port) && QFile::link(second.linkPath(), port));
    connectTo(port);
    m_link->readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(m_link->eventsRead(), 30000);
}

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_linksim.moc"
