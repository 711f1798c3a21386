#include "app/cmainframe.h"

#include "app/ctavrelview.h"
#include "app/linktools.h"
#include "app/servicereportjob.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "pagekit/linkcontrol.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

CMainFrame::CMainFrame(const StartOptions& options, const PageFactory& factory, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_labels(m_data,
               options.labelsDir.isEmpty() ? QCoreApplication::applicationDirPath()
                                           : options.labelsDir,
               [this](const QString& text) {
                   if (m_view)
                       m_view->logMessage(text);
               })
{
    SettingsRecord::applyDefaults(m_data);
    setWindowTitle(QStringLiteral("Dorvik"));

    addMenu(QStringLiteral("&Plik"), {{Command::ServiceReport, stringText(StringId::reportMenu)},
                                      {Command::Exit, QStringLiteral("E&xit")}});
    QMenu* linkMenu =
        addMenu(QStringLiteral("Komunikacja"), {{Command::Connect, QStringLiteral("Połącz")},
                                                {Command::Disconnect, QStringLiteral("Rozłącz")}});
    addMenu(QStringLiteral("Nastawy"),
            {{Command::OpenSettings, QStringLiteral("Otwórz plik")},
             {Command::SaveSettings, QStringLiteral("Zapisz plik jako...")},
             {Command::ReadSettings, QStringLiteral("Odczyt nastaw z Dorvik")},
             {Command::WriteSettings, QStringLiteral("Zapis nastaw do Dorvik")},
             {Command::CompareSettings, QStringLiteral("Porównaj nastawy z Dorvik")},
             {Command::RestoreBackup, stringText(StringId::restoreMenu)},
             {Command::PrintSettings, QStringLiteral("Drukuj")},
             {Command::PreviewSettings, QStringLiteral("Podgląd wydruku")},
             {Command::PdfSettings, QStringLiteral("Zapisz jako PDF...")}});
    addMenu(QStringLiteral("Zdarzenia"),
            {{Command::OpenEvents, QStringLiteral("Otwórz plik")},
             {Command::SaveEvents, QStringLiteral("Zapisz plik jako...")},
             {Command::ReadEvents, QStringLiteral("Odczyt zdarzeń z Dorvik")},
             {Command::PrintEvents, QStringLiteral("Drukuj")},
             {Command::PreviewEvents, QStringLiteral("Podgląd wydruku")},
             {Command::PdfEvents, QStringLiteral("Zapisz jako PDF...")},
             {Command::ExportEventsCsv, QStringLiteral("Eksport do CSV...")},
             {Command::ShowTimeline, QStringLiteral("Przebieg sygnałów")}});
    addMenu(QStringLiteral("&Help"), {{Command::About, QStringLiteral("&About Tavrel...")}});

    m_view = new CTavrelView(m_data, m_labels, options, factory, this);
    setCentralWidget(m_view);
    // Into the communication page's log, which now exists.
    m_labels.setLabelFileCode(LabelStore::startCode);
    m_linkTools =
        new LinkTools(*m_view, m_view->link() ? m_view->link()->deviceLink() : nullptr, this);
    // With an engine, the settings write is backed up and checked; the backups and the
    // report need one too.
    if (m_linkTools->settingsWrite()) {
        m_view->setCommandHandler(Command::WriteSettings, [this] { m_linkTools->writeSettings(); });
        m_view->setCommandHandler(Command::RestoreBackup, [this] { m_linkTools->restoreBackup(); });
        m_view->setCommandHandler(Command::ServiceReport,
                                  [this] { m_linkTools->serviceReport()->start(this); });
        m_view->setSequenceQuery([this] {
            return m_linkTools->settingsWrite()->isRunning() ||
                   m_linkTools->serviceReport()->isRunning();
        });
    }
    // A window of its own, so it leaves the sheet and its page alone.
    linkMenu->addSeparator();
    linkMenu->addAction(stringText(StringId::trafficTitle), this,
                        [this] { m_linkTools->showTrafficWindow(); });
    // Fixed to the view: the window can be neither resized nor maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

CMainFrame::~CMainFrame()
{
    // The view and its pages use the device data until they are gone.
    delete m_view;
    m_view = nullptr;
}

QMenu* CMainFrame::addMenu(const QString& title,
                           std::initializer_list<std::pair<Command, QString>> items)
{
    QMenu* menu = menuBar()->addMenu(title);
    for (const auto& [command, text] : items) {
        QAction* action = menu->addAction(text);
        action->setData(static_cast<int>(command));
        m_actions[command] = action;
        const Command c = command;
        connect(action, &QAction::triggered, this, [this, c] { onCommand(c); });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
    return menu;
}

QAction* CMainFrame::action(Command command) const
{
    const auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::updateMenu(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        bool ok = false;
        const int id = action->data().toInt(&ok);
        if (ok)
            action->setEnabled(m_view->isCommandEnabled(static_cast<Command>(id)));
    }
}

void CMainFrame::updateAllMenus()
{
    for (QAction* menuAction : menuBar()->actions()) {
        if (QMenu* menu = menuAction->menu())
            updateMenu(menu);
    }
}

void CMainFrame::onCommand(Command command)
{
    switch (command) {
    case Command::Exit:
        close();
        break;
    case Command::About:
        showAbout();
        break;
    default:
        m_view->runCommand(command);
        break;
    }
}

void CMainFrame::showAbout()
{
    QMessageBox::about(
        this, QStringLiteral("About Tavrel"),
        QStringLiteral("<b>Tavrel</b> %1<br><br>"
                       "Konfiguracja i diagnostyka sterownika Dorvik<br>"
                       "Qt %2")
            .arg(QApplication::applicationVersion(), QString::fromLatin1(qVersion())));
}
