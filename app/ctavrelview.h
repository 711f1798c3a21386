#pragma once

#include "app/commands.h"
#include "app/pageregistry.h"
#include "pagekit/appcontext.h"
#include "pagekit/startoptions.h"

#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>

class AnimationWidget;
class CMyProperty;
class CPropertyPage;
class FileCommands;
class LabelStore;
class LinkControl;
class QLineEdit;
class QPushButton;

// The form view filling the main window: the login strip on top and the property
// sheet below it. Owns the pages, the access flags and the file commands; every page
// reaches the shared data and the view's operations through it.
class CTavrelView : public QWidget, public AppContext {
    Q_OBJECT
public:
    static constexpr QPoint sheetOrigin{2, 54};

    CTavrelView(DeviceData& data, LabelStore& labels, const StartOptions& options,
                const PageFactory& factory = createPage, QWidget* parent = nullptr);
    ~CTavrelView() override;

    // AppContext
    DeviceData& data() override { return m_data; }
    LabelStore& labels() override { return m_labels; }
    bool locked() const override { return m_locked; }
    bool deviceAccess() const override { return m_deviceAccess; }
    bool isConnected() const override;
    bool readingEvents() const override;
    void logMessage(const QString& text) override;
    int activePageIndex() const override;
    bool setActivePage(int index) override;
    void addSettingsPages() override;
    void addEventsPage() override;
    void activateEventsPage() override;
    void startPrintout(int mode) override;
    void writeRs485Config() override;
    void setLinkAnimationPlaying(bool playing) override;
    void clearDeviceAccess() override { m_deviceAccess = false; }

    QSize sizeHint() const override { return minimumSize(); }

    bool isCommandEnabled(Command command) const;
    // Runs a menu command, unless its rule forbids it now or the page in front
    // refuses to give way to the communication page.
    void runCommand(Command command);

    // Carries out a command in place of the view: the settings write with its backup and
    // check, restoring a backup, the service report.
    // Tells whether a sequence of link operations (a checked write, a restore, a report)
    // is running; the commands that would interfere wait for its end.
    void setSequenceQuery(std::function<bool()> query) { m_sequenceRunning = std::move(query); }
    void setCommandHandler(Command command, std::function<void()> handler)
    {
        m_handlers[command] = std::move(handler);
    }

    // The "Zatwierdź hasło" button.
    void confirmPassword();

    CMyProperty* sheet() const { return m_sheet; }
    // The page of that kind, or null while it has not joined the sheet.
    CPropertyPage* page(PageKind kind) const { return m_pages[static_cast<int>(kind)]; }
    LinkControl* link() const { return m_link; }
    FileCommands& fileCommands() const { return *m_fileCommands; }
    QLineEdit* passwordEdit() const { return m_password; }
    AnimationWidget* linkAnimation() const { return m_linkAnimation; }
    AnimationWidget* idleAnimation() const { return m_idleAnimation; }
    int printMode() const { return m_printMode; }

private:
    QWidget* buildLoginStrip();
    void buildSheet(const PageFactory& factory);
    void addPage(PageKind kind);
    void fitSheet(const QSize& pageArea);
    bool bringCommunicationPageToFront();
    void runLinkCommand(Command command);

    DeviceData& m_data;
    LabelStore& m_labels;
    StartOptions m_options;
    AnimationWidget* m_linkAnimation = nullptr;
    AnimationWidget* m_idleAnimation = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_confirm = nullptr;
    bool m_locked = true;
    bool m_deviceAccess = false;
    QWidget* m_strip = nullptr;
    CMyProperty* m_sheet = nullptr;
    PageFactory m_factory;
    QSize m_pageArea;
    std::array<CPropertyPage*, std::size(allPageKinds)> m_pages{};
    LinkControl* m_link = nullptr;
    std::unique_ptr<FileCommands> m_fileCommands;
    int m_printMode = 0;
    std::map<Command, std::function<void()>> m_handlers;
    std::function<bool()> m_sequenceRunning;
};
