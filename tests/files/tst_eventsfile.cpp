#include "datasnapshot.h"
#include "files/eventsfile.h"
#include "model/catalogue.h"
#include "model/settingsrecord.h"

#include <QTemporaryDir>
#include <QTest>
#include <cstring>

namespace {

QByteArray entriesOf(const DeviceImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.entries), sizeof image.entries);
}

} // namespace

class TestEventsFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_log.clear();
    }

    void loadTakesRegisterOnly()
    {
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        Catalogue::selectCombination(data, 7);
        data.image().factoryNumber = 1234;
        data.image().circuit = 5; // stale: recomputed from the held combination
        data.image().readIndex = -2;
        const QByteArray settingsBefore(reinterpret_cast<const char*>(&data.image().settings),
                                        sizeof(SettingsImage));

        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", data, sink()),
                 FileStatus::Ok);
        const DeviceImage& image = data.image();
        const QByteArray golden = goldenFile("events_sample.rzd");
        QCOMPARE(entriesOf(image), golden.left(3072));
        QCOMPARE(image.timeBase, 1425715500u);
        QCOMPARE(int(image.writePosition), 10);
        QCOMPARE(int(image.liveWritePosition), 10);
        QCOMPARE(int(image.registerFactoryNumber), 0xBEEF);
        QCOMPARE(int(image.deviceCombination), 9);
        QCOMPARE(image.readIndex, 256);
        // The settings and their combination stay.
        QCOMPARE(image.combinationIndex, 7u);
        QCOMPARE(int(image.circuit), 6);
        QCOMPARE(int(image.variant), 1);
        QCOMPARE(int(image.factoryNumber), 1234);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&image.settings), sizeof(SettingsImage)),
                 settingsBefore);
        QCOMPARE(m_log, QStringList{QStringLiteral("Wczytano zdarzenia z dysku")});
    }

    void saveWritesLayoutWithZeroPadding()
    {
        DeviceData data;
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", data, sink()),
                 FileStatus::Ok);
        const QString path = m_dir.filePath(QStringLiteral("saved.rzd"));
        m_log.clear();
        QCOMPARE(saveEventsFile(path, data, sink()), FileStatus::Ok);
        QCOMPARE(m_log, QStringList{QStringLiteral("Zapisano zdarzenia na dysk")});

        // The golden file has padding bytes set; they are ignored on loading and saved as zero.
        QByteArray expected = goldenFile("events_sample.rzd");
        expected[3077] = 0;
        expected[3081] = expected[3082] = expected[3083] = 0;
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), expected);
        QCOMPARE(expected.mid(3072).toHex(),
                 QByteArray("2c b1 fa 54 0a 00 ef be 09 00 00 00").replace(' ', ""));
    }

    void savedBeforeAnyRegisterIsAllZero()
    {
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        data.image().factoryNumber = 77; // the controller's, not the register's
        const QString path = m_dir.filePath(QStringLiteral("empty.rzd"));
        QCOMPARE(saveEventsFile(path, data, sink()), FileStatus::Ok);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(3084, '\0'));
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray golden = goldenFile("events_sample.rzd");
        QTest::newRow("3083 bytes") << golden.left(3083) << "Niewłaściwy rozmiar pliku zdarzeń";
        QTest::newRow("3085 bytes") << golden + '\0' << "Niewłaściwy rozmiar pliku zdarzeń";
        QTest::newRow("combination 16")
            << goldenFile("events_combination16.rzd") << "Niewłaściwy plik zdarzeń";
        QByteArray high = golden;
        high[3080] = char(0xFF);
        QTest::newRow("combination 255") << high << "Niewłaściwy plik zdarzeń";
    }
    void refusedFileChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        QCOMPARE(loadEventsFile(TAVREL_TEST_DATA "/events_sample.rzd", data, sink()),
                 FileStatus::Ok);
        m_log.clear();
        const QString path = m_dir.filePath(QStringLiteral("refused.rzd"));
        QVERIFY(writeFile(path, content));
        const QByteArray before = snapshot(data);

        QCOMPARE(eventsFileMessage(loadEventsFile(path, data, sink())), message);
        QCOMPARE(snapshot(data), before);
        QVERIFY(m_log.isEmpty());
    }

private:
    LogSink sink()
    {
        return [this](const QString& line) { m_log.append(line); };
    }

    QTemporaryDir m_dir;
    QStringList m_log;
};

QTEST_GUILESS_MAIN(TestEventsFile)
#include "tst_eventsfile.moc"
