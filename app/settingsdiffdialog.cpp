#include "app/settingsdiffdialog.h"

#include "model/strings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

SettingsDiffDialog::SettingsDiffDialog(const QList<SettingsDiff::Difference>& differences,
                                       Purpose purpose, QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(int(differences.size()), 3, this))
{
    setWindowTitle(purpose == Purpose::Compare ? stringText(StringId::settingsDifferent)
                                               : QStringLiteral("Tavrel"));
    m_table->setHorizontalHeaderLabels({stringText(StringId::printoutSettingHead),
                                        stringText(StringId::diffHeld),
                                        stringText(StringId::diffDevice)});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < differences.size(); ++row) {
        const SettingsDiff::Difference& d = differences[row];
        int column = 0;
        for (const QString& text : {d.name, d.held, d.device}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            m_table->setItem(row, column++, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(this);
    if (purpose == Purpose::Write) {
        layout->addWidget(new QLabel(stringText(StringId::diffWriteQuestion), this));
        buttons->addButton(stringText(StringId::diffWrite), QDialogButtonBox::AcceptRole);
        QPushButton* cancel =
            buttons->addButton(stringText(StringId::diffCancel), QDialogButtonBox::RejectRole);
        // Overwriting the controller is what needs a deliberate choice.
        cancel->setDefault(true);
    } else if (purpose == Purpose::Verify) {
        layout->addWidget(new QLabel(stringText(StringId::verifyQuestion), this));
        buttons->addButton(stringText(StringId::restoreBackup), QDialogButtonBox::AcceptRole);
        buttons->addButton(stringText(StringId::closeButton), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QDialogButtonBox::Ok);
    }
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 360);
}
