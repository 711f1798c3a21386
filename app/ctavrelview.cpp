#include "app/ctavrelview.h"

#include "app/animationwidget.h"
#include "app/cmyproperty.h"
#include "app/filecommands.h"
#include "app/printjob.h"
#include "events/ceventsdlg.h"
#include "events/eventsprintsource.h"
#include "model/devicedata.h"
#include "model/password.h"
#include "model/strings.h"
#include "pagekit/cpropertypage.h"
#include "pagekit/eventslistquery.h"
#include "pagekit/linkcontrol.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <algorithm>

Q_LOGGING_CATEGORY(lcView, "tavrel.app")

namespace {

constexpr int stripHeight = 54;
// The page area of the sheet, fitting the largest of the pages; a larger page
// widens the sheet (and the window) for all pages when it joins.
constexpr QSize minimumPageArea{850, 460};

// The printout a command starts (see PrintMode), 0 for any other command.
int printModeOf(Command command)
{
    switch (command) {
    case Command::PrintSettings:
        return PrintMode::settings;
    case Command::PreviewSettings:
        return PrintMode::settings | PrintMode::preview;
    case Command::PdfSettings:
        return PrintMode::settings | PrintMode::pdf;
    case Command::PrintEvents:
        return PrintMode::events;
    case Command::PreviewEvents:
        return PrintMode::events | PrintMode::preview;
    case Command::PdfEvents:
        return PrintMode::events | PrintMode::pdf;
    default:
        return 0;
    }
}

int indexOf(PageKind kind)
{
    return static_cast<int>(kind);
}

} // namespace

CTavrelView::CTavrelView(DeviceData& data, LabelStore& labels, const StartOptions& options,
                         const PageFactory& factory, QWidget* parent)
    : QWidget(parent), m_data(data), m_labels(labels), m_options(options)
{
    buildSheet(factory);
    m_fileCommands = std::make_unique<FileCommands>(*this, this);
    m_strip = buildLoginStrip();
    fitSheet(m_pageArea);

    m_linkAnimation->open(linkClip());
    m_idleAnimation->open(idleClip());
    m_idleAnimation->play(0, 62, -1);
}

CTavrelView::~CTavrelView()
{
    // Pages may still report to the view while they close (the communication page
    // closes its port), so they go first, while the view is whole.
    m_link = nullptr;
    for (CPropertyPage*& page : m_pages) {
        if (!m_sheet->hasPage(page))
            delete page;
        page = nullptr;
    }
    delete m_sheet;
    m_sheet = nullptr;
}

QWidget* CTavrelView::buildLoginStrip()
{
    auto* strip = new QWidget(this);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(10, 0, 10, 4);
    layout->setSpacing(8);

    auto* status = new QLabel(QStringLiteral("Stan komunikacji"), strip);
    m_linkAnimation = new AnimationWidget(strip);
    m_linkAnimation->setObjectName(QStringLiteral("linkAnimation"));

    auto* group = new QGroupBox(QStringLiteral("Logowanie"), strip);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->setContentsMargins(8, 0, 8, 4);
    m_password = new QLineEdit(group);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAlignment(Qt::AlignCenter);
    m_password->setFixedWidth(180);
    m_confirm = new QPushButton(QStringLiteral("Zatwierdź hasło"), group);
    m_confirm->setObjectName(QStringLiteral("confirmPassword"));
    groupLayout->addWidget(m_password);
    groupLayout->addWidget(m_confirm);

    m_idleAnimation = new AnimationWidget(strip);
    m_idleAnimation->setObjectName(QStringLiteral("idleAnimation"));

    layout->addWidget(status);
    layout->addWidget(m_linkAnimation);
    layout->addStretch(1);
    layout->addWidget(group);
    layout->addStretch(1);
    layout->addWidget(m_idleAnimation);

    connect(m_confirm, &QPushButton::clicked, this, &CTavrelView::confirmPassword);
    connect(m_password, &QLineEdit::returnPressed, this, &CTavrelView::confirmPassword);
    return strip;
}

void CTavrelView::buildSheet(const PageFactory& factory)
{
    m_factory = factory;
    m_pageArea = minimumPageArea;
    m_sheet = new CMyProperty(this);
    m_sheet->setObjectName(QStringLiteral("sheet"));
    m_sheet->move(sheetOrigin);
    addPage(PageKind::Intro);
    addPage(PageKind::Communication);
    m_link = dynamic_cast<LinkControl*>(page(PageKind::Communication));
}

void CTavrelView::addPage(PageKind kind)
{
    CPropertyPage*& slot = m_pages[indexOf(kind)];
    if (!slot) {
        // A page is made when it first joins the sheet, so that the window shows up
        // without waiting for pages that have nothing to show yet.
        slot = m_factory(kind, *this, m_options);
        slot->setParent(this);
        slot->hide();
    }
    if (m_sheet->hasPage(slot))
        return;
    // The sheet widens only for a page that cannot fit at all; one that merely would
    // like more room (a list) takes the area there is.
    const QSize area =
        m_pageArea.expandedTo(slot->minimumSizeHint()).expandedTo(slot->minimumSize());
    m_sheet->addPage(slot);
    if (area != m_pageArea || m_sheet->pageCount() == 1)
        fitSheet(area);
    else
        slot->setMinimumSize(m_pageArea);
}

void CTavrelView::fitSheet(const QSize& pageArea)
{
    m_pageArea = pageArea;
    for (int i = 0; i < m_sheet->pageCount(); ++i)
        m_sheet->page(i)->setMinimumSize(m_pageArea);
    m_sheet->setMinimumSize(0, 0);
    m_sheet->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_sheet->setFixedSize(m_sheet->sizeHint().expandedTo(m_sheet->minimumSizeHint()));
    if (m_strip) {
        const int width =
            std::max(m_sheet->width() + 2 * sheetOrigin.x(), m_strip->sizeHint().width());
        m_strip->setGeometry(0, 0, width, stripHeight);
        setFixedSize(width, sheetOrigin.y() + m_sheet->height() + sheetOrigin.x());
        updateGeometry();
    }
}

bool CTavrelView::isConnected() const
{
    return m_link && m_link->isConnected();
}

bool CTavrelView::readingEvents() const
{
    return m_link && m_link->readingEvents();
}

void CTavrelView::logMessage(const QString& text)
{
    if (m_link)
        m_link->log(text);
    else
        qCInfo(lcView) << text;
}

int CTavrelView::activePageIndex() const
{
    return m_sheet ? m_sheet->activePageIndex() : -1;
}

bool CTavrelView::setActivePage(int index)
{
    return m_sheet && m_sheet->setActivePage(index);
}

void CTavrelView::addSettingsPages()
{
    for (PageKind kind : {PageKind::Times, PageKind::Program, PageKind::Circuit, PageKind::Rs485})
        addPage(kind);
}

void CTavrelView::addEventsPage()
{
    addPage(PageKind::Events);
}

void CTavrelView::activateEventsPage()
{
    const int index = m_sheet->indexOfPage(page(PageKind::Events));
    if (auto* events = dynamic_cast<CEventsDlg*>(page(PageKind::Events)))
        events->registerChanged(); // already in front: list the new register now
    if (index >= 0)
        m_sheet->setActivePage(index);
}

bool CTavrelView::bringCommunicationPageToFront()
{
    return m_sheet->setActivePage(m_sheet->indexOfPage(page(PageKind::Communication)));
}

void CTavrelView::startPrintout(int mode)
{
    m_printMode = mode;
    if (!bringCommunicationPageToFront())
        return;
    logMessage(stringText((mode & PrintMode::events) ? StringId::printingEvents
                                                     : StringId::printingSettings));
    std::optional<EventsPrintSource> events;
    if (mode & PrintMode::events) {
        const auto* eventsPage = dynamic_cast<const CEventsDlg*>(page(PageKind::Events));
        if (!eventsPage)
            return;
        events = eventsPrintSource(*eventsPage);
    }
    runPrintJob(mode, *this, events, this);
}

void CTavrelView::writeRs485Config()
{
    if (m_link)
        m_link->writeRs485Config();
}

void CTavrelView::setLinkAnimationPlaying(bool playing)
{
    if (playing) {
        m_linkAnimation->play(0, m_linkAnimation->frameCount() - 1, -1);
    } else {
        // Back to the quiet line, so a dropped link never looks busy.
        m_linkAnimation->stop();
        m_linkAnimation->seek(0);
    }
}

bool CTavrelView::isCommandEnabled(Command command) const
{
    CommandState state;
    state.connected = isConnected();
    state.portOpen = m_link && m_link->isPortOpen();
    state.settingsValid = m_data.settingsValid;
    state.readingEvents = readingEvents();
    const auto* events = dynamic_cast<const EventsListQuery*>(page(PageKind::Events));
    state.eventsListBuilt = events && events->isListBuilt();
    state.sequenceRunning = m_sequenceRunning && m_sequenceRunning();
    return ::isCommandEnabled(command, state);
}

void CTavrelView::runCommand(Command command)
{
    // The rule is taken again: the state may have changed while the menu was open.
    if (!isCommandEnabled(command))
        return;
    const bool printing = printModeOf(command) != 0;
    if (needsCommunicationPage(command) && !printing && !bringCommunicationPageToFront())
        return;

    if (const auto handler = m_handlers.find(command); handler != m_handlers.end()) {
        handler->second();
        return;
    }
    switch (command) {
    case Command::Connect:
    case Command::Disconnect:
    case Command::ReadSettings:
    case Command::WriteSettings:
    case Command::CompareSettings:
    case Command::ReadEvents:
        if (m_link)
            runLinkCommand(command);
        break;
    case Command::PrintSettings:
    case Command::PreviewSettings:
    case Command::PdfSettings:
    case Command::PrintEvents:
    case Command::PreviewEvents:
    case Command::PdfEvents:
        startPrintout(printModeOf(command));
        break;
    case Command::ExportEventsCsv:
        if (auto* events = dynamic_cast<CEventsDlg*>(page(PageKind::Events)))
            events->exportCsv();
        break;
    case Command::ShowTimeline:
        if (auto* events = dynamic_cast<CEventsDlg*>(page(PageKind::Events)))
            events->showTimeline();
        break;
    case Command::OpenSettings:
    case Command::SaveSettings:
    case Command::OpenEvents:
    case Command::SaveEvents:
        m_fileCommands->run(command);
        break;
    case Command::Exit:
    case Command::About:
    case Command::RestoreBackup:
    case Command::ServiceReport:
        // The frame's own commands.
        break;
    }
}

void CTavrelView::runLinkCommand(Command command)
{
    switch (command) {
    case Command::Connect:
        m_link->connectDevice();
        break;
    case Command::Disconnect:
        m_link->disconnectDevice();
        break;
    case Command::ReadSettings:
        m_link->readSettings();
        break;
    case Command::WriteSettings:
        m_link->writeSettings();
        break;
    case Command::CompareSettings:
        m_link->compareSettings();
        break;
    case Command::ReadEvents:
        m_link->readEvents();
        break;
    default:
        break;
    }
}

void CTavrelView::confirmPassword()
{
    bringCommunicationPageToFront();
    const PasswordResult result =
        checkPassword(m_password->text(), m_data.image().factoryNumber, {m_locked, m_deviceAccess});
    m_locked = result.flags.locked;
    m_deviceAccess = result.flags.deviceAccess;
    logMessage(stringText(result.accepted ? StringId::passwordAccepted : StringId::passwordWrong));
    m_password->clear();
}
