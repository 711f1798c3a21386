#include "fleet/eventcursor.h"
#include "fleet/fleetmessages.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/password.h"
#include "model/settingsdiff.h"
#include "model/settingsrecord.h"
#include "model/signaltrace.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>
#include <numeric>

using namespace SettingsRecord;
using namespace EventRegister;

namespace {

QByteArray bytesOf(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes);
}

const QByteArray defaultHex = QByteArray::fromHex("0000000165BD333D1565952F02060021");

// An entry with the given counter and state bits, and a matching check byte.
EventEntry entry(std::uint32_t counter, const QList<int>& bits = {})
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = std::uint8_t(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= std::uint8_t(1u << (k % 8));
    e.bytes[11] = checkByte(e);
    return e;
}

constexpr qsizetype fullSize = qsizetype(labelAreaSize);

QByteArray areaOf(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().labelSets), fullSize);
}

// No zero byte anywhere, and a shifted copy shows.
QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i % 251 + 1);
    return bytes;
}

bool put(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(dir);
    QFile file(QDir(dir).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// From entry `from` on (in time order, 0 the oldest) the counter runs on in steps of 10
// from `counter`, with these bits set, until the next run.
struct Run {
    int from;
    std::uint32_t counter;
    QList<int> bits;
    bool valid = true;
};

} // namespace

Q_DECLARE_METATYPE(QList<Run>)

// The controller's records (settings, the event register) and texts: the system's own, its
// code page, the label files. Expected values are the controller's.
class TestModel : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    DeviceData m_data;
    QStringList m_log;
    LabelStore store(const QString& directory)
    {
        return LabelStore(m_data, directory, [this](const QString& line) { m_log << line; });
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = DeviceData();
        SettingsRecord::applyDefaults(m_data);
        LabelStore(m_data, QString(), {}).defaultFill();
        m_log.clear();
    }

    void strings()
    {
        // A value is never read as a format; a missing value leaves its mark.
        QCOMPARE(fillText(StringId::timeLimitCount, {"%d%s"}), QStringLiteral("Limit czasu:%d%s"));
        QCOMPARE(fillText(StringId::timeLimitCount, {}), QStringLiteral("Limit czasu:%d"));
        // The whole code page, as the platform's decoder has it where there is one.
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toWindows1250(fromWindows1250(all)), all);
        if (QStringDecoder platform("windows-1250"); platform.isValid())
            QCOMPARE(fromWindows1250(all), platform.decode(all));
    }

    void codePage_data()
    {
        // A text in Windows-1250, and in a 32-byte label slot: at most 31 bytes, zero-padded.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, const QString& text, const QByteArray& bytes) {
            QTest::newRow(name) << text << bytes;
        };
        row("small", QString::fromUtf8("ąćęłńóśźż"), QByteArray::fromHex("b9e6eab3f1f39c9fbf"));
        row("unmappable", QString::fromUtf8("a中Жb"), "a??b");
        row("zero char", QString(QChar(0)) + u'z', "?z");
        row("31 fit", QString(31, u'a'), QByteArray(31, 'a'));
        row("32 cut to 31", QString(32, u'a'), QByteArray(32, 'a'));
    }

    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toWindows1250(text), bytes);
        if (!bytes.contains('?'))
            QCOMPARE(fromWindows1250(bytes), text);
        char pair[2][32];
        std::memset(pair, 'x', sizeof pair);
        setSlotText(pair[0], text);
        QCOMPARE(QByteArray(pair[0], 32),
                 bytes.left(31) + QByteArray(32 - bytes.left(31).size(), '\0'));
        QCOMPARE(pair[1][0], 'x'); // the next slot untouched
        QCOMPARE(slotText(pair[0]), fromWindows1250(bytes.left(31)));
    }

    void builtInLabels()
    {
        m_data.image().combinationIndex = 11;
        store(m_dir->path()).defaultFill();
        const DeviceImage& image = m_data.image();
        QCOMPARE(slotText(image.labelSets[15].signalNames[55]) +
                     slotText(image.labelSets[15].circuitDescription) +
                     slotText(image.flagOutputLabelSets[15].names[31]),
                 QStringLiteral("RestartDefault text 32"));
        // The current sets follow the held combination.
        QCOMPARE(m_data.currentLabelSetIndex() + m_data.currentFlagOutputSetIndex(), 22);
        QVERIFY(m_log.isEmpty());
        // The file of a code: Labels_1.nzw .. Labels_9.nzw for 10..99, else Labels.nzw.
        QString names;
        for (int code : {0, 9, 10, 22, 99, 100, 255})
            names += LabelStore::fileNameForCode(code) + ' ';
        QCOMPARE(names, "Labels.nzw Labels.nzw Labels_1.nzw Labels_2.nzw Labels_9.nzw Labels.nzw "
                        "Labels.nzw ");
    }

    void labelFileKeptAndSaved()
    {
        QVERIFY(put(m_dir->path(), "Labels_2.nzw", pattern(fullSize)));
        LabelStore labels = store(m_dir->path());
        labels.setLabelFileCode(20);
        setSlotText(m_data.image().labelSets[0].signalNames[0], QStringLiteral("edited"));
        m_log.clear();
        // The same code, or one that names the same file, keeps unsaved edits.
        labels.setLabelFileCode(20);
        labels.setLabelFileCode(22);
        QVERIFY(labels.labelFileCode() == 22 && m_log.isEmpty());
        QCOMPARE(slotText(m_data.image().labelSets[0].signalNames[0]), QStringLiteral("edited"));
        // Another file is loaded, even from a state with built-in texts.
        labels.setLabelFileCode(35);
        QCOMPARE(labels.labelFileName(), stringText(StringId::labelFileDefault));
        QVERIFY(put(m_dir->path(), "Labels_4.nzw", QByteArray(fullSize, '\xb3')));
        labels.setLabelFileCode(42);
        // Slots without a zero read within their width.
        const LabelSet& last = m_data.image().labelSets[15];
        QCOMPARE(slotText(last.signalNames[55]) + slotText(last.circuitDescription),
                 QString(31 + 95, QChar(0x0142)));
        // Saving writes the whole area, read back byte for byte.
        setSlotText(m_data.image().flagOutputLabelSets[15].names[31], QString::fromUtf8("Wyjście"));
        m_log.clear();
        QVERIFY(labels.saveLabelFile());
        QCOMPARE(m_log, QStringList{stringText(StringId::labelFileSaved)});
        DeviceData next;
        LabelStore(next, m_dir->path(), {}).setLabelFileCode(40);
        QCOMPARE(areaOf(next), areaOf(m_data));
    }

    void defaults()
    {
        DeviceData data;
        data.image().combinationIndex = 9;
        data.image().timeBase = 77;
        data.selectLabelSets(9);
        applyDefaults(data);
        QCOMPARE(bytesOf(data.image().settings), defaultHex);
        QCOMPARE(data.image().combinationIndex + data.image().timeBase, 0u);
        QCOMPARE(data.image().readIndex, -2);
        QCOMPARE(data.currentLabelSetIndex() + data.currentFlagOutputSetIndex(), 0);
        // Flags 0..7 in byte 11, 8..15 in byte 12, 16..23 in byte 2; outputs in byte 3.
        SettingsImage image{};
        for (int k : {0, 15, 16, 23})
            setFlag(image, k, true);
        setOutput(image, 7, true);
        QCOMPARE(bytesOf(image), QByteArray::fromHex("00008180 00000000 00000001 80000000"));
        QVERIFY(flag(image, 0) && flag(image, 15) && !flag(image, 8) && output(image, 7));
    }

    void times_data()
    {
        // A value typed into a time row whose code was `current` gives `code`, which reads
        // back as `decoded`; a value of NaN keeps the code and only reads it.
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("current");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("decoded");
        QTest::addColumn<TimeUnit>("unit");
        const auto ms = TimeUnit::Milliseconds, s = TimeUnit::Seconds, min = TimeUnit::Minutes;
        const auto row = [](const char* name, int r, int current, double value, int code,
                            double decoded, TimeUnit unit) {
            QTest::newRow(name) << r << current << value << code << decoded << unit;
        };
        const double nan = std::nan("");
        row("0x80 is 127 s", 0, 0x80, nan, 0x80, 127, s);
        row("0xFF is 126 s", 1, 0xFF, nan, 0xFF, 126, s);
        row("code 0", 2, 0, nan, 0, -100, ms);
        row("row 3 has no unit bit", 3, 0x80, nan, 0x80, 1270, min);
        row("12600 ms", 0, 0x65, 12600, 127, 12600, ms);
        row("12700 ms to s", 0, 0x65, 12700, 0x8D, 12, s);
        row("50 ms raised", 0, 0x65, 50, 2, 100, ms);
        row("150 ms truncated", 0, 0x65, 150, 2, 100, ms);
        row("11.5 s to ms", 1, 0xBD, 11.5, 116, 11500, ms);
        row("12 s stays in s", 1, 0xBD, 12, 0x8D, 12, s);
        row("500 s capped", 1, 0xBD, 500, 0xFF, 126, s);
        row("row 3: 5000 capped", 3, 0x3D, 5000, 127, 1260, min);
        row("row 3 ignores bit 7", 3, 0x90, 1260, 127, 1260, min);
    }

    void times()
    {
        QFETCH(int, row);
        QFETCH(int, current);
        QFETCH(double, value);
        QFETCH(int, code);
        QCOMPARE(int(encodeTime(row, value, std::uint8_t(current))), code);
        const TimeValue decoded = decodeTime(row, std::uint8_t(code));
        QTEST(decoded.value, "decoded");
        QTEST(decoded.unit, "unit");
    }

    void rs485_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("baud"); // -1: none chosen
        QTest::addColumn<int>("byte");
        QTest::newRow("1 at 4800") << 1 << 0 << 0x61;
        QTest::newRow("5 at 9600") << 5 << 1 << 0x45;
        QTest::newRow("31 at 19200") << 31 << 2 << 0x3F;
        QTest::newRow("none is 19200") << 7 << -1 << 0x27;
        QTest::newRow("address 0 at 38400") << 0 << 3 << 0x01;
    }

    void rs485()
    {
        QFETCH(int, address);
        QFETCH(int, baud);
        QFETCH(int, byte);
        SettingsImage image = defaultImage;
        setRs485(image, address, baud < 0 ? std::nullopt : std::optional<int>(baud));
        QCOMPARE(bytesOf(image).toHex(), (defaultHex.first(15) + char(byte)).toHex());
        QCOMPARE(SettingsRecord::address(image), byte & 0x1F);
        QCOMPARE(baudIndex(image), baud < 0 ? 2 : baud);
    }

    void differences_data()
    {
        // Held is the default record of combination 0: 0000000165BD333D1565952F02060021.
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<unsigned>("combination");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("scope");
        const auto row = [](const char* name, const char* device, unsigned combination,
                            const QStringList& expected, SettingsDiff::Scope scope = {}) {
            QTest::newRow(name) << QByteArray::fromHex(device) << combination << expected
                                << int(scope);
        };
        const QString rs485 = "Konfiguracja portu RS485", program = "Program działania: ";
        row("time rows in each unit", "000000018BBD3302156595 2F020B0021", 0,
            {"tgSZR - czas graniczny dla SZR|10000 [ms]|10 [s]",
             "tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas wyczekiwania na SPP|600 "
             "[min]|10 [min]",
             "Czas impulsów sterujących|500 [ms]|1000 [ms]"});
        row("flags by name, also without one", "0000800165BD333D1565956E02060021", 0,
            {program + "Default text 1|1|0", program + "bit 6|0|1",
             program + "Default text 24|0|1"});
        row("outputs", "0000000465BD333D1565952F02060021", 0,
            {"Wyjście programowalne: Default text 25|1|0",
             "Wyjście programowalne: Default text 27|0|1"});
        row("rs485 address and rate", "0000000165BD333D1565952F02060045", 0,
            {rs485 + ": Adres|1|5", rs485 + ": Parametry|19200,N,1|9600,N,1"});
        row("rs485 bit 7 alone", "0000000165BD333D1565952F020600A1", 0, {rs485 + "|0x21|0xA1"});
        row("reserved bytes", "7F00000165BD333D1565952F0206FF21", 0,
            {"Bajt zarezerwowany 0|0x00|0x7F", "Bajt zarezerwowany 14|0x00|0xFF"});
        row("combination only", "0000000165BD333D1565952F02060021", 5,
            {"Kombinacja|0 (Układ: 1, Wariant: A)|5 (Układ: 7, Wariant: A)"});
        // The check after a write: register 0 (the command register) is not kept, register 7
        // and the combination are not written.
        row("kept of a write", "7F00000165BD333D1565952F020BFF45", 5,
            {"Czas impulsów sterujących|500 [ms]|1000 [ms]"}, SettingsDiff::Scope::Stored);
    }

    void differences()
    {
        QFETCH(QByteArray, device);
        QFETCH(unsigned, combination);
        QFETCH(int, scope);
        DeviceImage& held = m_data.image();
        // A flag without a name: the combination has no such function.
        setSlotText(held.flagOutputLabelSets[0].names[6], QString());
        SettingsImage image{};
        std::copy_n(device.constData(), 16, reinterpret_cast<char*>(image.bytes));
        QStringList rows;
        for (const auto& d :
             SettingsDiff::differences(defaultImage, 0, image, combination, held.labelSets[0],
                                       held.flagOutputLabelSets[0], SettingsDiff::Scope(scope)))
            rows << d.name + '|' + d.held + '|' + d.device;
        QTEST(rows, "expected");
    }

    void password_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("factoryNumber");
        QTest::addColumn<QString>("before"); // the access held: "locked", "access"
        QTest::addColumn<QString>("after");  // and "accepted"
        const auto row = [](const char* name, const char* typed, int number, const char* before,
                            const char* after) {
            QTest::newRow(name) << QString(typed) << number << QString(before) << QString(after);
        };
        row("service, number unknown keeps access", "KTRsondal", 0, "locked access",
            "access accepted");
        row("service, number known clears access", "KTRsondal", 1234, "locked access", "accepted");
        row("device password locks the service level", "KLUCZDV1234", 1234, "",
            "locked access accepted");
        row("another controller's password", "KLUCZDV1235", 1234, "locked access", "locked");
        row("wrong text", "haslo", 1234, "access", "locked");
        row("number 0 never gives access", "KLUCZDV0", 0, "locked", "locked");
    }

    void password()
    {
        QFETCH(QString, typed);
        QFETCH(int, factoryNumber);
        QFETCH(QString, before);
        const PasswordResult r =
            checkPassword(typed, std::uint16_t(factoryNumber),
                          AccessFlags{before.contains("locked"), before.contains("access")});
        QStringList after;
        for (const auto& [on, name] : {std::pair{r.flags.locked, "locked"},
                                       {r.flags.deviceAccess, "access"},
                                       {r.accepted, "accepted"}})
            if (on)
                after << name;
        QTEST(after.join(' '), "after");
    }

    void eventEntries()
    {
        EventEntry e{};
        std::copy_n(QByteArray::fromHex("100E0000 01000000 000080 35").constData(), 12, e.bytes);
        QVERIFY(isEntryValid(e)); // 0xAA ^ 0x10 ^ 0x0E ^ 0x01 ^ 0x80
        e.bytes[11] = 0x34;
        QVERIFY(!isEntryValid(e));
        QVERIFY(!isEntryValid(EventEntry{})); // 0xAA != 0
        // Rows count back from the newest entry, before the write position.
        DeviceImage& image = m_data.image();
        image.writePosition = 10;
        QCOMPARE(slotOfRow(image, 0), 9);
        QCOMPARE(slotOfRow(image, 10), 255);
        QCOMPARE(slotOfRow(image, 255), 10);
        // The oldest row compares with the slot before it, the newest row's.
        image.entries[9] = entry(0, {12});
        image.entries[10] = entry(0, {});
        QCOMPARE(predecessorSlot(0), 255);
        QCOMPARE(eventText(image, slotOfRow(image, 255)), QString::fromUtf8("W1 zał_v,"));
    }

    void eventTexts_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("combination");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const QList<int>& before, const QList<int>& after,
                            int combination, const char* text) {
            QTest::newRow(name) << before << after << combination << QString::fromUtf8(text);
        };
        row("in bit order", {0, 40}, {2, 40, 54}, 0, "U1 jest_v,W2 zał_^,Ster.ręczne_^,");
        row("blank name", {}, {17}, 0, " _^,");
        row("restart alone", {}, {0, 3, 55}, 0, "Restart");
        row("names of the device's combination", {}, {3}, 9, "Zasilanie łącza_^,");
        // A combination outside the table never reaches past the label sets.
        row("combination 200", {}, {3}, 200, "U2 brak_^,");
    }

    void eventTexts()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        QFETCH(int, combination);
        DeviceImage& image = m_data.image();
        setSlotText(image.labelSets[9].signalNames[3], QString::fromUtf8("Zasilanie łącza"));
        image.deviceCombination = std::uint8_t(combination);
        image.entries[40] = entry(1, before);
        image.entries[41] = entry(2, after);
        QTEST(eventText(image, 41), "text");
    }

    // The list's text and, as the collector publishes it, ISO 8601 with the offset.
    void timeText_data()
    {
        QTest::addColumn<quint32>("timeBase");
        QTest::addColumn<quint32>("counter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("iso");
        const auto row = [](const char* name, quint32 base, quint32 counter, const char* text,
                            const char* iso) {
            QTest::newRow(name) << base << counter << QString(text) << QString(iso);
        };
        row("winter", 1425715000u, 500u, "2015_3_7 9:5:0", "2015-03-07T09:05:00+01:00");
        row("summer", 1435744800u, 0u, "2015_7_1 12:0:0", "2015-07-01T12:00:00+02:00");
        row("wraps modulo 2^32", 0xFFFFFF00u, 0x200u, "1970_1_1 1:4:16",
            "1970-01-01T01:04:16+01:00");
        row("clock back, first", 1792888200u, 0u, "2026_10_25 2:30:0", "2026-10-25T02:30:00+02:00");
        row("clock back, second", 1792888200u, 3600u, "2026_10_25 2:30:0",
            "2026-10-25T02:30:00+01:00");
        row("negative", 0x80000000u, 0u, "?", "");
    }

    void timeText()
    {
        QFETCH(quint32, timeBase);
        QFETCH(quint32, counter);
        QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Warsaw"));
        DeviceData data;
        data.image().timeBase = timeBase;
        data.image().entries[3] = entry(counter);
        QTEST(EventRegister::timeText(data.image(), 3), "text");
        const QJsonObject json =
            QJsonDocument::fromJson(FleetMessages::event(data.image(), 3, 1, nameSet(data.image())))
                .object();
        QTEST(json.value("time").toString(), "iso");
    }

    // Which entries a collection publishes, from the cursor of the one before. Slot s holds
    // the counter 1000 + 10 * (its age from the oldest), unless the row says otherwise.
    void newEntries_data()
    {
        QTest::addColumn<int>("writePosition");
        QTest::addColumn<int>("cursor");       // its position; -1 none
        QTest::addColumn<bool>("matches");     // the slot before it still holds its entry
        QTest::addColumn<QList<int>>("newer"); // oldest slots written during the read
        QTest::addColumn<int>("emptyFrom");    // slots from here to the end never written
        QTest::addColumn<QString>("result");   // first slot, count, gap
        QTest::newRow("no cursor: all, oldest first")
            << 10 << -1 << true << QList<int>{} << 256 << "10 256 no gap";
        QTest::newRow("five since") << 10 << 5 << true << QList<int>{} << 256 << "5 5 no gap";
        QTest::newRow("across the ring's end")
            << 3 << 250 << true << QList<int>{} << 256 << "250 9 no gap";
        QTest::newRow("nothing since") << 10 << 10 << true << QList<int>{} << 256 << "- 0 no gap";
        QTest::newRow("cursor's entry overwritten")
            << 10 << 5 << false << QList<int>{} << 256 << "10 256 gap";
        QTest::newRow("written during the read")
            << 10 << -1 << true << QList<int>{10, 11} << 256 << "12 254 no gap";
        QTest::newRow("never written") << 3 << -1 << true << QList<int>{} << 3 << "0 3 no gap";
    }

    void newEntries()
    {
        QFETCH(int, writePosition);
        QFETCH(int, cursor);
        QFETCH(QList<int>, newer);
        QFETCH(int, emptyFrom);
        DeviceImage& image = m_data.image();
        image.writePosition = std::uint8_t(writePosition);
        for (int s = 0; s < entryCount; ++s)
            image.entries[s] =
                s >= emptyFrom ? EventEntry{} : entry(1000 + 10 * ((s - writePosition) & 0xFF));
        for (int s : newer)
            image.entries[s] = entry(5000 + s);
        std::optional<EventCursor::Cursor> held;
        if (cursor >= 0)
            held = EventCursor::cursorAt(image, (cursor - 1) & 0xFF);
        QFETCH(bool, matches);
        if (held && !matches)
            held->entry[0] = char(held->entry[0] ^ 1);
        const EventCursor::NewEntries found = EventCursor::newEntries(image, held);
        QString text = found.entrySlots.isEmpty() ? QStringLiteral("-")
                                                  : QString::number(found.entrySlots.first());
        text +=
            QStringLiteral(" %1 %2").arg(found.entrySlots.size()).arg(found.gap ? "gap" : "no gap");
        for (qsizetype i = 1; i < found.entrySlots.size(); ++i)
            QCOMPARE(found.entrySlots[i], (found.entrySlots[i - 1] + 1) & 0xFF);
        QTEST(text, "result");
    }

    void signalTrace_data()
    {
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("writePosition");
        QTest::addColumn<QList<Run>>("runs");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("set");
        QTest::addColumn<QList<int>>("restarts");
        QTest::addColumn<QList<int>>("invalid");
        QTest::addColumn<QString>("positions"); // entry=seconds after the time base
        const auto row = [](const char* name, int wp, const QList<Run>& runs, int signal,
                            const char* set, const QList<int>& restarts, const QList<int>& invalid,
                            const char* positions) {
            QTest::newRow(name) << true << wp << runs << signal << QString(set) << restarts
                                << invalid << QString(positions);
        };
        row("pulse", 0, {{0, 100, {}}, {5, 150, {12}}, {9, 190, {}}}, 12, "5-9", {}, {},
            "0=100 5=150 9=190 255=2650");
        row("set at the newest, ring wrapped", 200, {{0, 0, {}}, {250, 5000, {3}}}, 3, "250-256",
            {}, {}, "249=2490 250=5000 255=5050");
        row("never changes", 7, {{0, 0, {0}}}, 0, "0-256", {}, {}, "0=0");
        row("run before a restart ends where it begins", 0,
            {{0, 5'000'000, {0}}, {100, 3, {0, 55}}, {101, 13, {0}}}, 55, "100-101", {100}, {},
            "0=-987 99=3 100=3 101=13");
        row("wrong check byte between its neighbours", 0,
            {{0, 100, {}}, {50, 0xFFFFFF00, {7}, false}, {51, 610, {7}}}, 7, "50-256", {}, {50},
            "49=590 50=590 51=610");
        QList<int> unwritten(216);
        std::iota(unwritten.begin(), unwritten.end(), 0);
        row("unwritten slots before the first entry", 40, {{0, 0, {}, false}, {216, 7000, {1}}}, 1,
            "216-256", {}, unwritten, "0=7000 215=7000 216=7000");
        row(
            "no check byte right", 0, {{0, 100, {}, false}}, 1, "", {},
            [] {
                QList<int> all(256);
                std::iota(all.begin(), all.end(), 0);
                return all;
            }(),
            "0=100 255=2650");
        QTest::newRow("not read") << false << 0 << QList<Run>{{0, 100, {4}}} << 4 << QString()
                                  << QList<int>{} << QList<int>{} << QString();
    }

    void signalTrace()
    {
        QFETCH(bool, read);
        QFETCH(int, writePosition);
        QFETCH(QList<Run>, runs);
        QFETCH(int, signal);
        constexpr std::uint32_t timeBase = 1'000'000;
        DeviceImage& image = m_data.image();
        image.writePosition = std::uint8_t(writePosition);
        image.timeBase = timeBase;
        image.readIndex = read ? EventRegister::complete : EventRegister::notRead;
        for (int i = 0, r = 0; i < entryCount; ++i) {
            if (r + 1 < runs.size() && runs[r + 1].from == i)
                ++r;
            EventEntry& e = image.entries[(writePosition + i) & 0xFF];
            e = entry(runs[r].counter + 10 * std::uint32_t(i - runs[r].from), runs[r].bits);
            if (!runs[r].valid)
                e.bytes[11] ^= 1;
        }

        const SignalTrace::Trace trace = SignalTrace::traceOf(image);
        QCOMPARE(trace.points.size(), read ? entryCount : 0);
        QStringList set;
        for (const SignalTrace::Interval& i : trace.setIntervals[signal])
            set << QStringLiteral("%1-%2").arg(i.first).arg(i.end);
        QTEST(set.join(','), "set");
        QCOMPARE(trace.changes(signal), set.size() > 1 || (set.size() == 1 && set[0] != "0-256"));
        QList<int> restarts, invalid;
        for (int i = 0; i < trace.points.size(); ++i) {
            const SignalTrace::Point& p = trace.points[i];
            QCOMPARE(p.row, entryCount - 1 - i);
            if (p.restart)
                restarts << i;
            if (!p.valid)
                invalid << i;
            if (i > 0)
                QVERIFY(p.position >= trace.points[i - 1].position);
        }
        QTEST(restarts, "restarts");
        QTEST(invalid, "invalid");
        QFETCH(QString, positions);
        for (const QString& probe : positions.split(' ', Qt::SkipEmptyParts)) {
            const int i = probe.section('=', 0, 0).toInt();
            QCOMPARE(trace.points[i].position - timeBase, probe.section('=', 1).toLongLong());
        }
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
