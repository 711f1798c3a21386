#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/linktesthelpers.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Fake;

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
    QByteArray m_held;
    QByteArray m_steps;
    qint64 m_now = 0;

    DeviceImage& image() { return m_data->image(); }
    QByteArray last() const { return m_line->written.value(m_line->written.size() - 1); }

    // Runs a script of steps. The link: O connected and online after a status answer, the
    // records cleared; C "Połącz", c connect tick, t link tick, o reply time-out, p end of the
    // error pause, w end of the wait before closing, L the line lost, F writes fail from now
    // on (or again succeed), Z the port cannot be opened (or again can), b nor at 9600 and
    // 2400 baud, M the clock 100 s on, T 777 typed as the factory number, H a register held.
    // Replies: P probe (of combination 7), Q one of combination 0, A link opening
    // acknowledged, S status, s a later one (version 0.9, selector 0x24), E write answer
    // echoing the request, e one with a wrong count, X exception, R settings 1..16 of
    // combination 15, D the held settings, d those of combination 3, K a bad CRC, Y an
    // unknown function, B the event block asked for, U replies shorter than they claim. The
    // user's commands: 1 read, 2 write, 3 compare settings, 4 factory number 12345,
    // 5 disconnect, 6 reset, 7 RS-485, 8 event register, 9 factory number 65536.
    void run(const QByteArray& steps)
    {
        using L = DeviceLink;
        static const QByteArray calls = "Cctopw1235678", answers = "PQASseRDdKY";
        static void (L::*const handlers[])() = {
            &L::connectDevice,       &L::onConnectTick,      &L::onLinkTick,   &L::onReplyTimeout,
            &L::onErrorPauseElapsed, &L::onCloseWaitElapsed, &L::readSettings, &L::writeSettings,
            &L::compareSettings,     &L::disconnectDevice,   &L::reset,        &L::writeRs485Config,
            &L::readEventRegister};
        const SettingsImage& held = SettingsRecord::defaultImage;
        const SettingsImage other{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
        static const QByteArrayList replies(
            {probeAnswer(0xF0), probeAnswer(), writeAnswer(0, 1), statusAnswer(),
             statusAnswer({7300, 9, 6, 0x24, 4321}), writeAnswer(0, 3), settingsAnswer(other, 15),
             settingsAnswer(held, 0), settingsAnswer(held, 3), statusAnswer().chopped(1) + '\0',
             hex("ff 04 0c 00 00 00 00 00 00 00 16")});
        for (char step : steps) {
            const QByteArray sent = last();
            if (calls.contains(step))
                (m_link.get()->*handlers[calls.indexOf(step)])();
            else if (answers.contains(step))
                m_line->deliver(replies[answers.indexOf(step)]);
            else if (step == 'E')
                m_line->deliver(withCrc(sent.first(6)));
            else if (step == 'X')
                m_line->deliver(exceptionAnswer(sent.at(1), 4));
            else if (step == 'B')
                m_line->deliver(eventBlock(((uchar(sent[2]) << 8 | uchar(sent[3])) - 1024) / 12));
            else if (step == 'O')
                online();
            else if (step == 'H')
                holdRegister();
            else if (step == 'U')
                for (const char* reply : {"ff 03 14 01 02 03", "ff 10 00", "ff"})
                    m_link->onFrame(FrameStatus(reply[2] ? 0 : 2), hex(reply));
            else if (step == 'M')
                m_now += 100;
            else if (step == 'T')
                m_link->setFactoryNumberField(777);
            else if (step == 'L')
                m_line->loseLine();
            else if (step == 'F')
                m_line->failWrites = !m_line->failWrites;
            else if (step == 'Z')
                m_line->failingPorts =
                    m_line->failingPorts.isEmpty() ? QSet<QString>{"COM7"} : QSet<QString>{};
            else if (step == 'b')
                m_line->failingBaudRates = {9600, 2400};
            else
                m_link->writeFactoryNumber(step == '4' ? 12345 : 65536);
        }
        QCoreApplication::processEvents(); // a lost line is reported after the current event
    }
    // A register as an events file gives it, and what of it the link must not change.
    void holdRegister()
    {
        for (int slot = 0; slot < 256; ++slot)
            std::fill_n(image().entries[slot].bytes, 12, std::uint8_t(0xE0 ^ slot));
        image().readIndex = 256;
        image().timeBase = 77;
        image().writePosition = 5;
        image().registerFactoryNumber = 1234;
        image().deviceCombination = 3;
        m_held = held();
    }
    QByteArray held()
    {
        const DeviceImage& i = image();
        return QByteArray(reinterpret_cast<const char*>(i.entries), sizeof i.entries) +
               QString::asprintf("%d %u %d %d %d", i.readIndex, i.timeBase, i.writePosition,
                                 i.registerFactoryNumber, i.deviceCombination)
                   .toLatin1();
    }
    void online()
    {
        m_link->connectDevice();
        m_line->deliver(probeAnswer());
        run("cActS");
        QVERIFY(m_link->IsConnected());
        m_log.clear();
        m_line->clearRecords();
    }
    // What went to the line since the records were cleared: the rates it was opened at,
    // the requests by name, and flushes.
    QString sent() const
    {
        const SettingsImage& held = SettingsRecord::defaultImage;
        QByteArrayList frames({Requests::linkProbe(), Requests::linkOpen(), Requests::statusPoll(),
                               Requests::settingsRead(), Requests::linkClose(), Requests::reset(),
                               Requests::factoryNumber(12345), Requests::settingsWrite(held),
                               Requests::rs485Write(held)});
        QStringList names =
            QString("probe open status read close reset number write rs485").split(' ');
        for (int slot = 0; slot < 256; slot += 16) {
            frames << Requests::eventBlockRead(slot);
            names << QString("block%1").arg(slot);
        }
        QStringList out;
        for (const QString& event : m_line->events) {
            if (event.startsWith("write "))
                out << names.value(frames.indexOf(QByteArray::fromHex(event.mid(6).toLatin1())),
                                   "?");
            else if (event.startsWith("open "))
                out << '@' + event.section(' ', 2);
            else if (event == "flush")
                out << "FLUSH";
        }
        return out.join(' ');
    }
    // The state afterwards: the line, the link, its timers, the data held.
    QString state()
    {
        QStringList facts{m_line->isOpen() ? "open" : "closed"};
        const auto fact = [&facts](bool on, const QString& name) {
            if (on)
                facts << name;
        };
        fact(m_link->IsConnected(), "online");
        fact(m_link->isTimerActive(LinkTimer::Connect), "connect");
        fact(m_link->isTimerActive(LinkTimer::Tick), "tick");
        fact(m_link->isTimerActive(LinkTimer::Reply), "reply");
        fact(m_link->isPausing(), QString("pause %1").arg(m_link->pauseInterval()));
        fact(m_link->isClosing(), "closing");
        fact(m_link->readingEvents(), "reading");
        fact(m_data->settingsValid, "valid");
        fact(!m_held.isEmpty() && held() == m_held, "held");
        const int sets = m_data->currentLabelSetIndex(),
                  flags = m_data->currentFlagOutputSetIndex();
        fact(sets + flags > 0, QString("sets %1/%2").arg(sets).arg(flags));
        // Nothing of an ended link stays (a number typed while unconnected is the user's).
        fact(!m_line->isOpen() && (m_link->versionText() != "0" || m_link->connectStage() != 0 ||
                                   image().factoryNumber != 0 ||
                                   (m_steps.startsWith('O') && m_link->factoryNumberField() != 0)),
             "stale");
        return facts.join(' ');
    }

    // The fields of the status, the timers' periods, the register held and whether its
    // entries are those of the blocks B gives.
    QString fields()
    {
        const DeviceImage& i = image();
        QByteArray blocks;
        for (int slot = 0; slot < 256; slot += 16)
            blocks += eventBlock(slot).mid(3, 192);
        return QString::asprintf(
            "v%s %uh #%u/%u file %d live %d selector %x base %lld tick %d reply %d "
            "register %d/%d/%d/%d%s",
            qPrintable(m_link->versionText()), m_link->operatingHours(),
            m_link->factoryNumberField(), i.factoryNumber, m_link->labelFileCode(),
            i.liveWritePosition, i.deviceSelector, m_now - i.timeBase,
            m_link->timerInterval(LinkTimer::Tick), m_link->timerInterval(LinkTimer::Reply),
            i.readIndex, i.writePosition, i.registerFactoryNumber, i.deviceCombination,
            QByteArray(reinterpret_cast<const char*>(i.entries), 3072) == blocks ? " read" : "");
    }

private slots:
    void init()
    {
        m_link.reset();
        m_log.clear();
        m_held.clear();
        m_now = 1'700'000'000;
        m_data = std::make_unique<DeviceData>();
        SettingsRecord::applyDefaults(*m_data);
        m_labels = std::make_unique<LabelStore>(*m_data, m_dir.path(), [](const QString&) {});
        m_labels->setLabelFileCode(LabelStore::startCode);
        m_line = std::make_unique<MemoryLine>();
        m_link = std::make_unique<DeviceLink>(*m_data, *m_labels, *m_line,
                                              [this](const QString& text) { m_log << text; });
        m_link->setClock([this] { return m_now; });
        m_link->setSelectedPort(QStringLiteral("COM7"));
        // A user operation's end shows in the log, "+2" confirmed, "-2" not, as does the end
        // of a link or an attempt.
        connect(m_link.get(), &DeviceLink::operationFinished, this, [this](int op, bool confirmed) {
            m_log << QString("%1%2").arg(confirmed ? '+' : '-').arg(op);
        });
        connect(m_link.get(), &DeviceLink::linkEnded, this, [this] { m_log << "ended"; });
    }

    void scripts_data()
    {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("fields"); // when given
        const auto row = [](const char* name, const QByteArray& steps, const QString& log,
                            const QString& sent, const char* state, const char* fields = "") {
            QTest::newRow(name) << steps << log << sent << QString(state) << QString(fields);
        };
        const QString start = "Próba połączenia... COM7", up = "Nawiązano połączenie COM7";
        const QString noAnswer = "Urządzenie nie odpowiada|ended",
                      noOpen = "Problem z otwarciem portu COM7|ended";
        const QString notConnected = "Urządzenie niepodłączone",
                      unsent = "Rozkaz nie został wysłany do portu COM7";
        const QString disconnected = "Komunikacja już jest rozłączona";
        const QString abandoned = "Odczyt rejestru zdarzeń nie został ukończony, rejestr bez zmian";
        const QString ended = abandoned + "|ended";
        const QString timeOuts = "Limit czasu:1|Limit czasu:2|Limit czasu:3|";
        const QString writing = "Zapisywanie nastaw do Dorvik rozpoczęto|";
        const QString comparing = "Porównanie nastaw rozpoczęto|";
        // Five probes at 19200 baud, then 9600, 38400 and 4800; the link opening at the rate
        // of the probe answered, then the link at 2400.
        const QString probes = QString("@19200 probe ").repeated(5);
        row("no probe answered", "Ccccccccc", start + '|' + noAnswer,
            probes + "@9600 probe @38400 probe @4800 probe", "closed");
        // It fails, and "Połącz" works again.
        row("port not opened", "ZCZC", noOpen + '|' + start, "@19200 @19200 probe", "open connect");
        row("no re-open at 2400", "bCPcAc", start + '|' + noOpen, "@19200 probe open @2400",
            "closed sets 7/0");
        row("link opening unanswered", "CPcc", start + '|' + noAnswer, "@19200 probe open",
            "closed sets 7/0");
        row("operations refused during it", "C16PcAct",
            start + '|' + notConnected + '|' + disconnected + '|' + up,
            "@19200 probe open @2400 status", "open tick reply sets 7/0");
        // The status answer: the fields of the page; the time base fixed by the first answer
        // of a link, a number typed before it kept.
        row("status", "O", "", "", "open online tick",
            "v2.2 1h #4321/4321 file 22 live 0 selector 11 base 3600 tick 1500 reply 1500 "
            "register -2/0/0/0");
        row("later status", "OMts", "", "status", "open online tick",
            "v0.9 2h #4321/4321 file 9 live 6 selector 24 base 3700 tick 1500 reply 1500 "
            "register -2/0/0/0");
        row("number typed", "CPcAcTtS", start + '|' + up, "@19200 probe open @2400 status",
            "open online tick sets 7/0",
            "v2.2 1h #777/0 file 22 live 0 selector 11 base 3600 tick 1500 reply 1500 "
            "register -2/0/0/0");
        // The register read: quicker ticks, the held register (as from a file) kept until the
        // last block, then replaced whole, dated and ordered by the link's own status.
        QString all = "status status";
        for (int slot = 0; slot < 240; slot += 16)
            all += QString(" block%1").arg(slot);
        const QByteArray whole = "OHts8tS" + QByteArray("tB").repeated(15);
        row("register read under way", whole, "Czytanie rejestru zdarzeń", all,
            "open online tick reading held",
            "v2.2 1h #4321/4321 file 22 live 0 selector 11 base 1699999923 tick 600 reply 1000 "
            "register 256/5/1234/3");
        row("register read, a late block after it", whole + "tBBt",
            "Czytanie rejestru zdarzeń|Rejestr zdarzeń odczytany", all + " block240 status",
            "open online tick reply",
            "v2.2 1h #4321/4321 file 22 live 0 selector 11 base 3600 tick 1500 reply 1500 "
            "register 256/6/4321/9 read");
        // The user's operations, one request at a time, each done once.
        row("write settings", "O2ttEt", writing + "Nastawy zapisano do Dorvik|+2", "write status",
            "open online tick reply");
        row("write settings, wrong count", "O2tet", writing + "Niepoprawny zapis do Dorvik|-2",
            "write status", "open online tick reply");
        row("factory number 65536", "O9t", "Numer fabryczny większy niż 65535", "status",
            "open online tick reply");
        row("read settings", "O1tRt", "Czytanie rozpoczęto|Nastawy odczytano|+1", "read status",
            "open online tick reply valid sets 15/15");
        row("truncated replies", "O1tU",
            "Czytanie rozpoczęto|Odczyt niepełny|Niepoprawny zapis do Dorvik|Nieznany błąd", "read",
            "open online tick pause 500");
        row("compare, identical", "O3tDt", comparing + "Nastawy identyczne|+3", "read status",
            "open online tick reply");
        row("compare, combination differs", "O3tdt", comparing + "Nastawy różne|+3", "read status",
            "open online tick reply");
        row("exception to a write", "O2tXt", writing + "Dorvik odrzucił rozkaz, kod wyjątku 4|-2",
            "write status", "open online tick reply");
        // Disconnect and reset: the last frame flushed, the port held for the wait.
        row("disconnect, waiting", "OC85t", "Program już jest podłączny do urządzenia|Rozłączanie",
            "close FLUSH", "open closing reading");
        row("disconnect", "O85tAtw", "Rozłączanie|Rozłączono|+5|" + ended, "close FLUSH", "closed");
        row("reset", "O86tAtwC", "Rozkaz Reset|Rozkaz Reset Wysłano|+6|" + ended + '|' + start,
            "reset FLUSH @19200 probe", "open connect");
        // Four tries, then the port is let go without a closing frame to a silent controller.
        row("status poll time-outs", "OtotototoC",
            timeOuts + "Rozłączanie|Rozłączanie|ended|" + start,
            "status status status status @19200 probe", "open connect");
        row("settings read time-outs", "O1totototo",
            "Czytanie rozpoczęto|" + timeOuts + "Minął limit czasu|ended", "read read read read",
            "closed");
        // A register read abandoned leaves the held register as it was.
        const QByteArray read = "OH8tStBtBtBtB";
        const QString reading = "Czytanie rejestru zdarzeń|",
                      blocks = "status block0 block16 block32 block48";
        row("read refused", read + "tX",
            reading + "Dorvik odrzucił rozkaz, kod wyjątku 4|" + abandoned, blocks + " block64",
            "open online tick held");
        row("read timed out", read + "totototo",
            reading + timeOuts + "Rozłączanie|Rozłączanie|" + ended,
            blocks + QString(" block64").repeated(4), "closed held");
        row("read, disconnect", read + "5tw", reading + "Rozłączanie|Rozłączono|+5|" + ended,
            blocks + " close FLUSH", "closed held");
        row("read, line lost twice", read + "LL",
            reading + "Utracono połączenie z portem COM7|" + ended, blocks, "closed held");
        row("read, reset", read + "6tw", reading + "Rozkaz Reset|Rozkaz Reset Wysłano|+6|" + ended,
            blocks + " reset FLUSH", "closed");
        // A slow controller answers every try, late: after a good answer the line is drained
        // for as long as the answers of the earlier tries may take, so that none is taken
        // for the answer to the next request.
        row("late block answer", "O8tStotBtBptB", "Limit czasu:1|Czytanie rejestru zdarzeń",
            "status block0 block0 block16", "open online tick reading");
        row("drain after three time-outs", "O8tStotototB",
            "Limit czasu:1|Limit czasu:2|Limit czasu:3|Czytanie rejestru zdarzeń",
            "status block0 block0 block0 block0", "open online tick pause 5300 reading");
        row("time-outs of an earlier link", "Ototo5twCPcActo",
            "Limit czasu:1|Limit czasu:2|Rozłączanie|Rozłączono|+5|ended|" + start + '|' + up +
                "|Limit czasu:1",
            "status status close FLUSH @19200 probe open @2400 status", "open tick reply sets 7/0");
        // A bad reply: an error pause, the tick deferred to its end, answers in it dropped.
        row("bad crc", "CPcActKtSpSto", start + '|' + up + "|Błąd CRC|Limit czasu:1",
            "@19200 probe open @2400 status status status", "open online tick reply sets 7/0");
        // Status polls refused or spoilt in a row get the tries of a time-out.
        const QString refused = "Dorvik odrzucił rozkaz, kod wyjątku 4|";
        row("status polls refused", "OtXtXtStXtQtXtX",
            refused.repeated(3) + "Odczyt niepełny|" + refused.repeated(2) +
                "Dorvik odrzuca odczyt stanu, połączenie zakończone|ended",
            QString("status ").repeated(7).trimmed(), "closed");
        // A request that did not leave: a try without an answer, or the operation ended.
        // Probe answers count only while probing: on an open link it changes no combination.
        row("probe answer on an open link", "OtP", "Odczyt niepełny", "status", "open online tick");
        row("status poll unsent", "OFt", unsent, "status", "open online tick reply");
        row("settings write unsent", "O2FtFt", writing + unsent + "|-2", "write status",
            "open online tick reply");
        row("compare unsent", "O3FtFt", comparing + unsent + "|-3", "read status",
            "open online tick reply");
        row("reset unsent", "O6FtFt", "Rozkaz Reset|" + unsent + "|-6|ended", "reset", "closed");
        // A late answer after the user asked to disconnect keeps the disconnect.
        row("late settings answer", "O1to5Rt",
            "Czytanie rozpoczęto|Limit czasu:1|Rozłączanie|Nastawy odczytano|+1",
            "read close FLUSH", "open closing valid sets 15/15");
    }

    void scripts()
    {
        QFETCH(QByteArray, steps);
        run(m_steps = steps);
        QTEST(m_log.join('|'), "log");
        QTEST(sent(), "sent");
        QTEST(state(), "state");
        QFETCH(QString, fields);
        if (!fields.isEmpty())
            QCOMPARE(this->fields(), fields);
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
