#include "datasnapshot.h"
#include "files/settingsfile.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Device data with the defaults and the start-up labels, as the tool holds them before
// any file is loaded; the log lines of the start are dropped.
struct Fixture {
    explicit Fixture(const QString& labelsDir)
        : labels(data, labelsDir, [this](const QString& line) { log.append(line); })
    {
        SettingsRecord::applyDefaults(data);
        labels.setLabelFileCode(LabelStore::startCode);
        log.clear();
    }
    LogSink sink()
    {
        return [this](const QString& line) { log.append(line); };
    }

    DeviceData data;
    QStringList log;
    LabelStore labels;
};

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void defaultRecordMatchesGolden()
    {
        Fixture f(m_dir.path());
        QCOMPARE(recordBytes(makeSettingsFileRecord(f.data, 20)),
                 goldenFile("settings_default.nst"));

        const QString path = m_dir.filePath(QStringLiteral("default.nst"));
        QCOMPARE(saveSettingsFile(path, f.data, 20, f.sink()), FileStatus::Ok);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), goldenFile("settings_default.nst"));
        QCOMPARE(f.log, QStringList{QStringLiteral("Zapisano nastawy")});
    }

    void loadTakesEveryField()
    {
        Fixture f(m_dir.path());
        QCOMPARE(loadSettingsFile(TAVREL_TEST_DATA "/settings_crafted.nst", f.data, f.labels, false,
                                  f.sink()),
                 FileStatus::Ok);
        const DeviceImage& image = f.data.image();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16),
                 QByteArray::fromHex("a55a8105008007ff8106825a007fc35f"));
        QCOMPARE(image.combinationIndex, 9u);
        QCOMPARE(int(image.circuit), 3); // circuit 4
        QCOMPARE(int(image.variant), 1); // variant B
        QCOMPARE(int(image.factoryNumber), 4660);
        QCOMPARE(f.data.currentLabelSetIndex(), 9);
        QCOMPARE(f.data.currentFlagOutputSetIndex(), 9);
        QVERIFY(f.data.settingsValid);
        QCOMPARE(f.labels.labelFileCode(), 55);
        // The register and its combination are not part of a settings file.
        QCOMPARE(int(image.deviceCombination), 0);
        QCOMPARE(f.log.constLast(), QStringLiteral("Wczytano nastawy"));
        QVERIFY(f.log.constFirst().endsWith(QStringLiteral("Labels_5.nzw")));

        // Saving right after loading gives the same bytes back.
        const QString path = m_dir.filePath(QStringLiteral("again.nst"));
        QCOMPARE(saveSettingsFile(path, f.data, quint8(f.labels.labelFileCode()), f.sink()),
                 FileStatus::Ok);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), goldenFile("settings_crafted.nst"));
    }

    void labelFileCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("check");
        QTest::addColumn<int>("accepted");
        QTest::newRow("55 with complement") << 55 << 0xC8 << 55;
        QTest::newRow("10 lowest") << 10 << 0xF5 << 10;
        QTest::newRow("100 highest") << 100 << 0x9B << 100;
        QTest::newRow("9 below range") << 9 << 0xF6 << 20;
        QTest::newRow("101 above range") << 101 << 0x9A << 20;
        QTest::newRow("wrong check") << 55 << 0x00 << 20;
        QTest::newRow("check equal to code") << 55 << 55 << 20;
    }
    void labelFileCode()
    {
        QFETCH(int, code);
        QFETCH(int, check);
        QFETCH(int, accepted);
        QByteArray bytes = goldenFile("settings_default.nst");
        bytes[22] = char(code);
        bytes[23] = char(check);
        const std::optional<SettingsFileRecord> record = recordFromBytes<SettingsFileRecord>(bytes);
        QVERIFY(record);
        QCOMPARE(int(acceptedLabelFileCode(*record)), accepted);
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QString>("name"); // written with `content` when "refused.nst"
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray golden = goldenFile("settings_crafted.nst");
        const QString size = "Niewłaściwy rozmiar pliku nastaw";
        const QString refused = "refused.nst";
        QTest::newRow("empty") << refused << QByteArray() << size;
        QTest::newRow("23 bytes") << refused << golden.left(23) << size;
        QTest::newRow("25 bytes") << refused << golden + '\0' << size;
        QTest::newRow("combination 16")
            << refused << goldenFile("settings_combination16.nst") << "Niewłaściwy plik nastaw";
        QByteArray huge = golden;
        huge[19] = char(0x80); // combination 0x80000009
        QTest::newRow("combination high byte") << refused << huge << "Niewłaściwy plik nastaw";
        QTest::newRow("missing") << "missing.nst" << QByteArray() << "Problem z czytaniem nastaw";
        QTest::newRow("directory") << "" << QByteArray() << "Problem z czytaniem nastaw";
    }
    void refusedFileChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        Fixture f(m_dir.path());
        const QString path = m_dir.filePath(name);
        if (name == QLatin1String("refused.nst"))
            QVERIFY(writeFile(path, content));
        const QByteArray before = snapshot(f.data);

        const FileStatus status = loadSettingsFile(path, f.data, f.labels, true, f.sink());
        QCOMPARE(settingsFileMessage(status), message);
        QCOMPARE(snapshot(f.data), before);
        QCOMPARE(f.labels.labelFileCode(), 20);
        QVERIFY(f.log.isEmpty());
    }

    void shortReadIsReadFailure()
    {
        // Kernel attribute files promise a page and deliver a few bytes.
        const QString path = QStringLiteral("/sys/kernel/uevent_seqnum");
        if (QFileInfo(path).size() != 4096)
            QSKIP("no attribute file that reads short here");
        QByteArray bytes("untouched");
        const FileStatus status = readRecordFile(path, 4096, bytes);
        QCOMPARE(status, FileStatus::ReadFailed);
        QCOMPARE(bytes, QByteArray("untouched"));
        QCOMPARE(settingsFileMessage(status), QStringLiteral("Problem z czytaniem nastaw"));
    }

    void mismatchLinesOnlyWhileConnected_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("combination");
        QTest::addColumn<int>("factoryNumber");
        QTest::addColumn<QStringList>("log");
        const QString combination = "Niezgodność układu rozdzielni i wariantu przełączen";
        const QString factory = "Niezgodność numeru fabrycznego";
        const QString loaded = "Wczytano nastawy";
        // The held record: combination 0, factory number 0.
        QTest::newRow("offline, both differ") << false << 9 << 4660 << QStringList{loaded};
        QTest::newRow("connected, both differ")
            << true << 9 << 4660 << QStringList{combination, factory, loaded};
        QTest::newRow("connected, combination differs")
            << true << 9 << 0 << QStringList{combination, loaded};
        QTest::newRow("connected, factory number differs")
            << true << 0 << 4660 << QStringList{factory, loaded};
        QTest::newRow("connected, same controller") << true << 0 << 0 << QStringList{loaded};
    }
    void mismatchLinesOnlyWhileConnected()
    {
        QFETCH(bool, connected);
        QFETCH(int, combination);
        QFETCH(int, factoryNumber);
        QFETCH(QStringList, log);
        Fixture f(m_dir.path());
        QByteArray bytes = goldenFile("settings_default.nst");
        bytes[16] = char(combination);
        bytes[20] = char(factoryNumber & 0xFF);
        bytes[21] = char(factoryNumber >> 8);
        const QString path = m_dir.filePath(QStringLiteral("other.nst"));
        QVERIFY(writeFile(path, bytes));

        QCOMPARE(loadSettingsFile(path, f.data, f.labels, connected, f.sink()), FileStatus::Ok);
        QCOMPARE(f.log, log);
        // Connected, the number stays the controller's: it keys the device password.
        QCOMPARE(int(f.data.image().factoryNumber), connected ? 0 : factoryNumber);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
