#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/linktesthelpers.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Fake;

// The engine driven step by step: the tests call the timer handlers and deliver the
// controller's replies on an in-memory line; no real time passes.
class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void probesAllRatesThenGivesUp();
    void connectsAtEachProbeRate_data();
    void connectsAtEachProbeRate();
    void openFailures_data();
    void openFailures();
    void linkOpeningUnanswered();
    void statusAnswerFillsFields();
    void statusKeepsTypedFactoryNumber();
    void tickSendsOneRequestAtATime();
    void operations_data();
    void operations();
    void refusedWhenNotConnected_data();
    void refusedWhenNotConnected();
    void factoryNumberAbove16BitsRefused();
    void compare_data();
    void compare();
    void closingFlushesLastFrame_data();
    void closingFlushesLastFrame();
    void timeOuts_data();
    void timeOuts();
    void badFrames_data();
    void badFrames();
    void eventRegisterRead();
    void abandonedReadKeepsRegister_data();
    void abandonedReadKeepsRegister();
    void exceptions_data();
    void exceptions();
    void unsentRequests_data();
    void unsentRequests();
    void newConnectionStartsClean();
    void lostLineEndsLinkOnce();
    void truncatedRepliesReadNothingBeyond();
    void lateAnswerKeepsDisconnect_data();
    void lateAnswerKeepsDisconnect();

private:
    void connectAndEstablish(int answerAtStage = 1);
    void goOnline(const Status& status = {});
    void answerTick(const QByteArray& reply);
    void command(int operation);
    QByteArray lastWritten() const
    {
        return m_line->written.isEmpty() ? QByteArray() : m_line->written.last();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DeviceData> m_data;
    std::unique_ptr<LabelStore> m_labels;
    std::unique_ptr<MemoryLine> m_line;
    std::unique_ptr<DeviceLink> m_link;
    QStringList m_log;
    qint64 m_now = 1'700'000'000;
};

void TestDeviceLink::init()
{
    m_log.clear();
    m_data = std::make_unique<DeviceData>();
    SettingsRecord::applyDefaults(*m_data);
    m_labels = std::make_unique<LabelStore>(*m_data, m_dir.path(), [](const QString&) {});
    m_labels->setLabelFileCode(LabelStore::startCode);
    m_line = std::make_unique<MemoryLine>();
    m_link = std::make_unique<DeviceLink>(*m_data, *m_labels, *m_line,
                                          [this](const QString& text) { m_log.append(text); });
    m_link->setClock([this] { return m_now; });
    m_link->setSelectedPort(QStringLiteral("COM7"));
}

void TestDeviceLink::cleanup()
{
    m_link.reset();
    m_line.reset();
    m_labels.reset();
    m_data.reset();
}

// Probe answered after probe number `answerAtStage`, link opening acknowledged, link up
// at 2400 baud. The log and the line records are cleared afterwards.
void TestDeviceLink::connectAndEstablish(int answerAtStage)
{
    m_link->connectDevice();
    for (int stage = 1; stage < answerAtStage; ++stage)
        m_link->onConnectTick();
    m_line->deliver(probeAnswer());
    QCOMPARE(m_link->connectStage(), DeviceLink::STAGE_PROBE_ANSWERED);
    m_link->onConnectTick();
    QCOMPARE(lastWritten(), Requests::linkOpen());
    m_line->deliver(writeAnswer(0, 1));
    QCOMPARE(m_link->connectStage(), DeviceLink::STAGE_LINK_OPEN_ACKNOWLEDGED);
    m_link->onConnectTick();
    QVERIFY(m_line->isOpen());
    QCOMPARE(m_line->baudRate(), DeviceLink::linkBaudRate);
    QVERIFY(m_link->isTimerActive(LinkTimer::Tick));
    QVERIFY(!m_link->isTimerActive(LinkTimer::Connect));
    m_log.clear();
    m_line->clearRecords();
}

void TestDeviceLink::goOnline(const Status& status)
{
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::statusPoll());
    m_line->deliver(statusAnswer(status));
    QVERIFY(m_link->IsConnected());
    m_line->clearRecords();
}

void TestDeviceLink::answerTick(const QByteArray& reply)
{
    m_link->onLinkTick();
    m_line->deliver(reply);
}

// The user's command for an operation number as the tables give it.
void TestDeviceLink::command(int operation)
{
    switch (operation) {
    case 1:
        m_link->readSettings();
        break;
    case 2:
        m_link->writeSettings();
        break;
    case 3:
        m_link->compareSettings();
        break;
    case 4:
        m_link->writeFactoryNumber(12345);
        break;
    case 5:
        m_link->disconnectDevice();
        break;
    case 6:
        m_link->reset();
        break;
    case 7:
        m_link->writeRs485Config();
        break;
    case 8:
        m_link->readEventRegister();
        break;
    }
}

void TestDeviceLink::probesAllRatesThenGivesUp()
{
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    m_link->connectDevice();
    QCOMPARE(m_log, QStringList{"Próba połączenia... COM7"});
    QVERIFY(m_link->isTimerActive(LinkTimer::Connect));
    QCOMPARE(m_link->timerInterval(LinkTimer::Connect), 300);
    for (int i = 0; i < 8; ++i)
        m_link->onConnectTick();

    QStringList opens;
    for (const QString& event : m_line->events) {
        if (event.startsWith("open"))
            opens.append(event);
    }
    QCOMPARE(opens, (QStringList{"open COM7 19200", "open COM7 19200", "open COM7 19200",
                                 "open COM7 19200", "open COM7 19200", "open COM7 9600",
                                 "open COM7 38400", "open COM7 4800"}));
    QCOMPARE(m_line->written.size(), 8);
    for (const QByteArray& request : std::as_const(m_line->written))
        QCOMPARE(request, Requests::linkProbe());
    QVERIFY(!m_line->isOpen());
    QCOMPARE(m_link->connectStage(), 0);
    QVERIFY(!m_link->isTimerActive(LinkTimer::Connect));
    QCOMPARE(m_log.last(), QString("Urządzenie nie odpowiada"));
    QCOMPARE(ended.count(), 1);
}

void TestDeviceLink::connectsAtEachProbeRate_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("baud");
    QTest::newRow("first probe") << 1 << 19200;
    QTest::newRow("sixth probe") << 6 << 9600;
    QTest::newRow("eighth probe") << 8 << 4800;
}

void TestDeviceLink::connectsAtEachProbeRate()
{
    QFETCH(int, stage);
    QFETCH(int, baud);
    QSignalSpy established(m_link.get(), &DeviceLink::linkEstablished);
    QSignalSpy animation(m_link.get(), &DeviceLink::linkAnimationStarted);
    m_link->connectDevice();
    for (int i = 1; i < stage; ++i)
        m_link->onConnectTick();
    QCOMPARE(m_line->baudRate(), baud);
    m_line->deliver(probeAnswer(0xF0));
    QCOMPARE(m_link->connectStage(), 10);
    // Bits 4..6 only: 0xF0 gives 7. Only the label set moves with it.
    QCOMPARE(m_data->image().combinationIndex, 7u);
    QCOMPARE(m_data->currentLabelSetIndex(), 7);
    QCOMPARE(m_data->currentFlagOutputSetIndex(), 0);

    m_link->onConnectTick();
    QCOMPARE(lastWritten().toHex(' '), QByteArray("ff 10 00 00 00 01 02 ff aa 2f bb"));
    QCOMPARE(m_line->baudRate(), baud); // the link opening goes out at the probe rate
    QCOMPARE(m_link->connectStage(), 11);
    m_line->deliver(writeAnswer(0, 1));
    QCOMPARE(m_link->connectStage(), 20);
    m_data->image().timeBase = 99;
    m_data->image().readIndex = 256;
    m_link->onConnectTick();
    QCOMPARE(m_line->baudRate(), 2400);
    QCOMPARE(m_link->connectStage(), 0);
    QCOMPARE(m_log.last(), QString("Nawiązano połączenie COM7"));
    QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 1500);
    QCOMPARE(m_data->image().timeBase, 0u);
    QCOMPARE(m_data->image().readIndex, -2);
    QCOMPARE(established.count(), 1);
    QCOMPARE(animation.count(), 1);
    QVERIFY(!m_link->IsConnected()); // until the first status answer
}

void TestDeviceLink::openFailures_data()
{
    QTest::addColumn<QString>("failingPort");
    QTest::addColumn<int>("failingBaud");
    QTest::addColumn<int>("ticks");
    QTest::newRow("first open") << "COM7" << 0 << 0;
    QTest::newRow("re-open at 9600") << "" << 9600 << 5;
    QTest::newRow("re-open at 2400") << "" << 2400 << -1;
}

void TestDeviceLink::openFailures()
{
    QFETCH(QString, failingPort);
    QFETCH(int, failingBaud);
    QFETCH(int, ticks);
    if (!failingPort.isEmpty())
        m_line->failingPorts.insert(failingPort);
    if (failingBaud)
        m_line->failingBaudRates.insert(failingBaud);
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    m_link->connectDevice();
    if (ticks < 0) {
        m_line->deliver(probeAnswer());
        m_link->onConnectTick();
        m_line->deliver(writeAnswer(0, 1));
        m_link->onConnectTick();
    }
    for (int i = 0; i < ticks; ++i)
        m_link->onConnectTick();
    QCOMPARE(m_log.last(), QString("Problem z otwarciem portu COM7"));
    QVERIFY(!m_line->isOpen());
    QCOMPARE(m_link->connectStage(), 0);
    QVERIFY(!m_link->isTimerActive(LinkTimer::Connect));
    QVERIFY(!m_link->isTimerActive(LinkTimer::Tick));
    QCOMPARE(ended.count(), 1);
    // "Połącz" works again.
    m_line->failingPorts.clear();
    m_line->failingBaudRates.clear();
    m_link->connectDevice();
    QVERIFY(m_line->isOpen());
}

void TestDeviceLink::linkOpeningUnanswered()
{
    m_link->connectDevice();
    m_line->deliver(probeAnswer());
    m_link->onConnectTick();
    QCOMPARE(m_link->connectStage(), 11);
    m_link->onConnectTick();
    QCOMPARE(m_log.last(), QString("Urządzenie nie odpowiada"));
    QVERIFY(!m_line->isOpen()); // not left open with nothing driving it
    QCOMPARE(m_link->connectStage(), 0);
}

void TestDeviceLink::statusAnswerFillsFields()
{
    connectAndEstablish();
    QSignalSpy connected(m_link.get(), &DeviceLink::connectedChanged);
    m_link->onLinkTick();
    QCOMPARE(lastWritten().toHex(' '), QByteArray("ff 03 00 0c 00 06 10 15"));
    QCOMPARE(m_link->pendingOperation(), DeviceLink::OP_STATUS_POLL);
    QVERIFY(m_link->replyAwaited());
    QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1500);
    // Counter 3600 s, version byte 22.
    m_line->deliver(statusAnswer({3600, 22, 5, 0x24, 4321}));
    QVERIFY(m_link->IsConnected());
    QCOMPARE(connected.count(), 1);
    QCOMPARE(m_link->versionText(), QString("2.2"));
    QCOMPARE(m_link->operatingHours(), 1u);
    QCOMPARE(m_link->factoryNumberField(), 4321u);
    QCOMPARE(m_data->image().factoryNumber, 4321);
    QCOMPARE(m_link->labelFileCode(), 22);
    QCOMPARE(m_data->image().liveWritePosition, 5);
    QCOMPARE(m_data->image().deviceSelector, 0x24);
    QCOMPARE(m_data->image().timeBase, quint32(m_now - 3600));
    QVERIFY(!m_link->replyAwaited());
    QCOMPARE(m_link->pendingOperation(), DeviceLink::OP_STATUS_POLL); // not reset by the answer

    // The time base is fixed by the first answer only.
    m_now += 100;
    answerTick(statusAnswer({7300, 9, 6, 0x24, 4321}));
    QCOMPARE(m_data->image().timeBase, quint32(m_now - 100 - 3600));
    QCOMPARE(m_link->operatingHours(), 2u);
    QCOMPARE(m_link->versionText(), QString("0.9"));
}

void TestDeviceLink::statusKeepsTypedFactoryNumber()
{
    connectAndEstablish();
    m_link->setFactoryNumberField(777);
    goOnline({3600, 22, 0, 0x11, 4321});
    QCOMPARE(m_link->factoryNumberField(), 777u);
    QCOMPARE(m_data->image().factoryNumber, 0);
}

void TestDeviceLink::tickSendsOneRequestAtATime()
{
    connectAndEstablish();
    m_link->onLinkTick();
    m_link->onLinkTick();
    m_link->readSettings(); // pending, but a reply is still awaited
    m_link->onLinkTick();
    QCOMPARE(m_line->written.size(), 1);
    m_line->deliver(statusAnswer());
    m_link->onLinkTick();
    QCOMPARE(m_line->written.size(), 2);
    QCOMPARE(lastWritten(), Requests::settingsRead()); // the operation instead of the poll
}

void TestDeviceLink::operations_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QStringList>("startLog");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("answerLog");
    QTest::addColumn<bool>("confirmed");

    const QByteArray settingsWrite =
        hex("ff 10 00 00 00 07 0e 00 00 00 01 65 bd 33 3d 15 65 95 2f 02 06 08 d3");
    QTest::newRow("write settings")
        << 2 << QStringList{"Zapisywanie nastaw do Dorvik rozpoczęto"} << settingsWrite
        << writeAnswer(0, 7) << QStringList{"Nastawy zapisano do Dorvik"} << true;
    QTest::newRow("write settings, wrong count")
        << 2 << QStringList{"Zapisywanie nastaw do Dorvik rozpoczęto"} << settingsWrite
        << writeAnswer(0, 3) << QStringList{"Niepoprawny zapis do Dorvik"} << false;
    QTest::newRow("factory number")
        << 4 << QStringList{"Wysyłanie numeru fabrycznego"}
        << hex("ff 10 00 00 00 02 04 aa 27 39 30 47 d3") << writeAnswer(0, 2)
        << QStringList{"Numer fabryczny zapisano do Dorvik"} << true;
    QTest::newRow("rs485") << 7 << QStringList{} << hex("ff 10 00 07 00 01 02 00 21 2f 9b")
                           << writeAnswer(7, 1)
                           << QStringList{"Zapisywanie Konfiguracji RS485",
                                          "Konfigurację RS485 zapisano do Dorvik"}
                           << true;
    QTest::newRow("read settings")
        << 1 << QStringList{"Czytanie rozpoczęto"} << hex("ff 03 00 00 00 0a d0 13")
        << settingsAnswer({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}, 15)
        << QStringList{"Nastawy odczytano"} << true;
    QTest::newRow("read settings, other size")
        << 1 << QStringList{"Czytanie rozpoczęto"} << hex("ff 03 00 00 00 0a d0 13")
        << readAnswer(QByteArray(19, '\0')) << QStringList{"Odczyt niepełny"} << false;
}

void TestDeviceLink::operations()
{
    QFETCH(int, operation);
    QFETCH(QStringList, startLog);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, answerLog);
    QFETCH(bool, confirmed);

    connectAndEstablish();
    goOnline();
    m_log.clear();
    QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
    QSignalSpy settings(m_link.get(), &DeviceLink::settingsArrived);
    command(operation);
    QCOMPARE(m_log, startLog);
    QCOMPARE(m_link->pendingOperation(), operation);
    m_link->onLinkTick();
    QCOMPARE(lastWritten().toHex(' '), request.toHex(' '));
    QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1500);
    m_line->deliver(answer);
    QCOMPARE(m_log.mid(startLog.size()), answerLog);
    QVERIFY(!m_link->replyAwaited());
    QCOMPARE(m_link->retryCount(), 0u);

    if (operation == 1 && confirmed) {
        QCOMPARE(m_data->image().settings.bytes[15], 16);
        QCOMPARE(m_data->image().combinationIndex, 15u);
        QCOMPARE(m_data->image().circuit, 5);
        QCOMPARE(m_data->image().variant, 1);
        QCOMPARE(m_data->currentFlagOutputSetIndex(), 15);
        QVERIFY(m_data->settingsValid);
        QVERIFY(m_link->settingsRead());
        QCOMPARE(settings.count(), 1);
    }
    if (operation == 1 && !confirmed) {
        // An answer of another size is repeated at the next tick.
        QCOMPARE(m_link->pendingOperation(), 1);
        QVERIFY(!m_data->settingsValid);
        m_link->onLinkTick();
        QCOMPARE(lastWritten(), Requests::settingsRead());
        return;
    }
    QCOMPARE(m_link->pendingOperation(), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), operation);
    QCOMPARE(finished.at(0).at(1).toBool(), confirmed);
    // The next tick polls the status again.
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::statusPoll());
}

void TestDeviceLink::refusedWhenNotConnected_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("message");
    QTest::newRow("read settings") << 1 << "Urządzenie niepodłączone";
    QTest::newRow("write settings") << 2 << "Urządzenie niepodłączone";
    QTest::newRow("compare") << 3 << "Urządzenie niepodłączone";
    QTest::newRow("factory number") << 4 << "Urządzenie niepodłączone";
    QTest::newRow("disconnect") << 5 << "Komunikacja już jest rozłączona";
    QTest::newRow("reset") << 6 << "Komunikacja już jest rozłączona";
    QTest::newRow("rs485") << 7 << "Urządzenie niepodłączone";
    QTest::newRow("event register") << 8 << "Urządzenie niepodłączone";
}

void TestDeviceLink::refusedWhenNotConnected()
{
    QFETCH(int, operation);
    QFETCH(QString, message);
    command(operation);
    if (operation == 4)
        QCOMPARE(m_link->factoryNumberField(), 12345u); // the field is taken first
    QCOMPARE(m_log, QStringList{message});
    QCOMPARE(m_link->pendingOperation(), 0);
    QVERIFY(!m_link->readingEvents());
    QCOMPARE(m_data->image().readIndex, -2);
    QVERIFY(m_line->events.isEmpty());
}

void TestDeviceLink::factoryNumberAbove16BitsRefused()
{
    connectAndEstablish();
    goOnline();
    m_log.clear();
    m_link->writeFactoryNumber(65536);
    QCOMPARE(m_log, QStringList{"Numer fabryczny większy niż 65535"});
    QCOMPARE(m_link->pendingOperation(), DeviceLink::OP_STATUS_POLL);
    m_link->writeFactoryNumber(65535);
    m_link->onLinkTick();
    QCOMPARE(lastWritten().toHex(' '), QByteArray("ff 10 00 00 00 02 04 aa 27 ff ff 54 27"));
}

void TestDeviceLink::compare_data()
{
    QTest::addColumn<int>("changedByte");
    QTest::addColumn<int>("combination");
    QTest::addColumn<QString>("message");
    QTest::newRow("identical") << -1 << 0 << "Nastawy identyczne";
    QTest::newRow("one byte differs") << 14 << 0 << "Nastawy różne";
    QTest::newRow("only the combination differs") << -1 << 3 << "Nastawy różne";
}

void TestDeviceLink::compare()
{
    QFETCH(int, changedByte);
    QFETCH(int, combination);
    QFETCH(QString, message);
    connectAndEstablish();
    goOnline();
    const SettingsImage held = m_data->image().settings;
    SettingsImage device = held;
    if (changedByte >= 0)
        device.bytes[changedByte] ^= 0x40;
    QSignalSpy result(m_link.get(), &DeviceLink::compareFinished);
    m_link->compareSettings();
    QVERIFY(m_link->compareMode());
    answerTick(settingsAnswer(device, std::uint8_t(combination)));
    QCOMPARE(m_log.last(), message);
    QCOMPARE(result.count(), 1);
    QCOMPARE(result.at(0).at(0).toBool(), changedByte < 0 && combination == 0);
    // Nothing is stored.
    QVERIFY(memcmp(m_data->image().settings.bytes, held.bytes, 16) == 0);
    QCOMPARE(m_data->image().combinationIndex, 0u);
    QVERIFY(!m_link->compareMode());
    QVERIFY(!m_link->settingsRead());
}

void TestDeviceLink::closingFlushesLastFrame_data()
{
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("closed");
    QTest::newRow("disconnect") << false << "Rozłączanie"
                                << "ff 10 00 00 00 01 02 aa 55 50 ab"
                                << "Rozłączono";
    QTest::newRow("reset") << true << "Rozkaz Reset"
                           << "ff 10 00 00 00 01 02 aa 21 50 8c"
                           << "Rozkaz Reset Wysłano";
}

void TestDeviceLink::closingFlushesLastFrame()
{
    QFETCH(bool, reset);
    QFETCH(QString, command);
    QFETCH(QString, frame);
    QFETCH(QString, closed);
    connectAndEstablish();
    goOnline({3600, 22, 9, 0x11, 4321});
    m_link->connectDevice();
    QCOMPARE(m_log, QStringList{"Program już jest podłączny do urządzenia"});
    m_link->readEventRegister();
    m_log.clear();
    QSignalSpy access(m_link.get(), &DeviceLink::deviceAccessCleared);
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    reset ? m_link->reset() : m_link->disconnectDevice();
    QCOMPARE(m_log, QStringList{command});
    QCOMPARE(m_link->IsConnected(), reset);

    m_link->onLinkTick();
    QCOMPARE(m_line->events, (QStringList{"purge", "write " + frame, "flush"}));
    QVERIFY(m_link->isClosing());
    QVERIFY(m_line->isOpen()); // for the 200 ms wait
    QVERIFY(!m_link->isTimerActive(LinkTimer::Tick));
    m_link->onLinkTick();
    m_line->deliver(writeAnswer(0, 1)); // ignored while closing
    QCOMPARE(m_line->written.size(), 1);
    if (reset) {
        QCOMPARE(m_data->image().readIndex, -2);
        QCOMPARE(m_data->image().timeBase, 0u);
        QCOMPARE(m_data->image().liveWritePosition, 0);
    }

    m_link->onCloseWaitElapsed();
    QCOMPARE(m_line->events.last(), QString("close"));
    QCOMPARE(m_log,
             (QStringList{command, closed,
                          "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"}));
    QCOMPARE(access.count(), 1);
    QCOMPARE(ended.count(), 1);
    QVERIFY(!m_link->readingEvents());
    QCOMPARE(m_link->versionText(), QString("0"));
    QCOMPARE(m_link->factoryNumberField(), 0u);
    QCOMPARE(m_data->image().factoryNumber, 0);
    m_link->connectDevice();
    QCOMPARE(m_log.last(), QString("Próba połączenia... COM7"));
}

void TestDeviceLink::timeOuts_data()
{
    QTest::addColumn<int>("outstanding"); // 0 a status poll, 1 a settings read, 2 a block read
    QTest::addColumn<QStringList>("finalLog");
    QTest::newRow("status poll") << 0 << QStringList{"Rozłączanie", "Rozłączanie"};
    QTest::newRow("settings read") << 1 << QStringList{"Minął limit czasu"};
    // The block read leaves the poll's -1 in place: the disconnect path.
    QTest::newRow("register read")
        << 2
        << QStringList{"Rozłączanie", "Rozłączanie",
                       "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"};
}

void TestDeviceLink::timeOuts()
{
    QFETCH(int, outstanding);
    QFETCH(QStringList, finalLog);
    connectAndEstablish();
    goOnline();
    QByteArray request = Requests::statusPoll();
    if (outstanding == 1) {
        m_link->readSettings();
        request = Requests::settingsRead();
    }
    if (outstanding == 2) {
        m_link->readEventRegister();
        answerTick(statusAnswer());
        answerTick(eventBlock(0));
        answerTick(eventBlock(16));
        request = Requests::eventBlockRead(32);
    }
    m_log.clear();
    m_line->clearRecords();
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    QSignalSpy reading(m_link.get(), &DeviceLink::readingEventsChanged);
    for (int i = 1; i <= 3; ++i) {
        m_link->onLinkTick();
        QCOMPARE(lastWritten(), request);
        m_link->onReplyTimeout();
        QCOMPARE(m_log.last(), QString("Limit czasu:%1").arg(i));
        QVERIFY(!m_link->replyAwaited());
        QVERIFY(m_link->isTimerActive(LinkTimer::Reply));
    }
    m_link->onLinkTick();
    QCOMPARE(m_line->written.size(), 4);
    m_link->onReplyTimeout();
    QCOMPARE(m_log.mid(3), finalLog);
    QVERIFY(!m_line->isOpen());
    QVERIFY(!m_link->isTimerActive(LinkTimer::Reply));
    QVERIFY(!m_link->isTimerActive(LinkTimer::Tick));
    QVERIFY(!m_link->isTimerActive(LinkTimer::Connect));
    QCOMPARE(m_link->pendingOperation(), 0);
    QCOMPARE(m_link->versionText(), QString("0"));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(m_line->written.size(), 4); // no link-closing frame to a silent controller
    QVERIFY(!m_link->readingEvents());
    QCOMPARE(reading.count(), outstanding == 2 ? 1 : 0);
    QCOMPARE(m_data->image().readIndex, -2);
    m_link->connectDevice();
    QVERIFY(m_line->isOpen());
}

void TestDeviceLink::badFrames_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QByteArray badCrc = statusAnswer();
    badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 1);
    QTest::newRow("crc") << badCrc << "Błąd CRC";
    // Every byte from the third on is a type error; one line is logged, the rest dropped.
    QTest::newRow("frame type") << hex("ff 04 0c 00 00 00 00 00 00 00 16") << "Błąd typu ramki";
}

void TestDeviceLink::badFrames()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    connectAndEstablish();
    m_link->onLinkTick();
    m_line->clearRecords();
    m_line->deliver(reply);
    QCOMPARE(m_log, QStringList{message});
    QVERIFY(m_link->isPausing());
    QVERIFY(!m_link->isTimerActive(LinkTimer::Reply));
    QVERIFY(m_link->replyAwaited());
    // A tick that falls into the pause runs when it ends, after the purge.
    m_link->onLinkTick();
    m_line->deliver(statusAnswer()); // arrives during the pause: discarded
    QVERIFY(m_line->written.isEmpty());
    QVERIFY(!m_link->online());
    m_link->onErrorPauseElapsed();
    QCOMPARE(m_line->events, (QStringList{"purge", "purge", "write ff 03 00 0c 00 06 10 15"}));
    QCOMPARE(m_link->retryCount(), 0u); // errors are not time-outs
    m_line->deliver(statusAnswer());
    QVERIFY(m_link->IsConnected());
    QCOMPARE(m_log.size(), 1);
}

void TestDeviceLink::eventRegisterRead()
{
    connectAndEstablish();
    goOnline({100, 22, 37, 0x24, 4321});
    // An events file loaded on this link: the read replaces it whole, dated and ordered
    // by the controller's own status, not by the file.
    DeviceImage& image = m_data->image();
    image.timeBase = 1'000'000'000;
    image.liveWritePosition = image.writePosition = 200;
    image.readIndex = 256;
    m_log.clear();
    QSignalSpy progress(m_link.get(), &DeviceLink::progressChanged);
    QSignalSpy completed(m_link.get(), &DeviceLink::registerCompleted);
    m_link->readEventRegister();
    QVERIFY(m_link->readingEvents());
    // The next status answer starts the read and speeds up the tick.
    answerTick(statusAnswer({100, 22, 38, 0x24, 4321}));
    QCOMPARE(m_link->registerRead().readIndex, 0);
    QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 600);
    for (int block = 0; block < 16; ++block) {
        m_link->onLinkTick();
        QCOMPARE(lastWritten(), Requests::eventBlockRead(16 * block));
        QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1000);
        if (block < 15)
            QCOMPARE(image.readIndex, 256); // the held register until the last block
        m_line->deliver(eventBlock(16 * block));
        QCOMPARE(m_link->registerProgress(), 16 * (block + 1));
    }
    QCOMPARE(m_log, (QStringList{"Czytanie rejestru zdarzeń", "Rejestr zdarzeń odczytany"}));
    QVERIFY(m_link->eventsRead());
    QVERIFY(!m_link->readingEvents());
    QCOMPARE(completed.count(), 1);
    QCOMPARE(progress.last().at(0).toInt(), 256);
    QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 1500);
    QCOMPARE(image.readIndex, 256);
    QCOMPARE(image.timeBase, quint32(m_now - 100));
    QCOMPARE(image.writePosition, 37);
    QCOMPARE(image.registerFactoryNumber, 4321);
    QCOMPARE(image.deviceCombination, 9); // selector 0x24
    for (int slot : {0, 17, 255})
        QCOMPARE(image.entries[slot].bytes[11], std::uint8_t(slot * 3 + 11));
    // A late duplicate block changes nothing and reports nothing.
    m_line->deliver(eventBlock(0));
    QCOMPARE(completed.count(), 1);
    QCOMPARE(m_log.size(), 2);
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::statusPoll());
}

void TestDeviceLink::abandonedReadKeepsRegister_data()
{
    QTest::addColumn<int>("ending"); // how the read ends after four blocks
    QTest::addColumn<bool>("linkStays");
    QTest::newRow("exception") << 0 << true;
    QTest::newRow("fourth time-out") << 1 << false;
    QTest::newRow("disconnect") << 2 << false;
    QTest::newRow("port lost") << 3 << false;
    QTest::newRow("reset") << 4 << false;
}

void TestDeviceLink::abandonedReadKeepsRegister()
{
    QFETCH(int, ending);
    QFETCH(bool, linkStays);
    connectAndEstablish();
    goOnline({100, 22, 37, 0x24, 4321});
    DeviceImage& image = m_data->image();
    for (int slot = 0; slot < 256; ++slot)
        std::fill_n(image.entries[slot].bytes, 12, std::uint8_t(0xE0 ^ slot));
    image.readIndex = 256;
    image.timeBase = 77;
    image.writePosition = 5;
    image.registerFactoryNumber = 1234;
    image.deviceCombination = 3;
    const QByteArray held(reinterpret_cast<const char*>(image.entries), sizeof image.entries);
    QSignalSpy completed(m_link.get(), &DeviceLink::registerCompleted);

    m_link->readEventRegister();
    answerTick(statusAnswer({100, 22, 38, 0x24, 4321}));
    for (int block = 0; block < 4; ++block)
        answerTick(eventBlock(16 * block));
    m_log.clear();
    switch (ending) {
    case 0:
        answerTick(exceptionAnswer(0x03, 2));
        break;
    case 1:
        for (int i = 0; i < 4; ++i) {
            m_link->onLinkTick();
            m_link->onReplyTimeout();
        }
        break;
    case 2:
        m_link->disconnectDevice();
        m_link->onLinkTick();
        m_link->onCloseWaitElapsed();
        break;
    case 3:
        m_line->loseLine();
        QTRY_VERIFY(!m_line->isOpen());
        QTRY_VERIFY(!m_link->readingEvents());
        break;
    case 4:
        m_link->reset();
        m_link->onLinkTick();
        m_link->onCloseWaitElapsed();
        break;
    }
    QVERIFY(!m_link->readingEvents());
    QVERIFY(!m_link->eventsRead());
    QCOMPARE(completed.count(), 0);
    QCOMPARE(m_log.count("Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"), 1);
    QCOMPARE(m_link->IsConnected(), linkStays);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.entries), sizeof image.entries), held);
    QCOMPARE(image.readIndex, ending == 4 ? -2 : 256);
    QCOMPARE(image.writePosition, 5);
    QCOMPARE(image.registerFactoryNumber, 1234);
    QCOMPARE(image.deviceCombination, 3);
    if (ending != 4) // the reset command unsets the time base
        QCOMPARE(image.timeBase, 77u);
    if (linkStays) {
        m_link->onLinkTick();
        QCOMPARE(lastWritten(), Requests::statusPoll());
    }
}

void TestDeviceLink::exceptions_data()
{
    QTest::addColumn<int>("during"); // 0 a settings write, 1 a status poll
    QTest::newRow("settings write") << 0;
    QTest::newRow("status poll") << 1;
}

void TestDeviceLink::exceptions()
{
    QFETCH(int, during);
    connectAndEstablish();
    goOnline();
    QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    if (during == 0)
        m_link->writeSettings();
    m_log.clear();
    answerTick(exceptionAnswer(during == 0 ? 0x10 : 0x03, 4));
    QCOMPARE(m_log, QStringList{"Dorvik odrzucił rozkaz, kod wyjątku 4"});
    // The link stays; what the user asked for is ended, not asked again.
    QVERIFY(m_link->IsConnected());
    QCOMPARE(m_link->pendingOperation(), during == 0 ? 0 : -1);
    QCOMPARE(finished.count(), during == 0 ? 1 : 0);
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::statusPoll());
    if (during == 0)
        return;
    // Status polls refused (or spoilt) in a row get the tries of a time-out, then the
    // port is let go; a good answer in between starts the count again.
    m_line->deliver(exceptionAnswer(0x03, 4));
    answerTick(statusAnswer());
    answerTick(exceptionAnswer(0x03, 4));
    answerTick(withCrc(hex("ff 03 02 00 00")));
    answerTick(exceptionAnswer(0x03, 4));
    QVERIFY(m_line->isOpen());
    QCOMPARE(ended.count(), 0);
    answerTick(exceptionAnswer(0x03, 4));
    QVERIFY(!m_line->isOpen());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(m_log.last(), QString("Dorvik odrzuca odczyt stanu, połączenie zakończone"));
}

void TestDeviceLink::unsentRequests_data()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("settings write") << 2;
    QTest::newRow("compare") << 3;
    QTest::newRow("reset") << 6;
    QTest::newRow("status poll") << 0;
}

void TestDeviceLink::unsentRequests()
{
    QFETCH(int, operation);
    connectAndEstablish();
    goOnline();
    QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
    command(operation);
    m_log.clear();
    m_line->failWrites = true;
    m_link->onLinkTick();
    QCOMPARE(m_log.first(), QStringLiteral("Rozkaz nie został wysłany do portu COM7"));
    if (operation == 0) {
        // A poll that did not leave is a try without an answer.
        QVERIFY(m_link->isTimerActive(LinkTimer::Reply));
        QVERIFY(m_link->replyAwaited());
        return;
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first(), (QVariantList{operation, false}));
    QVERIFY(!m_link->isTimerActive(LinkTimer::Reply));
    QVERIFY(!m_log.contains("Rozkaz Reset Wysłano"));
    QCOMPARE(m_line->isOpen(), operation != 6);
    QCOMPARE(m_link->pendingOperation(), 0);
    if (operation != 6) {
        m_line->failWrites = false;
        m_link->onLinkTick();
        QCOMPARE(lastWritten(), Requests::statusPoll());
    }
}

void TestDeviceLink::newConnectionStartsClean()
{
    connectAndEstablish();
    goOnline();
    m_link->onLinkTick();
    m_link->onReplyTimeout();
    m_link->onLinkTick();
    m_link->onReplyTimeout();
    m_link->disconnectDevice();
    m_link->onLinkTick();
    m_link->onCloseWaitElapsed();
    QVERIFY(!m_line->isOpen());

    m_link->connectDevice();
    QCOMPARE(m_link->retryCount(), 0u);
    // An operation asked for while the procedure runs is refused: no tick would carry it.
    m_link->readSettings();
    QCOMPARE(m_log.last(), QString("Urządzenie niepodłączone"));
    m_link->reset();
    QCOMPARE(m_log.last(), QString("Komunikacja już jest rozłączona"));
    m_line->deliver(probeAnswer());
    m_link->onConnectTick();
    m_line->deliver(writeAnswer(0, 1));
    m_link->onConnectTick();
    QCOMPARE(m_link->pendingOperation(), 0);
    m_line->clearRecords();
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::statusPoll());
    m_link->onReplyTimeout();
    QCOMPARE(m_log.last(), QString("Limit czasu:1"));
}

void TestDeviceLink::lostLineEndsLinkOnce()
{
    connectAndEstablish();
    goOnline();
    m_link->readEventRegister();
    m_log.clear();
    QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
    m_line->loseLine();
    m_line->loseLine();
    QVERIFY(!m_line->isOpen());
    QTRY_COMPARE(ended.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(m_log,
             (QStringList{"Utracono połączenie z portem COM7",
                          "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian"}));
    QVERIFY(!m_link->readingEvents());
    QVERIFY(!m_link->isTimerActive(LinkTimer::Tick));
    QVERIFY(!m_link->IsConnected());
    m_link->connectDevice();
    QVERIFY(m_line->isOpen());
}

void TestDeviceLink::truncatedRepliesReadNothingBeyond()
{
    connectAndEstablish();
    goOnline();
    m_log.clear();
    m_link->readSettings();
    m_link->onLinkTick();
    // A reply handed over with fewer bytes than its count claims.
    m_link->onFrame(FrameStatus::FRAME_OK, hex("ff 03 14 01 02 03"));
    QCOMPARE(m_log.last(), QString("Odczyt niepełny"));
    QVERIFY(!m_data->settingsValid);
    m_link->onFrame(FrameStatus::FRAME_OK, hex("ff 10 00"));
    QCOMPARE(m_log.last(), QString("Niepoprawny zapis do Dorvik"));
    m_link->onFrame(FrameStatus(2), hex("ff"));
    QCOMPARE(m_log.last(), QString("Nieznany błąd"));
}

void TestDeviceLink::lateAnswerKeepsDisconnect_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QByteArray>("lateAnswer");
    QTest::newRow("settings read") << 1 << settingsAnswer(SettingsImage{}, 0);
    QTest::newRow("settings write") << 2 << writeAnswer(0, 7);
}

// An answer that arrives after its time-out, once the user has asked to disconnect,
// must not cancel the disconnect: the link would otherwise poll on for ever.
void TestDeviceLink::lateAnswerKeepsDisconnect()
{
    QFETCH(int, operation);
    QFETCH(QByteArray, lateAnswer);
    connectAndEstablish();
    goOnline();
    command(operation);
    m_link->onLinkTick();
    m_link->onReplyTimeout();
    m_link->disconnectDevice();
    QCOMPARE(m_link->pendingOperation(), int(DeviceLink::OP_DISCONNECT));
    m_line->deliver(lateAnswer);
    QCOMPARE(m_link->pendingOperation(), int(DeviceLink::OP_DISCONNECT));
    m_link->onLinkTick();
    QCOMPARE(lastWritten(), Requests::linkClose());
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
