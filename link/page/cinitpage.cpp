#include "link/page/cinitpage.h"

#include "link/devicelink.h"
#include "link/page/portlistupdater.h"
#include "link/portenumeration.h"
#include "link/portline.h"
#include "model/labelstore.h"
#include "model/strings.h"
#include "pagekit/appcontext.h"
#include "pagekit/messagebox.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLineEdit* statusEdit(const char* name, bool readOnly)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setAlignment(Qt::AlignCenter);
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton* button(const QString& text, const char* name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    // A hidden service button keeps its place, as on the dialog.
    QSizePolicy policy = b->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    b->setSizePolicy(policy);
    return b;
}

} // namespace

CInitPage::CInitPage(AppContext& context, const StartOptions& options, QWidget* parent)
    : CInitPage(context, options, std::make_unique<PortLine>(), LinkTimings{}, parent)
{
}

CInitPage::CInitPage(AppContext& context, const StartOptions& options,
                     std::unique_ptr<SerialLine> line, const LinkTimings& timings, QWidget* parent)
    : CPropertyPage(QStringLiteral("Komunikacja z Dorvik"), parent), m_context(context),
      m_options(options), m_line(std::move(line)),
      m_showMessage([this](const QString& text) { showWarning(this, text); })
{
    buildControls();

    LabelStore& labels = m_context.labels();
    connect(&labels, &LabelStore::labelFileNameChanged, m_labelFile, &QLineEdit::setText);
    m_labelFile->setText(labels.labelFileName());

    const LogSink toLog = [this](const QString& text) { log(text); };
    m_link = std::make_unique<DeviceLink>(m_context.data(), labels, *m_line, toLog, timings);
    connectEngine();
    m_portUpdater = new PortListUpdater(*m_ports, *m_link, this);
    connect(m_refreshPorts, &QPushButton::clicked, m_portUpdater, &PortListUpdater::refresh);

    showFields();
    updateLinkButtons();
    updateServiceControls();

    if (m_options.connect) {
        // Once the window is up, as if the user had chosen "Połącz".
        QTimer::singleShot(0, this, [this] {
            if (m_context.setActivePage(pageIndex))
                connectDevice();
        });
    }
}

CInitPage::~CInitPage()
{
    // The engine closes its port; its last words must not reach a half-destroyed page.
    m_link->disconnect(this);
    m_link.reset();
}

void CInitPage::setMessageShower(MessageShower shower)
{
    m_showMessage = std::move(shower);
}

void CInitPage::buildControls()
{
    m_log = new QListWidget;
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setUniformItemSizes(true);
    m_log->setSelectionMode(QAbstractItemView::SingleSelection);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, progressMaximum);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(12);

    m_version = statusEdit("version", true);
    m_hours = statusEdit("operatingHours", true);
    m_factoryNumber = statusEdit("factoryNumber", true);
    m_factoryNumber->setText(QStringLiteral("0"));
    m_factoryNumber->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), this));
    m_labelFile = statusEdit("labelFileName", true);

    auto* status = new QGroupBox(QStringLiteral("Stan urządzenia"));
    auto* statusForm = new QFormLayout(status);
    statusForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    statusForm->addRow(QStringLiteral("Wersja"), m_version);
    statusForm->addRow(QStringLiteral("Rbg"), m_hours);
    statusForm->addRow(QStringLiteral("Nr fabr."), m_factoryNumber);
    statusForm->addRow(QStringLiteral("Plik nazw"), m_labelFile);

    m_reset = button(QStringLiteral("Reset"), "reset");
    m_writeFactoryNumber = button(QStringLiteral("Zapisz Nr Fabr."), "writeFactoryNumber");
    auto* serviceRow = new QHBoxLayout;
    serviceRow->setContentsMargins(0, 0, 0, 0);
    serviceRow->addWidget(m_reset);
    serviceRow->addStretch();
    serviceRow->addWidget(m_writeFactoryNumber);

    m_ports = new QComboBox;
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setEditable(true);
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    m_connect = button(QStringLiteral("Połącz"), "connect");
    m_disconnect = button(QStringLiteral("Rozłącz"), "disconnect");
    auto* connection = new QGroupBox(QStringLiteral("Połączenie"));
    auto* connectionColumn = new QVBoxLayout(connection);
    // The refresh button beside the port box lists plugged-in adapters at once.
    m_refreshPorts = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), QString());
    m_refreshPorts->setObjectName(QStringLiteral("refreshPorts"));
    m_refreshPorts->setToolTip(stringText(StringId::refreshPorts));
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(m_ports, 1);
    portRow->addWidget(m_refreshPorts);
    connectionColumn->addLayout(portRow);
    connectionColumn->addSpacing(8);
    connectionColumn->addWidget(m_connect);
    connectionColumn->addWidget(m_disconnect);

    m_saveLabels = button(QStringLiteral("Zapisz etykiety"), "saveLabels");
    m_clearLog = button(QStringLiteral("Czyść okno"), "clearLog");
    auto* bottomButtons = new QVBoxLayout;
    bottomButtons->setContentsMargins(0, 0, 0, 0);
    bottomButtons->addWidget(m_saveLabels);
    bottomButtons->addWidget(m_clearLog);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addLayout(bottomButtons);
    bottomRow->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(status);
    right->addLayout(serviceRow);
    right->addWidget(connection);
    right->addStretch();
    right->addLayout(bottomRow);

    auto* left = new QVBoxLayout;
    left->addWidget(m_log, 1);
    left->addWidget(m_progress);

    auto* page = new QHBoxLayout(this);
    page->addLayout(left, 1);
    page->addLayout(right);

    QWidget* rightWidth = status;
    rightWidth->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 30);
    connection->setFixedWidth(rightWidth->width());

    connect(m_clearLog, &QPushButton::clicked, m_log, &QListWidget::clear);
}

void CInitPage::showEvent(QShowEvent* event)
{
    CPropertyPage::showEvent(event);
    ensurePortsListed();
}

void CInitPage::ensurePortsListed()
{
    if (m_portsListed)
        return;
    m_portsListed = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const QString& name : EnumerateSerialPorts())
        m_ports->addItem(portDisplayName(name), name);
    QApplication::restoreOverrideCursor();

    int selected = m_ports->count() > 0 ? 0 : -1;
    if (!m_options.port.isEmpty()) {
        selected = m_ports->findData(m_options.port);
        if (selected < 0)
            selected = m_ports->findText(m_options.port);
        if (selected < 0) {
            m_ports->addItem(m_options.port, m_options.port);
            selected = m_ports->count() - 1;
        }
    }
    m_ports->setCurrentIndex(selected);
    takeSelectedPort();
    m_portUpdater->start();
}

void CInitPage::takeSelectedPort()
{
    // A listed port by its name; a typed device path as typed.
    const QString text = m_ports->currentText().trimmed();
    const int index = m_ports->findText(text);
    const QString port = index >= 0 ? m_ports->itemData(index).toString() : text;
    // No listing finds a serial server: the box remembers the ones used.
    if (Rfc2217Line::isRemotePortName(port))
        m_portUpdater->keep(port);
    m_link->setSelectedPort(port);
}

void CInitPage::connectEngine()
{
    DeviceLink* link = m_link.get();
    connect(link, &DeviceLink::linkEstablished, this, [this] {
        m_connect->setEnabled(false);
        m_disconnect->setEnabled(true);
    });
    connect(link, &DeviceLink::connectedChanged, this, &CInitPage::updateLinkButtons);
    connect(link, &DeviceLink::linkEnded, this, [this] {
        updateLinkButtons();
        showFields();
        m_progress->setValue(0);
    });
    connect(link, &DeviceLink::fieldsChanged, this, &CInitPage::showFields);
    connect(link, &DeviceLink::progressChanged, m_progress, &QProgressBar::setValue);
    connect(link, &DeviceLink::linkAnimationStarted, this,
            [this] { m_context.setLinkAnimationPlaying(true); });
    connect(link, &DeviceLink::linkAnimationStopped, this,
            [this] { m_context.setLinkAnimationPlaying(false); });
    connect(link, &DeviceLink::deviceAccessCleared, this,
            [this] { m_context.clearDeviceAccess(); });
    // Page changes that the link causes run after its handler has returned: leaving a
    // page may prompt, and a prompt's event loop inside a reply handler would let ticks
    // and replies run in the middle of it.
    connect(
        link, &DeviceLink::settingsArrived, this, [this] { m_context.addSettingsPages(); },
        Qt::QueuedConnection);
    connect(
        link, &DeviceLink::registerCompleted, this,
        [this] {
            m_context.addEventsPage();
            m_context.activateEventsPage();
        },
        Qt::QueuedConnection);

    connect(m_connect, &QPushButton::clicked, this, &CInitPage::connectDevice);
    connect(m_disconnect, &QPushButton::clicked, this, &CInitPage::disconnectDevice);
    connect(m_reset, &QPushButton::clicked, this, &CInitPage::resetDevice);
    connect(m_writeFactoryNumber, &QPushButton::clicked, this, &CInitPage::writeFactoryNumber);
    connect(m_saveLabels, &QPushButton::clicked, this, &CInitPage::saveLabels);
    connect(m_factoryNumber, &QLineEdit::textEdited, this, &CInitPage::onFactoryNumberEdited);
}

QString CInitPage::logLine(QTime time, const QString& text)
{
    return QString::asprintf("%2u:%2u:%2u.%3u  ", unsigned(time.hour()), unsigned(time.minute()),
                             unsigned(time.second()), unsigned(time.msec())) +
           text;
}

void CInitPage::log(const QString& text)
{
    if (m_log->count() >= maxLogLines)
        delete m_log->takeItem(m_log->count() - 1);
    m_log->insertItem(0, logLine(QTime::currentTime(), text));
}

int CInitPage::logLineCount() const
{
    return m_log->count();
}

QString CInitPage::logLineAt(int row) const
{
    const QListWidgetItem* item = m_log->item(row);
    return item ? item->text() : QString();
}

bool CInitPage::isConnected() const
{
    return m_link->IsConnected();
}

bool CInitPage::isPortOpen() const
{
    return m_link->isPortOpen();
}

bool CInitPage::readingEvents() const
{
    return m_link->readingEvents();
}

void CInitPage::connectDevice()
{
    ensurePortsListed();
    if (!m_link->isPortOpen())
        takeSelectedPort();
    m_link->connectDevice();
    updateLinkButtons();
}

void CInitPage::disconnectDevice()
{
    m_link->disconnectDevice();
}

void CInitPage::readSettings()
{
    m_link->readSettings();
}

void CInitPage::writeSettings()
{
    m_link->writeSettings();
}

void CInitPage::compareSettings()
{
    m_link->compareSettings();
}

void CInitPage::readEvents()
{
    m_link->readEventRegister();
}

void CInitPage::writeRs485Config()
{
    m_link->writeRs485Config();
}

void CInitPage::writeFactoryNumber()
{
    if (!takeFactoryNumber())
        return;
    m_link->writeFactoryNumber(m_link->factoryNumberField());
}

void CInitPage::resetDevice()
{
    m_link->reset();
}

void CInitPage::saveLabels()
{
    m_context.labels().saveLabelFile();
}

std::optional<quint32> CInitPage::typedFactoryNumber(QString* prompt) const
{
    bool ok = false;
    const qulonglong number = m_factoryNumber->text().trimmed().toULongLong(&ok);
    if (!ok) {
        if (prompt)
            *prompt = QStringLiteral("Please enter a positive integer.");
        return std::nullopt;
    }
    if (number > maxFactoryNumber) {
        if (prompt)
            *prompt = QStringLiteral("Please enter an integer between 0 and 65535.");
        return std::nullopt;
    }
    return quint32(number);
}

void CInitPage::onFactoryNumberEdited()
{
    // The engine reads the field with every answer; an entry that is not a number of
    // 0..65535 leaves it at the last one typed, without a prompt.
    if (const std::optional<quint32> number = typedFactoryNumber()) {
        m_link->setFactoryNumberField(*number);
        m_shownFactoryNumber = *number;
    }
}

bool CInitPage::takeFactoryNumber()
{
    QString prompt;
    const std::optional<quint32> number = typedFactoryNumber(&prompt);
    if (!number) {
        m_showMessage(prompt);
        m_factoryNumber->setFocus();
        m_factoryNumber->selectAll();
        return false;
    }
    m_link->setFactoryNumberField(*number);
    m_shownFactoryNumber = *number;
    return true;
}

void CInitPage::showFields()
{
    m_version->setText(m_link->versionText());
    m_hours->setText(QString::number(m_link->operatingHours()));
    // The number is rewritten only when the link changed it, so an entry being typed
    // (even an empty one) is not thrown away by the next status answer.
    const quint32 factoryNumber = m_link->factoryNumberField();
    if (factoryNumber != m_shownFactoryNumber) {
        m_factoryNumber->setText(QString::number(factoryNumber));
        m_shownFactoryNumber = factoryNumber;
    }
}

void CInitPage::updateServiceControls()
{
    const bool locked = m_context.locked();
    m_reset->setVisible(!locked);
    m_writeFactoryNumber->setVisible(!locked);
    m_saveLabels->setVisible(!locked);
    m_factoryNumber->setReadOnly(locked);
    // A field that can no longer be edited must not hold an entry that blocks leaving.
    if (locked && !typedFactoryNumber()) {
        m_shownFactoryNumber = m_link->factoryNumberField();
        m_factoryNumber->setText(QString::number(m_shownFactoryNumber));
    }
}

void CInitPage::updateLinkButtons()
{
    const bool open = m_link->isPortOpen() || m_link->IsConnected();
    m_disconnect->setEnabled(open);
    m_connect->setEnabled(!open);
}

void CInitPage::onSetActive()
{
    updateServiceControls();
    updateLinkButtons();
}

bool CInitPage::onKillActive()
{
    return takeFactoryNumber();
}
