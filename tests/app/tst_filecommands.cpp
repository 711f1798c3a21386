#include "app/filecommands.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "pagefixture.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <cstring>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray imageBytes(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
}

// Settings 01..10, combination 5, factory number 1234, label file code 30 and its check.
const QByteArray goodSettings = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10"
                                                    "05000000"
                                                    "d204"
                                                    "1e"
                                                    "e1");

// 256 entries that tell slot and byte apart, time base 0x01020304, write position 7,
// a padding byte, factory number 777, combination 3, padding.
QByteArray goodEvents()
{
    QByteArray bytes;
    for (int slot = 0; slot < 256; ++slot) {
        for (int b = 0; b < 12; ++b)
            bytes.append(char((slot + b * 17) & 0xFF));
    }
    bytes.append(QByteArray::fromHex("04030201"
                                     "07"
                                     "aa"
                                     "0903"
                                     "03"
                                     "bbccdd"));
    return bytes;
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadSettings_data();
    void loadSettings();
    void mismatchLinesWhileConnected_data();
    void mismatchLinesWhileConnected();
    void saveSettings();
    void saveSettingsFailure();
    void loadEvents_data();
    void loadEvents();
    void saveEvents();
    void eventsCommandsWaitForTheRegisterRead();
    void commandsNeedTheLogInFront();

private:
    FileCommands& commands() { return m_page->page->fileCommands(); }
    QString path(const QString& name) const { return m_dir->filePath(name); }
    // The next dialog returns this path (empty: Cancel).
    void choose(const QString& chosen) { m_chosen = chosen; }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PageFixture> m_page;
    QString m_chosen;
    QList<FileCommands::DialogRequest> m_requests;
};

void TestFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_page = std::make_unique<PageFixture>();
    m_page->context.activePage = CInitPage::pageIndex;
    m_requests.clear();
    commands().setFileChooser([this](const FileCommands::DialogRequest& request) {
        m_requests.append(request);
        return m_chosen;
    });
}

void TestFileCommands::cleanup()
{
    m_page.reset();
    m_dir.reset();
}

void TestFileCommands::loadSettings_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no such file
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("message");
    QTest::newRow("good") << goodSettings << "a.nst"
                          << "";
    QTest::newRow("typed without extension") << goodSettings << "bez"
                                             << "";
    QTest::newRow("23 bytes") << goodSettings.left(23) << "a.nst"
                              << "Niewłaściwy rozmiar pliku nastaw";
    QTest::newRow("25 bytes") << goodSettings + '\0' << "a.nst"
                              << "Niewłaściwy rozmiar pliku nastaw";
    QTest::newRow("empty file") << QByteArray("") << "a.nst"
                                << "Niewłaściwy rozmiar pliku nastaw";
    QTest::newRow("combination 16") << QByteArray(goodSettings).replace(16, 1, "\x10") << "a.nst"
                                    << "Niewłaściwy plik nastaw";
    QTest::newRow("missing") << QByteArray() << "brak.nst"
                             << "Problem z czytaniem nastaw";
    QTest::newRow("directory") << QByteArray() << "."
                               << "Problem z czytaniem nastaw";
    QTest::newRow("cancel") << goodSettings << ""
                            << "";
}

void TestFileCommands::loadSettings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, chosen);
    QFETCH(QString, message);
    if (!bytes.isNull() && !chosen.isEmpty())
        writeFile(path(chosen), bytes);
    choose(chosen.isEmpty() ? QString() : path(chosen));
    DeviceData& data = m_page->context.deviceData;
    const QByteArray before = imageBytes(data);

    commands().loadSettings();

    QCOMPARE(m_requests.size(), 1);
    QVERIFY(!m_requests[0].save);
    QCOMPARE(m_requests[0].filter, QStringLiteral("Pliki Konfig (*.nst)"));
    QCOMPARE(m_requests[0].initialName, QString());
    const bool loaded = message.isEmpty() && !chosen.isEmpty();
    QCOMPARE(m_page->messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (!loaded) {
        // Nothing changes on a refused file.
        QCOMPARE(imageBytes(data), before);
        QVERIFY(!data.settingsValid);
        QCOMPARE(m_page->context.settingsPagesAdded, 0);
        QCOMPARE(m_page->context.lines, QStringList());
        QCOMPARE(m_page->page->labels().labelFileCode(), LabelStore::startCode);
        return;
    }
    const DeviceImage& image = data.image();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16),
             goodSettings.left(16));
    QCOMPARE(image.combinationIndex, 5u);
    QCOMPARE(int(image.factoryNumber), 1234);
    QCOMPARE(data.currentLabelSetIndex(), 5);
    QVERIFY(data.settingsValid);
    QCOMPARE(m_page->page->labels().labelFileCode(), 30);
    QCOMPARE(m_page->context.settingsPagesAdded, 1);
    // Offline the file is not compared with a controller.
    QCOMPARE(m_page->context.lines, QStringList{QStringLiteral("Wczytano nastawy")});

    // Saved again right away, the same 24 bytes.
    choose(path(QStringLiteral("b.nst")));
    commands().saveSettings();
    QCOMPARE(fileBytes(path(QStringLiteral("b.nst"))), goodSettings);
}

void TestFileCommands::mismatchLinesWhileConnected_data()
{
    QTest::addColumn<quint32>("heldCombination");
    QTest::addColumn<quint16>("heldFactoryNumber");
    QTest::addColumn<QStringList>("lines");
    const QString combination =
        QStringLiteral("Niezgodność układu rozdzielni i wariantu przełączen");
    const QString factory = QStringLiteral("Niezgodność numeru fabrycznego");
    const QString loaded = QStringLiteral("Wczytano nastawy");
    QTest::newRow("both differ") << 0u << quint16(99) << QStringList{combination, factory, loaded};
    QTest::newRow("combination differs") << 4u << quint16(1234) << QStringList{combination, loaded};
    QTest::newRow("factory number differs") << 5u << quint16(0) << QStringList{factory, loaded};
    QTest::newRow("same controller") << 5u << quint16(1234) << QStringList{loaded};
}

void TestFileCommands::mismatchLinesWhileConnected()
{
    QFETCH(quint32, heldCombination);
    QFETCH(quint16, heldFactoryNumber);
    QFETCH(QStringList, lines);
    m_page->context.connected = true;
    DeviceImage& image = m_page->context.deviceData.image();
    image.combinationIndex = heldCombination;
    image.factoryNumber = heldFactoryNumber;
    writeFile(path(QStringLiteral("a.nst")), goodSettings);
    choose(path(QStringLiteral("a.nst")));
    commands().loadSettings();
    QCOMPARE(m_page->context.lines, lines);
    // Loaded anyway.
    QCOMPARE(image.combinationIndex, 5u);
    QCOMPARE(int(image.factoryNumber), 1234);
}

void TestFileCommands::saveSettings()
{
    DeviceData& data = m_page->context.deviceData;
    choose(path(QStringLiteral("n.nst")));
    // Without settings there is nothing to save: no dialog.
    commands().saveSettings();
    QVERIFY(m_requests.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("n.nst"))));

    data.settingsValid = true;
    data.image().combinationIndex = 9;
    data.image().factoryNumber = 0xBEEF;
    writeFile(path(QStringLiteral("n.nst")), QByteArray(100, 'x'));
    commands().saveSettings();
    QCOMPARE(m_requests.size(), 1);
    QVERIFY(m_requests[0].save);
    QCOMPARE(m_requests[0].filter, QStringLiteral("Pliki Konfig (*.nst)"));
    QCOMPARE(m_requests[0].initialName, QStringLiteral("*.nst"));
    // The default settings, combination 9, 0xBEEF, label file code 20 and its complement;
    // the longer old file is replaced whole.
    QCOMPARE(fileBytes(path(QStringLiteral("n.nst"))),
             QByteArray::fromHex("0000000165bd333d1565952f02060021"
                                 "09000000"
                                 "efbe"
                                 "14"
                                 "eb"));
    QCOMPARE(m_page->context.lines, QStringList{QStringLiteral("Zapisano nastawy")});
    QVERIFY(m_page->messages.isEmpty());
}

void TestFileCommands::saveSettingsFailure()
{
    m_page->context.deviceData.settingsValid = true;
    choose(path(QStringLiteral("brak/n.nst")));
    commands().saveSettings();
    QCOMPARE(m_page->messages, QStringList{QStringLiteral("Problem z zapisem nastaw")});
    QCOMPARE(m_page->context.lines, QStringList());
}

void TestFileCommands::loadEvents_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("message");
    QTest::newRow("good") << goodEvents() << "a.rzd"
                          << "";
    QTest::newRow("3083 bytes") << goodEvents().left(3083) << "a.rzd"
                                << "Niewłaściwy rozmiar pliku zdarzeń";
    QTest::newRow("3085 bytes") << goodEvents() + 'x' << "a.rzd"
                                << "Niewłaściwy rozmiar pliku zdarzeń";
    QTest::newRow("settings file") << goodSettings << "a.rzd"
                                   << "Niewłaściwy rozmiar pliku zdarzeń";
    QTest::newRow("combination 16") << goodEvents().replace(3080, 1, "\x10") << "a.rzd"
                                    << "Niewłaściwy plik zdarzeń";
    QTest::newRow("missing") << QByteArray() << "brak.rzd"
                             << "Problem z czytaniem zdarzeń z dysku";
    QTest::newRow("cancel") << goodEvents() << ""
                            << "";
}

void TestFileCommands::loadEvents()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, chosen);
    QFETCH(QString, message);
    if (!bytes.isNull() && !chosen.isEmpty())
        writeFile(path(chosen), bytes);
    choose(chosen.isEmpty() ? QString() : path(chosen));
    DeviceData& data = m_page->context.deviceData;
    data.image().combinationIndex = 6;
    data.image().factoryNumber = 55;
    const QByteArray before = imageBytes(data);

    commands().loadEvents();

    QCOMPARE(m_requests.size(), 1);
    QVERIFY(!m_requests[0].save);
    QCOMPARE(m_requests[0].filter, QStringLiteral("Pliki Konfig (*.rzd)"));
    QCOMPARE(m_page->messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty() || chosen.isEmpty()) {
        QCOMPARE(imageBytes(data), before);
        QCOMPARE(m_page->context.eventsPageAdded, 0);
        QCOMPARE(m_page->context.activePage, CInitPage::pageIndex);
        QCOMPARE(m_page->context.lines, QStringList());
        return;
    }
    const DeviceImage& image = data.image();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.entries), 3072), bytes.left(3072));
    QCOMPARE(image.timeBase, 0x01020304u);
    QCOMPARE(int(image.writePosition), 7);
    QCOMPARE(int(image.liveWritePosition), 7);
    QCOMPARE(int(image.registerFactoryNumber), 777);
    QCOMPARE(int(image.deviceCombination), 3);
    QCOMPARE(image.readIndex, 256);
    // The settings stay.
    QCOMPARE(image.combinationIndex, 6u);
    QCOMPARE(int(image.factoryNumber), 55);
    QVERIFY(!data.settingsValid);
    QCOMPARE(m_page->context.lines, QStringList{QStringLiteral("Wczytano zdarzenia z dysku")});
    QCOMPARE(m_page->context.eventsPageAdded, 1);
    QCOMPARE(m_page->context.activePage, FakeContext::eventsPageIndex);
}

void TestFileCommands::saveEvents()
{
    // Nothing ever read: 3084 zero bytes.
    choose(path(QStringLiteral("z.rzd")));
    commands().saveEvents();
    QCOMPARE(m_requests.size(), 1);
    QVERIFY(m_requests[0].save);
    QCOMPARE(m_requests[0].filter, QStringLiteral("Pliki Konfig (*.rzd)"));
    QCOMPARE(m_requests[0].initialName, QStringLiteral("*.rzd"));
    QCOMPARE(fileBytes(path(QStringLiteral("z.rzd"))), QByteArray(3084, '\0'));
    QCOMPARE(m_page->context.lines, QStringList{QStringLiteral("Zapisano zdarzenia na dysk")});

    // A loaded register is saved as it came, the padding written as zeros.
    writeFile(path(QStringLiteral("a.rzd")), goodEvents());
    choose(path(QStringLiteral("a.rzd")));
    commands().loadEvents();
    choose(path(QStringLiteral("b.rzd")));
    commands().saveEvents();
    QByteArray expected = goodEvents();
    expected[3077] = 0;
    expected.replace(3081, 3, QByteArray(3, '\0'));
    QCOMPARE(fileBytes(path(QStringLiteral("b.rzd"))), expected);

    choose(path(QStringLiteral("brak/b.rzd")));
    commands().saveEvents();
    QCOMPARE(m_page->messages, QStringList{QStringLiteral("Problem z zapisem zdarzeń na dysk")});
}

void TestFileCommands::eventsCommandsWaitForTheRegisterRead()
{
    m_page->establish();
    m_page->goOnline();
    m_page->page->readEvents();
    QVERIFY(m_page->page->readingEvents());
    QVERIFY(!commands().canLoadEvents());
    QVERIFY(!commands().canSaveEvents());
    writeFile(path(QStringLiteral("a.rzd")), goodEvents());
    choose(path(QStringLiteral("a.rzd")));
    const QByteArray before = imageBytes(m_page->context.deviceData);
    commands().loadEvents();
    commands().saveEvents();
    QVERIFY(m_requests.isEmpty());
    QCOMPARE(imageBytes(m_page->context.deviceData), before);
    QCOMPARE(fileBytes(path(QStringLiteral("a.rzd"))), goodEvents());
    // Settings files stay available.
    writeFile(path(QStringLiteral("a.nst")), goodSettings);
    choose(path(QStringLiteral("a.nst")));
    commands().loadSettings();
    QCOMPARE(m_page->context.deviceData.image().combinationIndex, 5u);
}

void TestFileCommands::commandsNeedTheLogInFront()
{
    // A page holding an invalid entry keeps the front: no dialog, nothing loaded.
    m_page->context.activePage = 3;
    m_page->context.refuseLeave = true;
    m_page->context.deviceData.settingsValid = true;
    writeFile(path(QStringLiteral("a.nst")), goodSettings);
    choose(path(QStringLiteral("a.nst")));
    commands().loadSettings();
    commands().saveSettings();
    commands().loadEvents();
    commands().saveEvents();
    QVERIFY(m_requests.isEmpty());
    QCOMPARE(m_page->context.activePage, 3);

    m_page->context.refuseLeave = false;
    commands().loadSettings();
    QCOMPARE(m_requests.size(), 1);
    QCOMPARE(m_page->context.activePage, CInitPage::pageIndex);
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
