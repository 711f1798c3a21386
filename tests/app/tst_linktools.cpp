#include "../link/linktesthelpers.h"
#include "app/cmainframe.h"
#include "app/ctavrelview.h"
#include "app/linktools.h"
#include "app/trafficwindow.h"
#include "fakepages.h"
#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "link/trafficmonitor.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Fake;

namespace {

// The window's communication page with a real engine on a line in memory.
class EnginePage : public FakeLinkPage {
public:
    explicit EnginePage(AppContext& context)
        : FakeLinkPage(pageTitle(PageKind::Communication)),
          m_labels(context.data(), m_dir.path(), {}), m_engine(context.data(), m_labels, m_line, {})
    {
        SettingsRecord::applyDefaults(context.data());
        m_labels.setLabelFileCode(LabelStore::startCode);
    }
    DeviceLink* deviceLink() override { return &m_engine; }
    MemoryLine& line() { return m_line; }

private:
    QTemporaryDir m_dir;
    MemoryLine m_line;
    LabelStore m_labels;
    DeviceLink m_engine;
};

} // namespace

// What the main window adds to the link: the traffic window and the lists of settings
// that differ.
class TestLinkTools : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void writeAsksOnlyWhenItWouldChangeSomething();
    void compareShowsTheDifferences();
    void trafficWindowListsSavesAndClears();

private:
    void makeFrame();
    EnginePage* page() const
    {
        return static_cast<EnginePage*>(m_frame->view()->page(PageKind::Communication));
    }
    DeviceLink& engine() const { return *page()->deviceLink(); }
    MemoryLine& memoryLine() const { return page()->line(); }
    void bringUp();
    void answerSettingsRequest(const SettingsImage& image, unsigned combination);

    std::unique_ptr<CMainFrame> m_frame;
    struct Shown {
        QStringList rows;
        SettingsDiffDialog::Purpose purpose;
    };
    QList<Shown> m_shown;
    bool m_goOn = false;
};

void TestLinkTools::makeFrame()
{
    m_frame = std::make_unique<CMainFrame>(
        StartOptions{},
        [](PageKind kind, AppContext& context, const StartOptions& options) -> CPropertyPage* {
            if (kind == PageKind::Communication)
                return new EnginePage(context);
            return createFakePage(kind, context, options);
        });
    m_shown.clear();
    m_frame->linkTools()->setDiffViewer(
        [this](const QList<SettingsDiff::Difference>& list, SettingsDiffDialog::Purpose purpose) {
            QStringList rows;
            for (const auto& d : list)
                rows << d.name + '|' + d.held + '|' + d.device;
            m_shown.append({rows, purpose});
            return m_goOn;
        });
}

void TestLinkTools::cleanup()
{
    m_frame.reset();
}

void TestLinkTools::bringUp()
{
    engine().connectDevice();
    memoryLine().deliver(probeAnswer());
    engine().onConnectTick();
    memoryLine().deliver(writeAnswer(0, 1));
    engine().onConnectTick();
    engine().onLinkTick();
    memoryLine().deliver(statusAnswer());
    QVERIFY(engine().IsConnected());
    page()->connected = true;
}

void TestLinkTools::answerSettingsRequest(const SettingsImage& image, unsigned combination)
{
    engine().onLinkTick();
    QCOMPARE(memoryLine().written.last(), Requests::settingsRead());
    memoryLine().deliver(settingsAnswer(image, std::uint8_t(combination)));
}

void TestLinkTools::writeAsksOnlyWhenItWouldChangeSomething()
{
    makeFrame();
    bringUp();
    CTavrelView& view = *m_frame->view();
    // Nothing read on this link yet: nothing to compare with.
    m_frame->data().settingsValid = true;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(page()->calls, QStringList{"writeSettings"});

    SettingsImage device = SettingsRecord::defaultImage;
    device.bytes[15] = 0x45;
    engine().readSettings();
    answerSettingsRequest(device, 3);
    // Read and unchanged: written without a question.
    view.runCommand(Command::WriteSettings);
    QVERIFY(m_shown.isEmpty());

    // Edited since: the write would change row 0; register 7 and the combination are not
    // written, so an edit there alone asks nothing.
    DeviceImage& image = m_frame->data().image();
    image.settings.bytes[15] = 0x21;
    image.combinationIndex = 4;
    view.runCommand(Command::WriteSettings);
    QVERIFY(m_shown.isEmpty());
    image.settings.bytes[4] = 0x8B;
    m_goOn = false;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].purpose, SettingsDiffDialog::Purpose::Write);
    QCOMPARE(m_shown[0].rows, QStringList{"tgSZR - czas graniczny dla SZR|10 [s]|10000 [ms]"});
    QCOMPARE(page()->calls.count("writeSettings"), 3);
    QCOMPARE(page()->lines.last(), QString("Zapis nastaw do Dorvik anulowano"));
    m_goOn = true;
    view.runCommand(Command::WriteSettings);
    QCOMPARE(page()->calls.count("writeSettings"), 4);

    // Once the controller confirms a write, what it holds is what was sent.
    engine().writeSettings();
    engine().onLinkTick();
    memoryLine().deliver(writeAnswer(0, 7));
    m_shown.clear();
    view.runCommand(Command::WriteSettings);
    QVERIFY(m_shown.isEmpty());
    // A new link knows nothing of the old one's settings.
    engine().disconnectDevice();
    engine().onLinkTick();
    engine().onCloseWaitElapsed();
    QVERIFY(!engine().deviceSettings());
}

void TestLinkTools::compareShowsTheDifferences()
{
    makeFrame();
    bringUp();
    engine().compareSettings();
    answerSettingsRequest(SettingsRecord::defaultImage, 0);
    QVERIFY(m_shown.isEmpty()); // identical

    SettingsImage device = SettingsRecord::defaultImage;
    device.bytes[3] = 0x02;
    engine().compareSettings();
    answerSettingsRequest(device, 2);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].purpose, SettingsDiffDialog::Purpose::Compare);
    QCOMPARE(m_shown[0].rows,
             (QStringList{"Wyjście programowalne: Default text 25|1|0",
                          "Wyjście programowalne: Default text 26|0|1",
                          "Kombinacja|0 (Układ: 1, Wariant: A)|2 (Układ: 2, Wariant: A)"}));
    // The record is left as it was.
    QCOMPARE(m_frame->data().image().settings.bytes[3], 0x01);
}

void TestLinkTools::trafficWindowListsSavesAndClears()
{
    makeFrame();
    bringUp();
    m_frame->view()->setActivePage(0);
    engine().onLinkTick();
    engine().onReplyTimeout();
    engine().onLinkTick();
    QByteArray spoilt = statusAnswer();
    spoilt[spoilt.size() - 1] = char(spoilt.back() ^ 0x5A);
    memoryLine().deliver(spoilt);

    QAction* open = nullptr;
    for (QAction* action : m_frame->menuBar()->actions()[1]->menu()->actions())
        open = action->text() == "Ruch na łączu" ? action : open;
    QVERIFY(open);
    open->trigger();
    TrafficWindow* window = m_frame->linkTools()->trafficWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QString("Ruch na łączu"));
    QCOMPARE(m_frame->view()->activePageIndex(), 0); // the sheet keeps its page

    const QAbstractItemModel* model = window->table()->model();
    // probe, its answer, link opening, its answer, status poll, its answer, poll,
    // time-out, poll, the spoilt answer
    QCOMPARE(model->rowCount(), 10);
    QStringList marked;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 3).data(Qt::ForegroundRole).value<QColor>() == Qt::red)
            marked << model->index(row, 3).data().toString();
    }
    QCOMPARE(marked, (QStringList{"Brak odpowiedzi: Odczyt stanu", "Błąd CRC: Odczyt stanu"}));
    QVERIFY(window->statisticsText().contains("Powtórzenia: 1\n"));
    QVERIFY(window->statisticsText().contains("Błędy CRC: 1\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath("ruch.txt");
    window->setPathAsker([&](QWidget*) { return path; });
    QVERIFY(window->saveToFile());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QVERIFY(lines[0].endsWith(" ->   ff 03 00 09 00 01 41 d6  Sprawdzenie łącza"));
    QVERIFY(lines[7].endsWith(" -- ! Brak odpowiedzi: Odczyt stanu"));

    window->clearList();
    QCOMPARE(model->rowCount(), 0);
    engine().onLinkTick();
    QCOMPARE(model->rowCount(), 0); // in the error pause nothing is sent
}

QTEST_MAIN(TestLinkTools)
#include "tst_linktools.moc"
