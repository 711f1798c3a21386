#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "files/settingsfile.h"
#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "tests/support/files.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray golden(const char* name)
{
    return readBytes(QStringLiteral(TAVREL_TEST_DATA "/") + QLatin1String(name));
}

} // namespace

// The settings and events files, byte for byte against the golden files, and the CSV table.
class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_data = DeviceData();
        m_labels = std::make_unique<LabelStore>(m_data, m_dir.path(), [](const QString&) {});
        SettingsRecord::applyDefaults(m_data);
        m_labels->setLabelFileCode(LabelStore::startCode);
        m_log.clear();
    }

    void settingsLoadAndSave()
    {
        const QString path = m_dir.filePath(QStringLiteral("default.nst"));
        QCOMPARE(saveSettingsFile(path, m_data, 20, sink()), FileStatus::Ok);
        QCOMPARE(readBytes(path), golden("settings_default.nst"));

        QCOMPARE(loadSettingsFile(TAVREL_TEST_DATA "/settings_crafted.nst", m_data, *m_labels,
                                  false, sink()),
                 FileStatus::Ok);
        // Saved again, the file comes back byte for byte: settings, combination 9, factory
        // number and label file code 55 were all taken.
        QCOMPARE(saveSettingsFile(path, m_data, quint8(m_labels->labelFileCode()), sink()),
                 FileStatus::Ok);
        QCOMPARE(readBytes(path), golden("settings_crafted.nst"));
        QCOMPARE(m_data.currentFlagOutputSetIndex(), 9);

        QCOMPARE(int(m_data.image().deviceCombination), 0); // the register's, not the file's
        QCOMPARE(m_log, (QStringList{"Zapisano nastawy", "Wczytano nastawy", "Zapisano nastawy"}));
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<bool>("events");
        QTest::addColumn<QByteArray>("content"); // null: no such file
        QTest::addColumn<QString>("message");
        const QByteArray settings = golden("settings_crafted.nst");
        const QByteArray events = golden("events_sample.rzd");
        QTest::newRow("settings, 23 bytes")
            << false << settings.left(23) << "Niewłaściwy rozmiar pliku nastaw";
        QTest::newRow("settings, combination 16")
            << false << golden("settings_combination16.nst") << "Niewłaściwy plik nastaw";
        QByteArray huge = settings;
        huge[19] = char(0x80); // combination 0x80000009
        QTest::newRow("settings, combination high byte")
            << false << huge << "Niewłaściwy plik nastaw";
        QTest::newRow("settings, missing") << false << QByteArray() << "Problem z czytaniem nastaw";
        QTest::newRow("events, 3083 bytes")
            << true << events.left(3083) << "Niewłaściwy rozmiar pliku zdarzeń";
        QTest::newRow("events, combination 16")
            << true << golden("events_combination16.rzd") << "Niewłaściwy plik zdarzeń";
    }
    void refusedFileChangesNothing()
    {
        QFETCH(bool, events);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        if (events)
            QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", m_data, sink()),
                     FileStatus::Ok);
        m_log.clear();
        const QString path = m_dir.filePath(QLatin1String(QTest::currentDataTag()));
        if (!content.isNull())
            QVERIFY(writeBytes(path, content));
        const QByteArray before = heldBytes(m_data);
        if (events)
            QCOMPARE(eventsFileMessage(loadEventsFile(path, m_data, sink())), message);
        else
            QCOMPARE(settingsFileMessage(loadSettingsFile(path, m_data, *m_labels, true, sink())),
                     message);
        QCOMPARE(heldBytes(m_data), before);
        QCOMPARE(m_labels->labelFileCode(), 20);
        QVERIFY(m_log.isEmpty());
    }

    void loadedFile_data()
    {
        // The bytes changed in the default file (combination, factory number, label file code
        // and its check), whether connected, the lines logged and the label file code taken.
        QTest::addColumn<QList<int>>("bytes");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("labelFileCode");
        const QString combination = "Niezgodność układu rozdzielni i wariantu przełączen";
        const QString factory = "Niezgodność numeru fabrycznego";
        const QString loaded = "Wczytano nastawy";
        const auto row = [&](const char* name, QList<int> bytes, bool connected, QStringList log,
                             int code = 20) {
            QTest::newRow(name) << bytes << connected << log + QStringList{loaded} << code;
        };
        // The held record: combination 0, factory number 0.
        row("offline", {9, 4660, 20, 0xEB}, false, {});
        row("connected, both differ", {9, 4660, 20, 0xEB}, true, {combination, factory});
        row("connected, factory number differs", {0, 4660, 20, 0xEB}, true, {factory});
        row("code 100 highest", {0, 0, 100, 0x9B}, false, {}, 100);
        row("code 9 below range", {0, 0, 9, 0xF6}, false, {});
        row("code 101 above range", {0, 0, 101, 0x9A}, false, {});
        row("code 55, wrong check", {0, 0, 55, 0x00}, false, {});
    }
    void loadedFile()
    {
        QFETCH(QList<int>, bytes);
        QFETCH(bool, connected);
        QByteArray file = golden("settings_default.nst");
        file[16] = char(bytes[0]);
        file[20] = char(bytes[1] & 0xFF);
        file[21] = char(bytes[1] >> 8);
        file[22] = char(bytes[2]);
        file[23] = char(bytes[3]);
        const QString path = m_dir.filePath(QStringLiteral("other.nst"));
        QVERIFY(writeBytes(path, file));
        QCOMPARE(loadSettingsFile(path, m_data, *m_labels, connected, sink()), FileStatus::Ok);
        QTEST(m_log, "log");
        // Connected, the number stays the controller's: it keys the device password.
        QCOMPARE(int(m_data.image().factoryNumber), connected ? 0 : bytes[1]);
        QTEST(m_labels->labelFileCode(), "labelFileCode");
    }

    void eventsLoadAndSave()
    {
        const QString path = m_dir.filePath(QStringLiteral("saved.rzd"));
        Catalogue::selectCombination(m_data, 7);
        m_data.image().factoryNumber = 1234;
        m_data.image().circuit = 5; // stale: recomputed from the held combination
        const QByteArray settingsBefore(reinterpret_cast<const char*>(&m_data.image().settings),
                                        sizeof(SettingsImage));
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", m_data, sink()),
                 FileStatus::Ok);
        const DeviceImage& image = m_data.image();
        QCOMPARE(int(image.liveWritePosition), 10);
        QCOMPARE(image.readIndex, 256);
        // The settings and their combination stay.
        QCOMPARE(image.combinationIndex, 7u);
        QCOMPARE(int(image.circuit), 6);
        QCOMPARE(int(image.factoryNumber), 1234);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&image.settings), sizeof(SettingsImage)),
                 settingsBefore);

        // Saved again it comes back, but for the padding bytes the golden file has set.
        QCOMPARE(saveEventsFile(path, m_data, sink()), FileStatus::Ok);
        QByteArray expected = golden("events_sample.rzd");
        expected[3077] = expected[3081] = expected[3082] = expected[3083] = 0;
        QCOMPARE(readBytes(path), expected);
        QCOMPARE(m_log, (QStringList{"Wczytano zdarzenia z dysku", "Zapisano zdarzenia na dysk"}));
    }

    void csvField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        const auto row = [](const char* name, const char* text, const char* field) {
            QTest::newRow(name) << QString(text) << QString(field);
        };
        row("comma", "U2 brak_v,", "\"U2 brak_v,\"");
        row("quote", "W1 \"A\"", "\"W1 \"\"A\"\"\"");
        // A spreadsheet runs a cell starting with one of these as a formula.
        row("equals", "=1+2", "'=1+2");
        row("at", "@SUM(A1)", "'@SUM(A1)");
        row("leading tab", "\t=1", "'\t=1");
        row("leading carriage return", "\r=1", "\"'\r=1\"");
        row("formula quoted", "=HYPERLINK(\"x\")_^,", "\"'=HYPERLINK(\"\"x\"\")_^,\"");
        row("sign inside kept", "U2-1 = @", "U2-1 = @");
    }
    void csvField()
    {
        QFETCH(QString, text);
        QTEST(::csvField(text), "field");
    }

private:
    LogSink sink()
    {
        return [this](const QString& line) { m_log.append(line); };
    }

    QTemporaryDir m_dir;
    DeviceData m_data;
    std::unique_ptr<LabelStore> m_labels;
    QStringList m_log;
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
