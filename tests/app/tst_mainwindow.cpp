#include "app/cmainframe.h"
#include "app/cmyproperty.h"
#include "app/ctavrelview.h"
#include "model/strings.h"
#include "tests/support/fakepages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTest>
#include <array>
#include <memory>

using CommandList = QList<int>;

// The columns of a table, in order: columns<int, bool>({"a", "b"}).
template <typename... T> void columns(const std::array<const char*, sizeof...(T)>& names)
{
    int i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_frame = std::make_unique<CMainFrame>(StartOptions{}, createFakePage);
        // The start label file is looked for once the communication page's log exists.
        QCOMPARE(link()->lines.value(1), stringText(StringId::labelFileMissing));
        link()->lines.clear();
    }

    void cleanup() { m_frame.reset(); }

    void menuEnabling_data()
    {
        // 0: port closed, 1: port open, controller not online (yet), 2: online, 3: online
        // while a checked write (restore, report) runs.
        columns<int, bool, bool, bool, CommandList>(
            {"linkState", "settingsValid", "reading", "listBuilt", "enabled"});

        using C = Command;
        const auto row = [](const char* name, int linkState, bool settingsValid, bool reading,
                            bool listBuilt, std::initializer_list<Command> enabled) {
            CommandList ids{int(C::Exit), int(C::About)};
            if (linkState != 3)
                ids << int(C::OpenSettings);
            for (Command c : enabled)
                ids << int(c);
            QTest::newRow(name) << linkState << settingsValid << reading << listBuilt << ids;
        };
        row("start", 0, false, false, false, {C::Connect, C::OpenEvents, C::SaveEvents});
        row("connected", 2, false, false, false,
            {C::Disconnect, C::ReadSettings, C::OpenEvents, C::SaveEvents, C::ReadEvents,
             C::RestoreBackup, C::ServiceReport});
        row("settings offline", 0, true, false, false,
            {C::Connect, C::SaveSettings, C::PrintSettings, C::PreviewSettings, C::PdfSettings,
             C::OpenEvents, C::SaveEvents});
        row("settings connected", 2, true, false, false,
            {C::Disconnect, C::SaveSettings, C::ReadSettings, C::WriteSettings, C::CompareSettings,
             C::PrintSettings, C::PreviewSettings, C::PdfSettings, C::OpenEvents, C::SaveEvents,
             C::ReadEvents, C::RestoreBackup, C::ServiceReport});
        row("register read running", 2, true, true, true,
            {C::Disconnect, C::SaveSettings, C::ReadSettings, C::WriteSettings, C::CompareSettings,
             C::PrintSettings, C::PreviewSettings, C::PdfSettings, C::RestoreBackup});
        row("events listed offline", 0, false, false, true,
            {C::Connect, C::OpenEvents, C::SaveEvents, C::PrintEvents, C::PreviewEvents,
             C::PdfEvents, C::ExportEventsCsv, C::ShowTimeline});
        // Every status poll refused: the port is open and polled, and must be let go.
        row("port open, not online", 1, false, false, false,
            {C::Disconnect, C::OpenEvents, C::SaveEvents});
        row("checked write running", 3, true, false, true,
            {C::Disconnect, C::SaveSettings, C::PrintSettings, C::PreviewSettings, C::PdfSettings,
             C::OpenEvents, C::SaveEvents, C::PrintEvents, C::PreviewEvents, C::PdfEvents,
             C::ExportEventsCsv, C::ShowTimeline});
    }

    void menuEnabling()
    {
        QFETCH(int, linkState);
        QFETCH(bool, settingsValid);
        QFETCH(bool, reading);
        QFETCH(bool, listBuilt);
        QFETCH(CommandList, enabled);

        link()->portOpen = linkState == 1;
        link()->connected = linkState >= 2;
        m_frame->view()->setSequenceQuery([linkState] { return linkState == 3; });
        link()->reading = reading;
        m_frame->data().settingsValid = settingsValid;
        if (listBuilt) {
            m_frame->view()->addEventsPage();
            events()->built = true;
        }

        int items = 0;
        for (QAction* menuAction : m_frame->menuBar()->actions()) {
            QMenu* menu = menuAction->menu();
            QVERIFY(menu);
            // Enabled by the rule at the moment the menu opens.
            emit menu->aboutToShow();
            for (QAction* item : menu->actions()) {
                bool isCommand = false;
                const int id = item->data().toInt(&isCommand);
                if (!isCommand)
                    continue; // separators, the traffic window
                QVERIFY2(item->isEnabled() == enabled.contains(id),
                         qPrintable(QStringLiteral("%1 (%2)").arg(item->text()).arg(id)));
                ++items;
            }
        }
        QCOMPARE(items, 22);
    }

    void pageBeingLeftIsAsked()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        CTavrelView* view = m_frame->view();
        // Enabled when the menu opened, the link dropped before the click: nothing runs.
        link()->connected = true;
        m_frame->updateAllMenus();
        link()->connected = false;
        view->runCommand(Command::ReadSettings);
        QVERIFY(link()->calls.isEmpty());
        QCOMPARE(view->activePageIndex(), 0);

        // A page holding a bad entry keeps the front: tab clicks, Ctrl+Tab and commands wait.
        link()->connected = true;
        m_frame->data().settingsValid = true;
        view->addSettingsPages();
        QVERIFY(view->setActivePage(3));
        m_frame->updateAllMenus();
        page(PageKind::Program)->refuse = true;
        QTabBar* bar = sheet()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QTest::keyClick(sheet(), Qt::Key_Tab, Qt::ControlModifier);
        sheet()->setCurrentIndex(0);
        m_frame->action(Command::WriteSettings)->trigger();
        QCOMPARE(sheet()->currentIndex(), 3);
        QCOMPARE(view->activePageIndex(), 3);
        QVERIFY(link()->calls.isEmpty());

        page(PageKind::Program)->refuse = false;
        m_frame->action(Command::WriteSettings)->trigger();
        QCOMPARE(view->activePageIndex(), 1);
        QCOMPARE(link()->calls, QStringList{"writeSettings"});
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
        QCOMPARE(sheet()->activePageIndex(), 3);
        QCOMPARE(sheet()->currentIndex(), 3);
    }

    // A register loaded before any settings: the events page stays where it was added.
    void sheetGrowsOnce()
    {
        CTavrelView* view = m_frame->view();
        const auto addEvents = [view] { view->addEventsPage(), view->activateEventsPage(); };
        addEvents();
        view->addSettingsPages();
        view->addSettingsPages();
        addEvents();
        QStringList shown;
        for (int i = 0; i < sheet()->pageCount(); ++i)
            shown << sheet()->page(i)->title();
        QCOMPARE(shown,
                 (QStringList{"Dorvik", "Komunikacja z Dorvik", "Zdarzenia", "Nastawy czasów",
                              "Program działania", "Układ i wariant", "RS 485 konfiguracja"}));
    }

private:
    FakeLinkPage* link() const
    {
        return static_cast<FakeLinkPage*>(m_frame->view()->page(PageKind::Communication));
    }
    FakePage* page(PageKind k) const { return static_cast<FakePage*>(m_frame->view()->page(k)); }
    FakeEventsPage* events() const { return static_cast<FakeEventsPage*>(page(PageKind::Events)); }
    CMyProperty* sheet() const { return m_frame->view()->sheet(); }

    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
