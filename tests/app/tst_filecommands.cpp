#include "app/filecommands.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "tests/support/files.h"
#include "tests/support/pagefixture.h"

#include <QFile>
#include <QtTest>

namespace {

// Settings 01..10, combination 5, factory number 1234, label file code 30 and its check.
const QByteArray goodSettings = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10"
                                                    "05000000d2041ee1");

// Entries telling slot and byte apart, time base 0x01020304, write position 7, a padding
// byte, factory number 777, combination 3, padding.
QByteArray goodEvents()
{
    QByteArray bytes;
    for (int i = 0; i < 3072; ++i)
        bytes.append(char(i * 7 + i / 256));
    return bytes + QByteArray::fromHex("0403020107aa090303bbccdd");
}

using Lines = QStringList;

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_commands.reset();
        m_page.reset();
    }

    void init()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
        m_page = std::make_unique<PageFixture>();
        context().activePage = CInitPage::pageIndex;
        m_commands = std::make_unique<FileCommands>(context(), nullptr);
        m_commands->setMessageShower([this](const QString& text) { m_page->messages << text; });
        m_requests.clear();
        commands().setFileChooser([this](const FileCommands::DialogRequest& request) {
            m_requests.append(request);
            return m_chosen;
        });
    }

    void saveCommands()
    {
        DeviceData& data = context().deviceData;
        // Without settings there is nothing to save: no dialog.
        run(&FileCommands::saveSettings, QStringLiteral("n.nst"));
        QVERIFY(m_requests.isEmpty());

        data.settingsValid = true;
        data.image().combinationIndex = 9;
        data.image().factoryNumber = 0xBEEF;
        QVERIFY(writeBytes(path(QStringLiteral("n.nst")), QByteArray(100, 'x')));
        run(&FileCommands::saveSettings, QStringLiteral("n.nst"));
        // Nothing ever read: 3084 zero bytes.
        run(&FileCommands::saveEvents, QStringLiteral("z.rzd"));
        QCOMPARE(m_requests.size(), 2);
        // The default settings, combination 9, 0xBEEF, label file code 20 and its complement;
        // the longer old file is replaced whole.
        QCOMPARE(readBytes(path(QStringLiteral("n.nst"))).toHex(),
                 QByteArray("0000000165bd333d1565952f02060021"
                            "09000000efbe14eb"));
        QCOMPARE(readBytes(path(QStringLiteral("z.rzd"))), QByteArray(3084, '\0'));
        QCOMPARE(context().lines, (Lines{"Zapisano nastawy", "Zapisano zdarzenia na dysk"}));
        QVERIFY(m_page->messages.isEmpty());
    }

    void commandsWaitForTheLogAndTheRegister()
    {
        // A page holding an invalid entry keeps the front: no dialog, nothing runs.
        context().activePage = 3;
        context().refuseLeave = true;
        context().deviceData.settingsValid = true;
        for (auto command : {&FileCommands::loadSettings, &FileCommands::saveSettings,
                             &FileCommands::loadEvents, &FileCommands::saveEvents})
            run(command, QStringLiteral("a.nst"));
        QVERIFY(m_requests.isEmpty());
        QCOMPARE(context().activePage, 3);
        context().refuseLeave = false;

        // A register being read is neither replaced nor saved.
        m_page->establish();
        m_page->goOnline();
        m_page->page->readEvents();
        QVERIFY(m_page->page->readingEvents());
        QVERIFY(writeBytes(path(QStringLiteral("a.rzd")), goodEvents()));
        const QByteArray before = heldBytes(context().deviceData);
        run(&FileCommands::loadEvents, QStringLiteral("a.rzd"));
        run(&FileCommands::saveEvents, QStringLiteral("a.rzd"));
        QVERIFY(m_requests.isEmpty());
        QCOMPARE(heldBytes(context().deviceData), before);
        QCOMPARE(readBytes(path(QStringLiteral("a.rzd"))), goodEvents());

        run(&FileCommands::loadSettings, QString());
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(context().activePage, CInitPage::pageIndex);
    }

    // The file of the dialog loaded (or refused with its message); a loaded register brings
    // the events page to the front.
    void loadCommands_data()
    {
        QTest::addColumn<bool>("events");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("chosen"); // empty: Cancel
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, bool events, const QByteArray& bytes,
                            const char* chosen, const char* message = "") {
            QTest::newRow(name) << events << bytes << QString(chosen) << QString(message);
        };
        row("settings", false, goodSettings, "bez");
        row("settings, combination 16", false, QByteArray(goodSettings).replace(16, 1, "\x10"),
            "a.nst", "Niewłaściwy plik nastaw");
        row("settings, cancel", false, goodSettings, "");
        row("events", true, goodEvents(), "a.rzd");
        row("events, missing", true, QByteArray(), "brak.rzd",
            "Problem z czytaniem zdarzeń z dysku");
    }

    void loadCommands()
    {
        QFETCH(bool, events);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        if (!bytes.isNull() && !chosen.isEmpty())
            QVERIFY(writeBytes(path(chosen), bytes));
        const QByteArray before = heldBytes(context().deviceData);
        run(events ? &FileCommands::loadEvents : &FileCommands::loadSettings, chosen);
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_page->messages, message.isEmpty() ? Lines() : Lines{message});
        const bool loaded = message.isEmpty() && !chosen.isEmpty();
        QCOMPARE(heldBytes(context().deviceData) != before, loaded);
        QCOMPARE(context().deviceData.settingsValid, loaded && !events);
        QCOMPARE(context().settingsPagesAdded, int(loaded && !events));
        QCOMPARE(context().eventsPageAdded, int(loaded && events));
        QCOMPARE(context().activePage,
                 loaded && events ? FakeContext::eventsPageIndex : CInitPage::pageIndex);
        QCOMPARE(context().lines.size(), int(loaded));
    }

private:
    FileCommands& commands() { return *m_commands; }
    FakeContext& context() { return m_page->context; }
    QString path(const QString& name) const { return m_page->labelsDir.filePath(name); }
    // Runs a command whose dialog answers with this file (empty: Cancel).
    void run(void (FileCommands::*command)(), const QString& chosen)
    {
        m_chosen = chosen.isEmpty() ? QString() : path(chosen);
        (commands().*command)();
    }

    std::unique_ptr<PageFixture> m_page;
    std::unique_ptr<FileCommands> m_commands;
    QString m_chosen;
    QList<FileCommands::DialogRequest> m_requests;
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
