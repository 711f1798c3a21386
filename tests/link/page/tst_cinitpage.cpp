#include "link/page/cinitpage.h"
#include "model/devicedata.h"
#include "tests/support/pagefixture.h"
#include "tests/support/files.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

template <typename T> T* control(const CInitPage& page, const char* name)
{
    T* widget = page.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QString text(const CInitPage& page, const char* edit)
{
    return control<QLineEdit>(page, edit)->text();
}

} // namespace

class TestCInitPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    }

    void logLineFormat_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        // Blanks, not zeros, pad each field; two blanks separate the text.
        QTest::newRow("single digits") << QTime(9, 5, 3, 7) << "Rozłączono"
                                       << " 9: 5: 3.  7  Rozłączono";
        // A label text is shown, never taken as a format.
        QTest::newRow("percent in text") << QTime(0, 0, 0, 10) << "%d %s %n"
                                         << " 0: 0: 0. 10  %d %s %n";
    }

    void logLineFormat()
    {
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(CInitPage::logLine(time, text), line);
    }

    void logOrderAndBound()
    {
        PageFixture f;
        control<QPushButton>(*f.page, "clearLog")->click();
        QCOMPARE(f.page->logLineCount(), 0);
        // Newest first; the 302nd line pushes out the oldest.
        for (int i = 1; i <= 302; ++i)
            f.page->log(QString::number(i));
        QCOMPARE(f.page->logLineCount(), 301);
        QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  302")));
        QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  2")));
    }

    void portOfTheConnection_data()
    {
        QTest::addColumn<QString>("optionPort");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("kept"); // in the list after the ports are listed again
        const auto row = [](const char* name, const char* option, const char* typed,
                            const char* opened, bool kept = false) {
            QTest::newRow(name) << QString(option) << QString(typed) << QString(opened) << kept;
        };
        row("--port adds a path", "/tmp/line", nullptr, "/tmp/line");
        row("typed over --port", "/tmp/a", "  /tmp/b ", "/tmp/b");
        row("--port server", "rfc2217://gateway:7000", nullptr, "rfc2217://gateway:7000", true);
        row("typed server", nullptr, "rfc2217://127.0.0.1:2217", "rfc2217://127.0.0.1:2217", true);
    }

    void portOfTheConnection()
    {
        QFETCH(QString, optionPort);
        QFETCH(QString, typed);
        PageFixture f({.port = optionPort, .connect = false, .labelsDir = {}});
        f.page->show();
        auto* ports = control<QComboBox>(*f.page, "ports");
        if (!optionPort.isEmpty()) {
            // Listed once, however often the page is shown.
            f.page->hide();
            f.page->show();
            QCOMPARE(ports->currentText(), optionPort);
            QCOMPARE(ports->findText(optionPort), ports->count() - 1);
        }
        if (!typed.isNull())
            ports->setEditText(typed);
        control<QPushButton>(*f.page, "connect")->click();
        QFETCH(QString, opened);
        QCOMPARE(f.line->events.value(0), QStringLiteral("open %1 19200").arg(opened));
        control<QPushButton>(*f.page, "refreshPorts")->click();
        QFETCH(bool, kept);
        QCOMPARE(ports->findData(opened) >= 0, kept);
        QCOMPARE(ports->currentText(), opened);
    }

    void linkUpAndDown()
    {
        PageFixture f;
        f.page->show();
        auto* connectButton = control<QPushButton>(*f.page, "connect");
        auto* disconnectButton = control<QPushButton>(*f.page, "disconnect");
        f.context.hasDeviceAccess = true;
        f.establish();
        QVERIFY(!connectButton->isEnabled() && disconnectButton->isEnabled());
        f.goOnline({.counter = 7300, .version = 22, .factoryNumber = 4321});
        QVERIFY(f.page->isConnected());
        QCOMPARE(text(*f.page, "version"), QStringLiteral("2.2"));
        QCOMPARE(text(*f.page, "operatingHours"), QStringLiteral("2"));
        QCOMPARE(text(*f.page, "factoryNumber"), QStringLiteral("4321"));

        disconnectButton->click();
        f.link().onLinkTick();

        f.link().onCloseWaitElapsed();
        QVERIFY(!f.line->isOpen());
        QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  Rozłączono")));
        QVERIFY(!f.context.hasDeviceAccess);
        QVERIFY(connectButton->isEnabled() && !disconnectButton->isEnabled());
        QVERIFY(f.messages.isEmpty());
    }

    void factoryNumber_data()
    {
        // Keys typed into the emptied entry, what it shows, the number an answer then leaves
        // in place (the last valid one typed, else the controller's) and the prompt of the
        // button and of leaving the page; nothing is sent for a bad entry.
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("prompt");
        const auto row = [](const char* name, const char* keys, const char* shown, int kept,
                            const char* prompt) {
            QTest::newRow(name) << QString(keys) << QString(shown) << kept << QString(prompt);
        };
        const char* range = "Please enter an integer between 0 and 65535.";
        row("empty", "", "", 4321, "Please enter a positive integer.");
        // Letters never get in, five digits at most.
        row("letters, a sixth digit", "77x9999", "77999", 7799, range);
        row("above 16 bits", "65536", "65536", 6553, range);
        row("highest", "65535", "65535", 65535, "");
    }

    void factoryNumber()
    {
        QFETCH(QString, keys);
        QFETCH(QString, prompt);
        PageFixture f;
        f.context.isLocked = false;
        f.page->show();
        f.page->onSetActive();
        auto* edit = control<QLineEdit>(*f.page, "factoryNumber");
        f.establish();
        f.goOnline({.factoryNumber = 4321});
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, keys);
        f.goOnline({.factoryNumber = 4321});
        QTEST(int(f.link().factoryNumberField()), "kept");
        QTEST(edit->text(), "shown");
        QVERIFY(f.messages.isEmpty());

        control<QPushButton>(*f.page, "writeFactoryNumber")->click();
        f.link().onLinkTick();
        QCOMPARE(f.line->written.last() == Requests::factoryNumber(edit->text().toUShort()),
                 prompt.isEmpty());
        QCOMPARE(f.page->onKillActive(), prompt.isEmpty());
        QCOMPARE(f.messages, prompt.isEmpty() ? QStringList() : QStringList(2, prompt));
    }

    void labelFiles()
    {
        PageFixture f;
        QCOMPARE(text(*f.page, "labelFileName"), QStringLiteral("domyślny"));
        const QString file = f.labelsDir.filePath(QStringLiteral("Labels_1.nzw"));
        QVERIFY(writeBytes(file, QByteArray(93696, 'a')));
        // Firmware 1.5 names another file.
        f.establish();
        f.goOnline({.version = 15});
        QCOMPARE(text(*f.page, "labelFileName"), QStringLiteral("Labels_1.nzw"));

        f.context.isLocked = false;
        f.page->onSetActive();
        f.context.deviceData.image().labelSets[0].signalNames[0][0] = 'b';
        control<QPushButton>(*f.page, "saveLabels")->click();
        QVERIFY(f.context.labelLines.contains(QStringLiteral("Zapisano plik etykiet")));
        QCOMPARE(readBytes(file).left(769), QByteArray(768, 'a') + 'b'); // firmware 1.5's file
    }
};

QTEST_MAIN(TestCInitPage)
#include "tst_cinitpage.moc"
