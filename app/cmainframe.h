#pragma once

#include "app/commands.h"
#include "app/pageregistry.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "pagekit/startoptions.h"

#include <QMainWindow>
#include <map>

class CTavrelView;
class LinkTools;
class QAction;
class QMenu;

// The main window: a fixed-size frame titled "Dorvik" with the menu bar. Owns the one
// DeviceData and its label files; the view in its client area owns everything else.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const StartOptions& options = {}, const PageFactory& factory = createPage,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    DeviceData& data() { return m_data; }
    LabelStore& labels() { return m_labels; }
    CTavrelView* view() const { return m_view; }
    // The traffic monitor and the settings differences.
    LinkTools* linkTools() const { return m_linkTools; }
    QAction* action(Command command) const;

    // Sets each item of the menu enabled by its rule, as when the menu opens.
    void updateMenu(QMenu* menu);
    void updateAllMenus();

private:
    QMenu* addMenu(const QString& title, std::initializer_list<std::pair<Command, QString>> items);
    void onCommand(Command command);
    void showAbout();

    DeviceData m_data;
    LabelStore m_labels;
    CTavrelView* m_view = nullptr;
    LinkTools* m_linkTools = nullptr;
    std::map<Command, QAction*> m_actions;
};
