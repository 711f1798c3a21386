#include "app/restoredialog.h"

#include "model/strings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RestoreDialog::RestoreDialog(const QList<Row>& rows, QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(int(rows.size()), 3, this))
{
    setWindowTitle(stringText(StringId::restoreTitle));
    m_table->setHorizontalHeaderLabels({stringText(StringId::backupDate),
                                        stringText(StringId::backupTime),
                                        stringText(StringId::columnDifferences)});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    for (int row = 0; row < rows.size(); ++row) {
        int column = 0;
        for (const QString& text : {rows[row].date, rows[row].time, rows[row].differences}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            m_table->setItem(row, column++, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restore =
        buttons->addButton(stringText(StringId::restoreBackup), QDialogButtonBox::AcceptRole);
    buttons->addButton(stringText(StringId::diffCancel), QDialogButtonBox::RejectRole);
    restore->setEnabled(false);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this, restore] { restore->setEnabled(chosenRow() >= 0); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(760, 360);
}

int RestoreDialog::chosenRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}
