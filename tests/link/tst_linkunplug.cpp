#include "../sim/simprocess.h"
#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// An adapter unplugged in the middle of a register read (the simulator killed): the link
// ends once with a clear line, and the same port connects again when it is back.
class TestLinkUnplug : public QObject {
    Q_OBJECT
private slots:
    void unplugDuringRegisterReadThenReconnect();
};

void TestLinkUnplug::unplugDuringRegisterReadThenReconnect()
{
    QLoggingCategory::setFilterRules(QStringLiteral("tavrel.link.port.warning=false"));
    QTemporaryDir dir;
    // The port the user chose, as a stable device name that follows the adapter.
    const QString port = dir.filePath("ttyUSB-dorvik");
    SimProcess first;
    QVERIFY(first.start());
    QVERIFY(QFile::link(first.linkPath(), port));

    DeviceData data;
    LabelStore labels(data, dir.path(), {});
    SettingsRecord::applyDefaults(data);
    CSerialPort line;
    LinkTimings timings;
    timings.tick = 80;
    timings.eventTick = 60;
    QStringList log;
    DeviceLink link(
        data, labels, line, [&log](const QString& text) { log << text; }, timings);
    QSignalSpy ended(&link, &DeviceLink::linkEnded);
    link.setSelectedPort(port);
    link.connectDevice();
    QTRY_VERIFY_WITH_TIMEOUT(link.IsConnected(), 15000);

    link.readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(link.registerProgress() >= 48, 20000);
    first.process().kill();
    QTRY_VERIFY_WITH_TIMEOUT(!link.isPortOpen(), 5000);
    QTest::qWait(300); // a lost line must not report itself again and again
    QCOMPARE(ended.count(), 1);
    QCOMPARE(log.count("Utracono połączenie z portem " + port), 1);
    QCOMPARE(log.last(), "Utracono połączenie z portem " + port);
    QVERIFY(!link.readingEvents() && !link.IsConnected());
    QCOMPARE(link.registerProgress(), 0);
    QVERIFY(!link.eventsRead());

    // The adapter is back under the same name, now on another controller.
    SimProcess second;
    QVERIFY(second.start({"--factory-number", "999", "--firmware", "31"}));
    QVERIFY(QFile::remove(port));
    QVERIFY(QFile::link(second.linkPath(), port));
    link.connectDevice();
    QTRY_VERIFY_WITH_TIMEOUT(link.IsConnected(), 15000);
    QCOMPARE(data.image().factoryNumber, 999);
    QCOMPARE(link.versionText(), QStringLiteral("3.1"));
    link.readEventRegister();
    QTRY_VERIFY_WITH_TIMEOUT(link.eventsRead(), 30000);
    QCOMPARE(data.image().registerFactoryNumber, 999);
    QCOMPARE(log.count("Nawiązano połączenie " + port), 2);
}

QTEST_GUILESS_MAIN(TestLinkUnplug)
#include "tst_linkunplug.moc"
