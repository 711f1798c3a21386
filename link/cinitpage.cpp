#include "link/cinitpage.h"

#include "app/appcontext.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
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

CInitPage::CInitPage(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("Komunikacja z Dorvik"), parent), m_context(context)
{
    buildControls();
}

CInitPage::~CInitPage() = default;

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
    connectionColumn->addWidget(m_ports);
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

void CInitPage::showEvent(QShowEvent* event)
{
    CPropertyPage::showEvent(event);
    if (!m_portsListed) {
        m_portsListed = true;
        fillPortBox();
    }
}

void CInitPage::fillPortBox() {}

void CInitPage::updateServiceControls()
{
    const bool locked = m_context.locked();
    m_reset->setVisible(!locked);
    m_writeFactoryNumber->setVisible(!locked);
    m_saveLabels->setVisible(!locked);
    m_factoryNumber->setReadOnly(locked);
}

void CInitPage::onSetActive()
{
    updateServiceControls();
}

bool CInitPage::onKillActive()
{
    return true;
}
