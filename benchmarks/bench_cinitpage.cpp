// bench_cinitpage: the communication page's log when it is full. Run with
// QT_QPA_PLATFORM=offscreen; prints QtTest's figures per line logged.

#include "link/page/cinitpage.h"
#include "tests/support/pagefixture.h"

#include <QtTest>

class BenchCInitPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*.debug=false"));
    }
    void logLineFullLog();
};

// A full log: one line in, one out, and the repaint.
void BenchCInitPage::logLineFullLog()
{
    PageFixture f;
    f.page->show();
    for (int i = 0; i < CInitPage::maxLogLines; ++i)
        f.page->log(QStringLiteral("Nastawy odczytano"));
    // The first paint of the whole page is not part of a line.
    QVERIFY(QTest::qWaitForWindowExposed(f.page.get()));
    QCoreApplication::processEvents();
    QBENCHMARK
    {
        f.page->log(QStringLiteral("Nastawy odczytano"));
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(BenchCInitPage)
#include "bench_cinitpage.moc"
