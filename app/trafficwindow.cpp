#include "app/trafficwindow.h"

#include "link/trafficmonitor.h"
#include "model/strings.h"
#include "pagekit/messagebox.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The marked rows of the traffic log in red; the log itself knows no colours.
class ErrorColours : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::ForegroundRole &&
            QIdentityProxyModel::data(index, TrafficLog::ErrorRole).toBool())
            return QColor(Qt::red);
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

TrafficWindow::TrafficWindow(TrafficMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), m_monitor(monitor)
{
    setWindowTitle(stringText(StringId::trafficTitle));
    m_askPath = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, QString(), QString(),
                                            stringText(StringId::textFileFilter));
    };

    auto* colours = new ErrorColours(this);
    colours->setSourceModel(&monitor.log());
    m_table = new QTableView(this);
    m_table->setModel(colours);
    m_table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->verticalHeader()->hide();
    // Uniform rows: thousands of them scroll without measuring each one.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    QHeaderView* head = m_table->horizontalHeader();
    head->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics metrics = m_table->fontMetrics();
    const int padding = 3 * metrics.horizontalAdvance(u'0');
    head->resizeSection(TrafficLog::TimeColumn,
                        metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + padding);
    head->resizeSection(
        TrafficLog::DirectionColumn,
        head->fontMetrics().horizontalAdvance(stringText(StringId::columnDirection)) + padding);
    head->resizeSection(TrafficLog::FrameColumn, metrics.horizontalAdvance(u'0') * 40);
    head->setStretchLastSection(true);

    auto* stats = new QGroupBox(stringText(StringId::statsTitle), this);
    auto* form = new QFormLayout(stats);
    for (int id : {StringId::statsRequests, StringId::statsReplies, StringId::statsCrcErrors,
                   StringId::statsFrameTypeErrors, StringId::statsTimeouts, StringId::statsRetries,
                   StringId::statsReplyTime}) {
        auto* name = new QLabel(stringText(id), stats);
        auto* value = new QLabel(stats);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(name, value);
        m_names.append(name);
        m_values.append(value);
    }
    // The reply times take a line of their own under their name.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);

    m_save = new QPushButton(stringText(StringId::trafficSave), this);
    m_clear = new QPushButton(stringText(StringId::trafficClear), this);
    auto* side = new QVBoxLayout;
    side->addWidget(stats);
    side->addStretch(1);
    side->addWidget(m_save);
    side->addWidget(m_clear);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(side);
    resize(1240, 540);

    connect(m_save, &QPushButton::clicked, this, &TrafficWindow::saveToFile);
    connect(m_clear, &QPushButton::clicked, this, &TrafficWindow::clearList);
    connect(&monitor, &TrafficMonitor::statisticsChanged, this, &TrafficWindow::showStatistics);
    connect(colours, &QAbstractItemModel::rowsInserted, this, &TrafficWindow::followNewRows);
    showStatistics();
}

void TrafficWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Opened on the newest frames, once the table knows its height.
    QMetaObject::invokeMethod(m_table, &QAbstractItemView::scrollToBottom, Qt::QueuedConnection);
}

void TrafficWindow::followNewRows()
{
    // Follows the newest frame unless the user has scrolled up to read older ones.
    const QScrollBar* bar = m_table->verticalScrollBar();
    if (bar->value() >= bar->maximum() - 2 * m_table->verticalHeader()->defaultSectionSize())
        m_table->scrollToBottom();
}

void TrafficWindow::showStatistics()
{
    const QList<StatisticsRow> rows = statisticsRows(m_monitor.statistics());
    for (int i = 0; i < rows.size() && i < m_values.size(); ++i)
        m_values[i]->setText(rows[i].value);
}

QString TrafficWindow::statisticsText() const
{
    return ::statisticsText(m_monitor.statistics());
}

bool TrafficWindow::saveToFile()
{
    const QString path = m_askPath(this);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    const QByteArray bytes = (m_monitor.log().text() + statisticsText()).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    showWarning(this, stringText(StringId::fileWriteProblem));
    return false;
}

void TrafficWindow::clearList()
{
    m_monitor.clear();
}
