#include "craftedregister.h"
#include "events/ceventsdlg.h"
#include "events/clistctrlex.h"
#include "model/labelstore.h"

#include <QTemporaryDir>
#include <QTest>

// Run with QT_QPA_PLATFORM=offscreen; not part of the test suite.
class BenchEventsDlg : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void buildList();
    void buildAndPaintList();
    void showSelectedRow();
    void showSelectedRowPainted();
    void handleRowNotice();

private:
    FakeContext* m_context = nullptr;
    QTemporaryDir* m_dir = nullptr;
    LabelStore* m_labels = nullptr;
    CEventsDlg* m_page = nullptr;
};

void BenchEventsDlg::init()
{
    m_context = new FakeContext;
    m_dir = new QTemporaryDir;
    m_labels = new LabelStore(m_context->data(), m_dir->path(), [](const QString&) {});
    m_labels->setLabelFileCode(LabelStore::startCode);
    fillCraftedRegister(m_context->data().image());
    m_page = new CEventsDlg(*m_context);
    m_page->resize(900, 560);
    m_page->show();
    m_page->onSetActive();
}

void BenchEventsDlg::cleanup()
{
    delete m_page;
    delete m_labels;
    delete m_dir;
    delete m_context;
}

void BenchEventsDlg::buildList()
{
    QBENCHMARK
    {
        m_page->onSetActive();
    }
    QCOMPARE(m_page->list()->itemCount(), 256);
}

void BenchEventsDlg::buildAndPaintList()
{
    QBENCHMARK
    {
        m_page->onSetActive();
        m_page->list()->viewport()->grab();
    }
}

// Selecting a row: the posted notices are handled and the grid shows the entry.
void BenchEventsDlg::showSelectedRow()
{
    int row = 0;
    QBENCHMARK
    {
        row = (row + 37) % 256;
        m_page->list()->selectRow(row);
        QCoreApplication::processEvents();
    }
}

// The same with the whole page painted again afterwards.
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
