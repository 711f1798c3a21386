#include "craftedregister.h"
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

QTEST_MAIN(BenchEventsDlg)
#include "bench_eventsdlg.moc"
