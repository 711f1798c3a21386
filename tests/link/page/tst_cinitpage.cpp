#include "link/page/cinitpage.h"
#include "model/devicedata.h"
#include "tests/support/pagefixture.h"

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
        QTest::newRow("full width") << QTime(23, 59, 58, 999) << "Błąd CRC"
                                    << "23:59:58.999  Błąd CRC";
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
        for (int i = 1; i <= 301; ++i)
            f.page->log(QString::number(i));
        QCOMPARE(f.page->logLineCount(), 301);
        QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  301")));
        QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  1")));
        // The 302nd line pushes out the oldest.
        f.page->log(QStringLiteral("302"));
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
        QTest::newRow("--port adds a path")
            << "/tmp/dorvik-line" << QString() << "/tmp/dorvik-line" << false;
        QTest::newRow("typed path") << QString() << "/dev/pts/77"
                                    << "/dev/pts/77" << false;
        QTest::newRow("typed over --port") << "/tmp/a"
                                           << "  /tmp/b "
                                           << "/tmp/b" << false;
        QTest::newRow("--port server") << "rfc2217://gateway:7000" << QString()
                                       << "rfc2217://gateway:7000" << true;
        QTest::newRow("typed server") << QString() << "rfc2217://127.0.0.1:2217"
                                      << "rfc2217://127.0.0.1:2217" << true;
    }

    void portOfTheConnection()
    {
        QFETCH(QString, optionPort);
        QFETCH(QString, typed);
        QFETCH(QString, opened);
        QFETCH(bool, kept);
        StartOptions options;
        options.port = optionPort;
        PageFixture f(options);
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
        QCOMPARE(f.line->events.value(0), QStringLiteral("open %1 19200").arg(opened));
        control<QPushButton>(*f.page, "refreshPorts")->click();
        QCOMPARE(ports->findData(opened) >= 0, kept);
        QCOMPARE(ports->currentText(), opened);
    }

    void linkUpAndDown()
    {
        PageFixture f;
        f.page->show();
        auto* connectButton = control<QPushButton>(*f.page, "connect");
        auto* disconnectButton = control<QPushButton>(*f.page, "disconnect");
        QVERIFY(connectButton->isEnabled() && !disconnectButton->isEnabled());
        f.context.hasDeviceAccess = true;
        f.establish();
        QVERIFY(f.context.animationPlaying);
        QVERIFY(!connectButton->isEnabled() && disconnectButton->isEnabled());
        f.goOnline({.counter = 7300, .version = 22, .factoryNumber = 4321});
        QVERIFY(f.page->isConnected());
        QCOMPARE(text(*f.page, "version"), QStringLiteral("2.2"));
        QCOMPARE(text(*f.page, "operatingHours"), QStringLiteral("2"));
        QCOMPARE(text(*f.page, "factoryNumber"), QStringLiteral("4321"));

        disconnectButton->click();
        QVERIFY(!f.context.animationPlaying);
        f.link().onLinkTick();
        f.link().onCloseWaitElapsed();
        QVERIFY(!f.line->isOpen());
        QVERIFY(f.logged(QStringLiteral("Rozłączono")));
        QVERIFY(!f.context.hasDeviceAccess);
        QVERIFY(connectButton->isEnabled() && !disconnectButton->isEnabled());
        for (const char* edit : {"version", "operatingHours", "factoryNumber"})
            QCOMPARE(text(*f.page, edit), QStringLiteral("0"));
        QVERIFY(f.messages.isEmpty());
    }

    void factoryNumberEntry()
    {
        PageFixture f;
        f.context.isLocked = false;
        f.page->show();
        f.page->onSetActive();
        auto* edit = control<QLineEdit>(*f.page, "factoryNumber");
        f.establish();
        f.goOnline({.factoryNumber = 4321});

        // Emptied: not a number. The answers keep the last valid one and leave the entry
        // alone, without a prompt.
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        f.answerTick(Fake::statusAnswer({.factoryNumber = 4321}));
        QCOMPARE(f.link().factoryNumberField(), 4321u);
        QCOMPARE(edit->text(), QString());
        // Letters never get in, five digits at most; above 65535 the last number stays.
        QTest::keyClicks(edit, QStringLiteral("77x9999"));
        QCOMPARE(edit->text(), QStringLiteral("77999"));
        f.answerTick(Fake::statusAnswer({.factoryNumber = 4321}));
        QCOMPARE(f.link().factoryNumberField(), 7799u);
        QCOMPARE(edit->text(), QStringLiteral("77999"));
        QVERIFY(f.messages.isEmpty());

        edit->setText(QStringLiteral("65535"));
        control<QPushButton>(*f.page, "writeFactoryNumber")->click();
        f.link().onLinkTick();
        QCOMPARE(f.line->written.last().mid(7, 4), QByteArray::fromHex("aa27ffff"));
    }

    void factoryNumberPrompts_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("empty") << ""
                               << "Please enter a positive integer.";
        QTest::newRow("above 16 bits") << "65536"
                                       << "Please enter an integer between 0 and 65535.";
        QTest::newRow("valid") << "0"
                               << "";
    }

    void factoryNumberPrompts()
    {
        QFETCH(QString, entry);
        QFETCH(QString, prompt);
        PageFixture f;
        f.context.isLocked = false;
        f.page->onSetActive();
        f.establish();
        f.goOnline({.factoryNumber = 4321});
        control<QLineEdit>(*f.page, "factoryNumber")->setText(entry);

        // The button and leaving the page check the entry; nothing is sent when it is bad.
        control<QPushButton>(*f.page, "writeFactoryNumber")->click();
        f.link().onLinkTick();
        QCOMPARE(f.line->written.last() == Requests::factoryNumber(0), prompt.isEmpty());
        QCOMPARE(f.page->onKillActive(), prompt.isEmpty());
        const QStringList prompts = prompt.isEmpty() ? QStringList() : QStringList{prompt, prompt};
        QCOMPARE(f.messages, prompts);
    }

    void labelFiles()
    {
        PageFixture f;
        QCOMPARE(text(*f.page, "labelFileName"), QStringLiteral("domyślny"));
        QFile file(f.labelsDir.filePath(QStringLiteral("Labels_1.nzw")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(93696, 'a'));
        file.close();
        // Firmware 1.5 names another file.
        f.establish();
        f.goOnline({.version = 15});
        QCOMPARE(text(*f.page, "labelFileName"), QStringLiteral("Labels_1.nzw"));

        f.context.isLocked = false;
        f.page->onSetActive();
        f.context.deviceData.image().labelSets[0].signalNames[0][0] = 'b';
        control<QPushButton>(*f.page, "saveLabels")->click();
        QVERIFY(f.context.labelLines.contains(QStringLiteral("Zapisano plik etykiet")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 93696);
        QCOMPARE(bytes.left(769), QByteArray(768, 'a') + 'b');
    }
};

QTEST_MAIN(TestCInitPage)
#include "tst_cinitpage.moc"
