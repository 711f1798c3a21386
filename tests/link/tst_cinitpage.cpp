#include "fakecontext.h"
#include "link/cinitpage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestCInitPage : public QObject {
    Q_OBJECT

private slots:
    void logLineFormat_data();
    void logLineFormat();
    void newestLineOnTop();
    void logKeepsAtMost301Lines();
    void clearLogButton();
    void serviceControlsFollowLocked();
    void benchmarkLogLine();
};

void TestCInitPage::logLineFormat_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    // Blanks, not zeros, pad each field; two blanks separate the text.
    QTest::newRow("single digits") << QTime(9, 5, 3, 7) << "Rozłączono"
                                   << " 9: 5: 3.  7  Rozłączono";
    QTest::newRow("full width") << QTime(23, 59, 58, 999) << "Błąd CRC"
                                << "23:59:58.999  Błąd CRC";
    QTest::newRow("midnight") << QTime(0, 0, 0, 0) << "" << " 0: 0: 0.  0  ";
    // A label text is shown, never taken as a format.
    QTest::newRow("percent in text") << QTime(10, 10, 10, 10) << "%d %s %n"
                                     << "10:10:10. 10  %d %s %n";
}

void TestCInitPage::logLineFormat()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(CInitPage::logLine(time, text), line);
}

namespace {

struct PageFixture {
    PageFixture()
    {
        StartOptions options;
        options.labelsDir = labelsDir.path();
        page = std::make_unique<CInitPage>(context, options);
    }
    QTemporaryDir labelsDir;
    FakeContext context;
    std::unique_ptr<CInitPage> page;
};

template <typename T>
T* control(const CInitPage& page, const char* name)
{
    T* widget = page.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

} // namespace

void TestCInitPage::newestLineOnTop()
{
    PageFixture f;
    const int before = f.page->logLineCount();
    f.page->log(QStringLiteral("pierwsza"));
    f.page->log(QStringLiteral("druga"));
    QCOMPARE(f.page->logLineCount(), before + 2);
    QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  druga")));
    QVERIFY(f.page->logLineAt(1).endsWith(QStringLiteral("  pierwsza")));
    // The prefix is the time of the line, taken when it was logged.
    const QRegularExpression prefix(QStringLiteral("^[ \\d]\\d:[ \\d]\\d:[ \\d]\\d\\.[ \\d]{2}\\d  "));
    QVERIFY(prefix.match(f.page->logLineAt(0)).hasMatch());
}

void TestCInitPage::logKeepsAtMost301Lines()
{
    PageFixture f;
    f.page->findChild<QPushButton*>(QStringLiteral("clearLog"))->click();
    for (int i = 1; i <= 301; ++i)
        f.page->log(QString::number(i));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  1")));
    // The 302nd line pushes out the oldest.
    f.page->log(QStringLiteral("302"));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(0).endsWith(QStringLiteral("  302")));
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  2")));
    for (int i = 303; i <= 1000; ++i)
        f.page->log(QString::number(i));
    QCOMPARE(f.page->logLineCount(), 301);
    QVERIFY(f.page->logLineAt(300).endsWith(QStringLiteral("  700")));
}

void TestCInitPage::clearLogButton()
{
    PageFixture f;
    f.page->log(QStringLiteral("a"));
    control<QPushButton>(*f.page, "clearLog")->click();
    QCOMPARE(f.page->logLineCount(), 0);
    f.page->log(QStringLiteral("b"));
    QCOMPARE(f.page->logLineCount(), 1);
}

void TestCInitPage::serviceControlsFollowLocked()
{
    PageFixture f;
    f.page->show();
    f.page->onSetActive();
    auto* factoryNumber = control<QLineEdit>(*f.page, "factoryNumber");
    const char* service[] = {"reset", "writeFactoryNumber", "saveLabels"};
    for (const char* name : service)
        QVERIFY2(!control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(factoryNumber->isReadOnly());

    // The password alone changes nothing until the page is next activated.
    f.context.isLocked = false;
    QVERIFY(!control<QPushButton>(*f.page, "reset")->isVisible());
    f.page->onSetActive();
    for (const char* name : service)
        QVERIFY2(control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(!factoryNumber->isReadOnly());

    f.context.isLocked = true;
    f.page->onSetActive();
    for (const char* name : service)
        QVERIFY2(!control<QPushButton>(*f.page, name)->isVisible(), name);
    QVERIFY(factoryNumber->isReadOnly());
    // The buttons that are always there stay.
    QVERIFY(control<QPushButton>(*f.page, "connect")->isVisible());
    QVERIFY(control<QPushButton>(*f.page, "clearLog")->isVisible());
}

void TestCInitPage::benchmarkLogLine()
{
    PageFixture f;
    f.page->show();
    for (int i = 0; i < CInitPage::maxLogLines; ++i)
        f.page->log(QStringLiteral("Nastawy odczytano"));
    QBENCHMARK {
        f.page->log(QStringLiteral("Nastawy odczytano"));
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TestCInitPage)
#include "tst_cinitpage.moc"
