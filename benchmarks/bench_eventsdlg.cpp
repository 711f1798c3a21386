#include "craftedregister.h"
#include "events/ceditex.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "model/labelstore.h"
#include "tests/support/fakecontext.h"

#include <QTemporaryDir>
#include <QTest>

// Run with QT_QPA_PLATFORM=offscreen; not part of the test suite.
class BenchEventsDlg : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_page.reset(); }
    void buildAndPaintList();
    void showSelectedRowPainted();
    void handleRowNotice();
    void filterListPainted();

private:
    QTemporaryDir m_dir;
    FakeContext m_context{m_dir.path()};
    std::unique_ptr<CEventsDlg> m_page;
};

void BenchEventsDlg::init()
{
    m_context.labels().setLabelFileCode(LabelStore::startCode);
    fillCraftedRegister(m_context.data().image());
    m_page = std::make_unique<CEventsDlg>(m_context);
    m_page->resize(900, 560);
    m_page->show();
    m_page->onSetActive();
}

void BenchEventsDlg::buildAndPaintList()
{
    QBENCHMARK
    {
        m_page->onSetActive();
        m_page->list()->viewport()->grab();
    }
    QCOMPARE(m_page->list()->itemCount(), 256);
}

// Selecting a row: the posted notices are handled, the grid shows the entry, the page
// is painted again.
void BenchEventsDlg::showSelectedRowPainted()
{
    int row = 0;
    QBENCHMARK
    {
        row = (row + 37) % 256;
        m_page->list()->selectRow(row);
        QCoreApplication::processEvents();
        m_page->grab();
    }
}

// The page's part alone: one row notice handled.
void BenchEventsDlg::handleRowNotice()
{
    int row = 0;
    QBENCHMARK
    {
        row = (row + 37) % 256;
        emit m_page->list()->itemChanged(row);
    }
}

// The filter above the list: rows matched, hidden and shown, the list painted again;
// one signal and a range, then none.
void BenchEventsDlg::filterListPainted()
{
    EventsFilter filter;
    filter.signalNames = {m_page->nameBox(0)->text()};
    filter.from = parseTimeLimit(QStringLiteral("2000-01-01"), false);
    bool on = false;
    QBENCHMARK
    {
        on = !on;
        m_page->setFilter(on ? filter : EventsFilter{});
        m_page->list()->viewport()->grab();
    }
}

QTEST_MAIN(BenchEventsDlg)
#include "bench_eventsdlg.moc"
