#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "linktesthelpers.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Fake;

static const QString abandoned = "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian";

// The engine driven step by step: the tests call the timer handlers and deliver the
// controller's replies on an in-memory line; no real time passes.
class TestDeviceLink : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<DeviceData> m_data;
    std::unique_ptr<LabelStore> m_labels;
    std::unique_ptr<MemoryLine> m_line;
    std::unique_ptr<DeviceLink> m_link;
    QStringList m_log;
    qint64 m_now = 1'700'000'000;

    DeviceImage& image() { return m_data->image(); }
    QByteArray last() const { return m_line->written.value(m_line->written.size() - 1); }
    void tick(const QByteArray& reply)
    {
        m_link->onLinkTick();
        m_line->deliver(reply);
    }
    void timeOut()
    {
        m_link->onLinkTick();
        m_link->onReplyTimeout();
    }
    // Steps of the connection procedure: c a connect tick, p the probe answered, a the
    // link opening acknowledged.
    void connecting(const QByteArray& steps)
    {
        for (char step : steps) {
            if (step == 'c')
                m_link->onConnectTick();
            else
                m_line->deliver(step == 'p' ? probeAnswer() : writeAnswer(0, 1));
        }
    }
    // Connected and online after the first status answer; records cleared.
    void online(const Status& status = {})
    {
        m_link->connectDevice();
        connecting("pcac");
        tick(statusAnswer(status));
        QVERIFY(m_link->IsConnected());
        m_log.clear();
        m_line->clearRecords();
    }
    // The user's command for an operation number as the tables give it.
    void command(int operation)
    {
        switch (operation) {
        case 1:
            return m_link->readSettings();
        case 2:
            return m_link->writeSettings();
        case 3:
            return m_link->compareSettings();
        case 4:
            return m_link->writeFactoryNumber(12345);
        case 5:
            return m_link->disconnectDevice();
        case 6:
            return m_link->reset();
        case 7:
            return m_link->writeRs485Config();
        case 8:
            return m_link->readEventRegister();
        case 9:
            return m_link->writeFactoryNumber(65536);
        }
    }

private slots:
    void init()
    {
        m_link.reset();
        m_log.clear();
        m_data = std::make_unique<DeviceData>();
        SettingsRecord::applyDefaults(*m_data);
        m_labels = std::make_unique<LabelStore>(*m_data, m_dir.path(), [](const QString&) {});
        m_labels->setLabelFileCode(LabelStore::startCode);
        m_line = std::make_unique<MemoryLine>();
        m_link = std::make_unique<DeviceLink>(*m_data, *m_labels, *m_line,
                                              [this](const QString& text) { m_log << text; });
        m_link->setClock([this] { return m_now; });
        m_link->setSelectedPort(QStringLiteral("COM7"));
    }

    void probing_data()
    {
        QTest::addColumn<int>("answered"); // the probe answered, 0: none
        QTest::addColumn<int>("baud");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("first probe") << 1 << 19200;
        QTest::newRow("sixth probe") << 6 << 9600;
        QTest::newRow("eighth probe") << 8 << 4800;
    }

    void probing()
    {
        QFETCH(int, answered);
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        m_link->connectDevice();
        QCOMPARE(m_log, QStringList{"Próba połączenia... COM7"});
        QCOMPARE(m_link->timerInterval(LinkTimer::Connect), 300);
        if (!answered) {
            connecting("cccccccc");
            QCOMPARE(m_line->events.filter("open"), QStringList(5, "open COM7 19200")
                                                        << "open COM7 9600"
                                                        << "open COM7 38400"
                                                        << "open COM7 4800");
            QCOMPARE(m_line->written, QList<QByteArray>(8, Requests::linkProbe()));
            QVERIFY(!m_line->isOpen() && !m_link->isTimerActive(LinkTimer::Connect));
            QCOMPARE(m_log.last(), QString("Urządzenie nie odpowiada"));
            QCOMPARE(ended.count(), 1);
            return;
        }
        connecting(QByteArray(answered - 1, 'c'));
        QTEST(m_line->baudRate(), "baud");
        m_line->deliver(probeAnswer(0xF0));
        // Bits 4..6 only: 0xF0 gives 7. Only the label set moves with it.
        QCOMPARE(image().combinationIndex, 7u);
        QCOMPARE(m_data->currentLabelSetIndex(), 7);
        QCOMPARE(m_data->currentFlagOutputSetIndex(), 0);
        m_link->onConnectTick();
        QCOMPARE(last(), Requests::linkOpen());
        QTEST(m_line->baudRate(), "baud"); // the link opening goes out at the probe rate
        m_line->deliver(writeAnswer(0, 1));
        image().timeBase = 99;
        image().readIndex = 256;
        m_link->onConnectTick();
        QCOMPARE(m_line->baudRate(), 2400);
        QCOMPARE(m_log.last(), QString("Nawiązano połączenie COM7"));
        QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 1500);
        QCOMPARE(image().timeBase, 0u);
        QCOMPARE(image().readIndex, -2);
        QVERIFY(!m_link->IsConnected()); // until the first status answer
    }

    void connectionFailures_data()
    {
        QTest::addColumn<QString>("failingPort");
        QTest::addColumn<int>("failingBaud");
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QString>("message");
        const QString noOpen = "Problem z otwarciem portu COM7";
        QTest::newRow("first open") << "COM7" << 0 << QByteArray() << noOpen;
        QTest::newRow("re-open at 9600") << "" << 9600 << QByteArray("ccccc") << noOpen;
        QTest::newRow("re-open at 2400") << "" << 2400 << QByteArray("pcac") << noOpen;
        QTest::newRow("link opening unanswered")
            << "" << 0 << QByteArray("pcc") << "Urządzenie nie odpowiada";
    }

    void connectionFailures()
    {
        QFETCH(QString, failingPort);
        QFETCH(int, failingBaud);
        QFETCH(QByteArray, steps);
        m_line->failingPorts = {failingPort};
        m_line->failingBaudRates = {failingBaud};
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        m_link->connectDevice();
        connecting(steps);
        QTEST(m_log.last(), "message");
        QVERIFY(!m_line->isOpen()); // not left open with nothing driving it
        QVERIFY(!m_link->isTimerActive(LinkTimer::Connect) &&
                !m_link->isTimerActive(LinkTimer::Tick));
        QCOMPARE(ended.count(), 1);
        m_line->failingPorts.clear();
        m_line->failingBaudRates.clear();
        m_link->connectDevice(); // "Połącz" works again
        QVERIFY(m_line->isOpen());
    }

    void status_data()
    {
        QTest::addColumn<quint32>("typed"); // a factory number typed before the first answer
        QTest::newRow("nothing typed") << 0u;
        QTest::newRow("typed") << 777u;
    }

    void status()
    {
        QFETCH(quint32, typed);
        m_link->connectDevice();
        connecting("pcac");
        m_link->setFactoryNumberField(typed);
        tick(statusAnswer({3600, 22, 5, 0x24, 4321}));
        QCOMPARE(last(), hex("ff 03 00 0c 00 06 10 15"));
        QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1500);
        QVERIFY(m_link->IsConnected());
        QCOMPARE(m_link->versionText(), QString("2.2"));
        QCOMPARE(m_link->operatingHours(), 1u);
        QCOMPARE(m_link->factoryNumberField(), typed ? typed : 4321u);
        QCOMPARE(image().factoryNumber, typed ? 0 : 4321);
        QCOMPARE(m_link->labelFileCode(), 22);
        QCOMPARE(image().liveWritePosition, 5);
        QCOMPARE(image().deviceSelector, 0x24);
        QCOMPARE(image().timeBase, quint32(m_now - 3600));
        // The time base is fixed by the first answer only.
        m_now += 100;
        tick(statusAnswer({7300, 9, 6, 0x24, 4321}));
        QCOMPARE(image().timeBase, quint32(m_now - 100 - 3600));
        QCOMPARE(m_link->operatingHours(), 2u);
        QCOMPARE(m_link->versionText(), QString("0.9"));
    }

    void operations_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("confirmed");
        const QByteArray write = hex("ff100000 0007 0e 0000 0001 65bd 333d 1565 952f 0206 08d3");
        const QString writing = "Zapisywanie nastaw do Dorvik rozpoczęto";
        const QByteArray read = Requests::settingsRead();
        const QString comparing = "Porównanie nastaw rozpoczęto";
        const SettingsImage& held = SettingsRecord::defaultImage;
        QTest::newRow("write settings")
            << 2 << write << writeAnswer(0, 7) << QStringList{writing, "Nastawy zapisano do Dorvik"}
            << true;
        QTest::newRow("write settings, wrong count")
            << 2 << write << writeAnswer(0, 3)
            << QStringList{writing, "Niepoprawny zapis do Dorvik"} << false;
        QTest::newRow("factory number")
            << 4 << Requests::factoryNumber(12345) << writeAnswer(0, 2)
            << QStringList{"Wysyłanie numeru fabrycznego", "Numer fabryczny zapisano do Dorvik"}
            << true;
        QTest::newRow("rs485") << 7 << hex("ff 10 00 07 00 01 02 00 21 2f 9b") << writeAnswer(7, 1)
                               << QStringList{"Zapisywanie Konfiguracji RS485",
                                              "Konfigurację RS485 zapisano do Dorvik"}
                               << true;
        QTest::newRow("read settings")
            << 1 << read
            << settingsAnswer({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}, 15)
            << QStringList{"Czytanie rozpoczęto", "Nastawy odczytano"} << true;
        QTest::newRow("read settings, other size")
            << 1 << read << readAnswer(QByteArray(19, '\0'))
            << QStringList{"Czytanie rozpoczęto", "Odczyt niepełny"} << false;
        QTest::newRow("compare, identical")
            << 3 << read << settingsAnswer(held, 0) << QStringList{comparing, "Nastawy identyczne"} << true;
        SettingsImage changed = held;
        changed.bytes[14] ^= 0x40;
        QTest::newRow("compare, a byte differs")
            << 3 << read << settingsAnswer(changed, 0) << QStringList{comparing, "Nastawy różne"} << true;
        QTest::newRow("compare, the combination differs")
            << 3 << read << settingsAnswer(held, 3) << QStringList{comparing, "Nastawy różne"} << true;
    }

    void operations()
    {
        QFETCH(int, operation);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(bool, confirmed);
        online();
        QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
        command(operation);
        m_link->onLinkTick();
        m_link->onLinkTick(); // one request at a time: nothing while the answer is awaited
        QCOMPARE(m_line->written, QList<QByteArray>{request});
        QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1500);
        m_line->deliver(answer);
        QTEST(m_log, "log");
        const bool stored = operation == 1 && confirmed;
        QCOMPARE(m_data->settingsValid, stored);
        QCOMPARE(image().settings.bytes[15], stored ? 16 : 0x21);
        QCOMPARE(image().combinationIndex, stored ? 15u : 0u);
        QCOMPARE(m_data->currentFlagOutputSetIndex(), stored ? 15 : 0);
        m_link->onLinkTick();
        if (operation == 1 && !confirmed) { // an answer of another size is asked for again
            QCOMPARE(last(), Requests::settingsRead());
            return;
        }
        QCOMPARE(finished, (QList<QVariantList>{{operation, confirmed}}));
        QCOMPARE(last(), Requests::statusPoll());
    }

    void refused_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("message");
        for (int op : {1, 2, 3, 4, 7, 8})
            QTest::addRow("operation %d", op) << op << false << "Urządzenie niepodłączone";
        QTest::newRow("disconnect") << 5 << false << "Komunikacja już jest rozłączona";
        QTest::newRow("reset") << 6 << false << "Komunikacja już jest rozłączona";
        QTest::newRow("factory number 65536") << 9 << true << "Numer fabryczny większy niż 65535";
    }

    void refused()
    {
        QFETCH(int, operation);
        QFETCH(bool, connected);
        if (connected)
            online();
        command(operation);
        QTEST(m_log.join('|'), "message");
        QVERIFY(!m_link->readingEvents());
        QCOMPARE(image().readIndex, -2);
        QVERIFY(m_line->events.isEmpty());
        m_link->onLinkTick();
        QCOMPARE(last(), connected ? Requests::statusPoll() : QByteArray());
    }

    void closing_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("closed");
        QTest::newRow("disconnect")
            << false << "Rozłączanie" << Requests::linkClose() << "Rozłączono";
        QTest::newRow("reset") << true << "Rozkaz Reset" << Requests::reset()
                               << "Rozkaz Reset Wysłano";
    }

    void closing()
    {
        QFETCH(bool, reset);
        QFETCH(QString, command);
        QFETCH(QByteArray, frame);
        QFETCH(QString, closed);
        online({3600, 22, 9, 0x11, 4321});
        m_link->connectDevice();
        QCOMPARE(m_log, QStringList{"Program już jest podłączny do urządzenia"});
        m_link->readEventRegister();
        m_log.clear();
        QSignalSpy access(m_link.get(), &DeviceLink::deviceAccessCleared);
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        reset ? m_link->reset() : m_link->disconnectDevice();
        QCOMPARE(m_link->IsConnected(), reset);
        m_link->onLinkTick();
        // The last frame is flushed and the port held open for the 200 ms wait.
        QCOMPARE(m_line->events, (QStringList{"purge", "write " + frame.toHex(' '), "flush"}));
        QVERIFY(m_line->isOpen() && !m_link->isTimerActive(LinkTimer::Tick));
        tick(writeAnswer(0, 1)); // nothing goes out, nothing is taken while closing
        QCOMPARE(m_line->written.size(), 1);
        if (reset) {
            QCOMPARE(image().readIndex, -2);
            QCOMPARE(image().timeBase, 0u);
            QCOMPARE(image().liveWritePosition, 0);
        }
        m_link->onCloseWaitElapsed();
        QCOMPARE(m_line->events.last(), QString("close"));
        QCOMPARE(m_log, (QStringList{command, closed, abandoned}));
        QCOMPARE(access.count(), 1);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(m_link->versionText(), QString("0"));
        QCOMPARE(m_link->factoryNumberField(), 0u);
        QCOMPARE(image().factoryNumber, 0);
        m_link->connectDevice();
        QCOMPARE(m_log.last(), QString("Próba połączenia... COM7"));
    }

    void timeOuts_data()
    {
        QTest::addColumn<int>("outstanding"); // 0 a status poll, 1 a settings read, 2 a block
        QTest::addColumn<QStringList>("finalLog");
        QTest::newRow("status poll") << 0 << QStringList{"Rozłączanie", "Rozłączanie"};
        QTest::newRow("settings read") << 1 << QStringList{"Minął limit czasu"};
        // The block read leaves the poll's -1 in place: the disconnect path.
        QTest::newRow("register read") << 2 << QStringList{"Rozłączanie", "Rozłączanie", abandoned};
    }

    void timeOuts()
    {
        QFETCH(int, outstanding);
        online();
        QByteArray request = Requests::statusPoll();
        if (outstanding == 1) {
            m_link->readSettings();
            request = Requests::settingsRead();
        }
        if (outstanding == 2) {
            m_link->readEventRegister();
            tick(statusAnswer());
            tick(eventBlock(0));
            tick(eventBlock(16));
            request = Requests::eventBlockRead(32);
        }
        m_log.clear();
        m_line->clearRecords();
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        for (int i = 1; i <= 3; ++i) {
            timeOut();
            QCOMPARE(m_log.last(), QString("Limit czasu:%1").arg(i));
            QVERIFY(m_link->isTimerActive(LinkTimer::Reply));
        }
        timeOut();
        QTEST(m_log.mid(3), "finalLog");
        QCOMPARE(m_line->written, QList<QByteArray>(4, request)); // no closing to a silent one
        QVERIFY(!m_line->isOpen());
        QVERIFY(!m_link->isTimerActive(LinkTimer::Reply) &&
                !m_link->isTimerActive(LinkTimer::Tick));
        QCOMPARE(m_link->pendingOperation(), 0);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!m_link->readingEvents());
        QCOMPARE(image().readIndex, -2);
        m_link->connectDevice();
        QVERIFY(m_line->isOpen());
    }

    void badFrames_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");
        QByteArray badCrc = statusAnswer();
        badCrc.back() = char(badCrc.back() ^ 1);
        QTest::newRow("crc") << badCrc << "Błąd CRC";
        // Every byte from the third on is a type error; one line is logged, the rest dropped.
        QTest::newRow("type") << hex("ff 04 0c 00 00 00 00 00 00 00 16") << "Błąd typu ramki";
    }

    void badFrames()
    {
        QFETCH(QByteArray, reply);
        m_link->connectDevice();
        connecting("pcac");
        m_log.clear();
        tick(reply);
        QTEST(m_log.join('|'), "message");
        QVERIFY(m_link->isPausing() && !m_link->isTimerActive(LinkTimer::Reply));
        m_line->clearRecords();
        // A tick that falls into the pause runs when it ends, after the purge; an answer
        // arriving meanwhile is discarded.
        tick(statusAnswer());
        QVERIFY(m_line->written.isEmpty() && !m_link->online());
        m_link->onErrorPauseElapsed();
        QCOMPARE(m_line->events, (QStringList{"purge", "purge", "write ff 03 00 0c 00 06 10 15"}));
        QCOMPARE(m_link->retryCount(), 0u); // errors are not time-outs
        m_line->deliver(statusAnswer());
        QVERIFY(m_link->IsConnected());
        QCOMPARE(m_log.size(), 1);
    }

    // A controller slower than the reply time-out answers every try, late. Replies do not
    // say which request they answer: a late one must never be taken for the next one's.
    void lateReplies_data()
    {
        QTest::addColumn<int>("timeOuts"); // tries of block 0 that timed out before an answer
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
    }

    void lateReplies()
    {
        QFETCH(int, timeOuts);
        online();
        m_link->readEventRegister();
        tick(statusAnswer());
        m_line->clearRecords();
        for (int i = 0; i < timeOuts; ++i)
            timeOut();
        tick(eventBlock(0));
        QCOMPARE(m_line->written, QList<QByteArray>(timeOuts + 1, Requests::eventBlockRead(0)));
        // The answers of the unanswered tries may come up to as many time-outs and ticks
        // later: they are drained, with the error pause to spare.
        const LinkTimings t;
        QCOMPARE(m_link->isPausing(), timeOuts > 0);
        if (timeOuts)
            QCOMPARE(m_link->pauseInterval(),
                     timeOuts * (t.eventReplyTimeout + t.eventTick) + t.errorPause);
        for (int late = 0; late < timeOuts; ++late)
            tick(eventBlock(0));
        m_link->onErrorPauseElapsed();
        tick(eventBlock(16));
        QCOMPARE(last(), Requests::eventBlockRead(16));
        QCOMPARE(m_link->registerProgress(), 32);
        const EventEntry* entries = m_link->registerRead().entries;
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(entries), 32 * sizeof(EventEntry)),
                 eventBlock(0).mid(3, 192) + eventBlock(16).mid(3, 192));
        QCOMPARE(m_link->retryCount(), 0u);
    }

    void eventRegisterRead()
    {
        online({100, 22, 37, 0x24, 4321});
        // An events file loaded on this link: the read replaces it whole, dated and
        // ordered by the controller's own status, not by the file.
        image().timeBase = 1'000'000'000;
        image().liveWritePosition = image().writePosition = 200;
        image().readIndex = 256;
        QSignalSpy completed(m_link.get(), &DeviceLink::registerCompleted);
        m_link->readEventRegister();
        // The next status answer starts the read and speeds up the tick.
        tick(statusAnswer({100, 22, 38, 0x24, 4321}));
        QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 600);
        for (int block = 0; block < 16; ++block) {
            QCOMPARE(image().writePosition, 200); // the held register until the last block
            tick(eventBlock(16 * block));
            QCOMPARE(last(), Requests::eventBlockRead(16 * block));
            QCOMPARE(m_link->timerInterval(LinkTimer::Reply), 1000);
            QCOMPARE(m_link->registerProgress(), 16 * (block + 1));
        }
        QCOMPARE(m_log, (QStringList{"Czytanie rejestru zdarzeń", "Rejestr zdarzeń odczytany"}));
        QVERIFY(m_link->eventsRead() && !m_link->readingEvents());
        QCOMPARE(m_link->timerInterval(LinkTimer::Tick), 1500);
        QCOMPARE(image().readIndex, 256);
        QCOMPARE(image().timeBase, quint32(m_now - 100));
        QCOMPARE(image().writePosition, 37);
        QCOMPARE(image().registerFactoryNumber, 4321);
        QCOMPARE(image().deviceCombination, 9); // selector 0x24
        for (int slot : {0, 17, 255})
            QCOMPARE(image().entries[slot].bytes[11], std::uint8_t(slot * 3 + 11));
        // A late duplicate block changes nothing and reports nothing.
        m_line->deliver(eventBlock(0));
        QCOMPARE(completed.count(), 1);
        QCOMPARE(m_log.size(), 2);
        m_link->onLinkTick();
        QCOMPARE(last(), Requests::statusPoll());
    }

    void abandonedReadKeepsRegister_data()
    {
        QTest::addColumn<int>("ending"); // how the read ends after four blocks
        QTest::addColumn<QString>("message");
        QTest::newRow("exception") << 0 << "Dorvik odrzucił rozkaz, kod wyjątku 2";
        QTest::newRow("fourth time-out") << 1 << "Rozłączanie";
        QTest::newRow("disconnect") << 2 << "Rozłączono";
        QTest::newRow("port lost") << 3 << "Utracono połączenie z portem COM7";
        QTest::newRow("reset") << 4 << "Rozkaz Reset Wysłano";
    }

    void abandonedReadKeepsRegister()
    {
        QFETCH(int, ending);
        QFETCH(QString, message);
        online({100, 22, 37, 0x24, 4321});
        for (int slot = 0; slot < 256; ++slot)
            std::fill_n(image().entries[slot].bytes, 12, std::uint8_t(0xE0 ^ slot));
        image().readIndex = 256;
        image().timeBase = 77;
        image().writePosition = 5;
        image().registerFactoryNumber = 1234;
        image().deviceCombination = 3;
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        m_link->readEventRegister();
        tick(statusAnswer({100, 22, 38, 0x24, 4321}));
        const QByteArray held(reinterpret_cast<const char*>(&image()), sizeof(DeviceImage));
        for (int block = 0; block < 4; ++block)
            tick(eventBlock(16 * block));
        m_log.clear();
        if (ending == 0)
            tick(exceptionAnswer(0x03, 2));
        for (int i = 0; ending == 1 && i < 4; ++i)
            timeOut();
        if (ending == 2 || ending == 4) {
            command(ending == 2 ? 5 : 6);
            m_link->onLinkTick();
            m_link->onCloseWaitElapsed();
        }
        if (ending == 3) {
            m_line->loseLine();
            m_line->loseLine();
            QTRY_VERIFY(!m_link->readingEvents());
            QCoreApplication::processEvents();
        }
        QVERIFY(m_log.contains(message));
        QVERIFY(!m_link->readingEvents() && !m_link->eventsRead());
        QCOMPARE(m_log.count(abandoned), 1);
        QCOMPARE(ended.count(), ending == 0 ? 0 : 1); // a lost line is reported once
        QCOMPARE(m_link->IsConnected(), ending == 0);
        if (ending != 0) { // the end of the link clears the controller's number
            QCOMPARE(image().factoryNumber, 0);
            image().factoryNumber = 4321;
        }
        if (ending == 4) { // the reset command unsets the time base and the read state
            QCOMPARE(image().readIndex, -2);
            QCOMPARE(image().timeBase, 0u);
            image().readIndex = 256;
            image().timeBase = 77;
            image().liveWritePosition = 38;
        }
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&image()), sizeof(DeviceImage)), held);
        if (ending == 0) {
            m_link->onLinkTick();
            QCOMPARE(last(), Requests::statusPoll());
        }
    }

    void exceptions_data()
    {
        QTest::addColumn<bool>("duringWrite"); // else during a status poll
        QTest::newRow("settings write") << true;
        QTest::newRow("status poll") << false;
    }

    void exceptions()
    {
        QFETCH(bool, duringWrite);
        online();
        QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
        QSignalSpy ended(m_link.get(), &DeviceLink::linkEnded);
        if (duringWrite)
            m_link->writeSettings();
        m_log.clear();
        tick(exceptionAnswer(duringWrite ? 0x10 : 0x03, 4));
        QCOMPARE(m_log, QStringList{"Dorvik odrzucił rozkaz, kod wyjątku 4"});
        // The link stays; what the user asked for is ended, not asked again.
        QVERIFY(m_link->IsConnected());
        QCOMPARE(finished.count(), duringWrite ? 1 : 0);
        m_link->onLinkTick();
        QCOMPARE(last(), Requests::statusPoll());
        if (duringWrite)
            return;
        // Status polls refused (or spoilt) in a row get the tries of a time-out, then the
        // port is let go; a good answer in between starts the count again.
        m_line->deliver(exceptionAnswer(0x03, 4));
        tick(statusAnswer());
        tick(exceptionAnswer(0x03, 4));
        tick(withCrc(hex("ff 03 02 00 00")));
        tick(exceptionAnswer(0x03, 4));
        QVERIFY(m_line->isOpen());
        tick(exceptionAnswer(0x03, 4));
        QVERIFY(!m_line->isOpen());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(m_log.last(), QString("Dorvik odrzuca odczyt stanu, połączenie zakończone"));
    }

    void unsentRequests_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("status poll") << 0;
        QTest::newRow("settings write") << 2;
        QTest::newRow("compare") << 3;
        QTest::newRow("reset") << 6;
    }

    void unsentRequests()
    {
        QFETCH(int, operation);
        online();
        QSignalSpy finished(m_link.get(), &DeviceLink::operationFinished);
        command(operation);
        m_log.clear();
        m_line->failWrites = true;
        m_link->onLinkTick();
        QCOMPARE(m_log.first(), QStringLiteral("Rozkaz nie został wysłany do portu COM7"));
        // A poll that did not leave is a try without an answer; an operation ends unconfirmed.
        QCOMPARE(m_link->isTimerActive(LinkTimer::Reply), operation == 0);
        if (operation == 0)
            return;
        QCOMPARE(finished, (QList<QVariantList>{{operation, false}}));
        QVERIFY(!m_log.contains("Rozkaz Reset Wysłano"));
        QCOMPARE(m_line->isOpen(), operation != 6);
        m_line->failWrites = false;
        m_line->clearRecords();
        m_link->onLinkTick();
        QCOMPARE(m_line->written, operation == 6 ? QList<QByteArray>() : QList{Requests::statusPoll()});
    }

    void newConnectionStartsClean()
    {
        online();
        timeOut();
        timeOut();
        m_link->disconnectDevice();
        m_link->onLinkTick();
        m_link->onCloseWaitElapsed();
        m_link->connectDevice();
        // An operation asked for while the procedure runs is refused: no tick would carry it.
        m_link->readSettings();
        QCOMPARE(m_log.last(), QString("Urządzenie niepodłączone"));
        m_link->reset();
        QCOMPARE(m_log.last(), QString("Komunikacja już jest rozłączona"));
        connecting("pcac");
        timeOut();
        QCOMPARE(last(), Requests::statusPoll());
        QCOMPARE(m_log.last(), QString("Limit czasu:1"));
    }

    void truncatedReplies()
    {
        online();
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

    // An answer that comes after its time-out, once the user has asked to disconnect, must
    // not cancel the disconnect: the link would otherwise poll on for ever.
    void lateAnswerKeepsDisconnect_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QByteArray>("lateAnswer");
        QTest::newRow("settings read") << 1 << settingsAnswer(SettingsImage{}, 0);
        QTest::newRow("settings write") << 2 << writeAnswer(0, 7);
    }

    void lateAnswerKeepsDisconnect()
    {
        QFETCH(int, operation);
        QFETCH(QByteArray, lateAnswer);
        online();
        command(operation);
        timeOut();
        m_link->disconnectDevice();
        m_line->deliver(lateAnswer);
        m_link->onLinkTick();
        QCOMPARE(last(), Requests::linkClose());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
