#pragma once

#include "model/settingsdiff.h"

#include <QDialog>

class QTableWidget;

// Lists the fields in which the tool's settings and the controller's differ: after a
// compare found them different (closed with OK), before a settings write would
// overwrite them (go on with "Zapisz", or "Anuluj"), or after a write the controller
// did not keep as written (write the backup back with "Przywróć kopię", or "Zamknij").
class SettingsDiffDialog : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Compare, Write, Verify };

    SettingsDiffDialog(const QList<SettingsDiff::Difference>& differences, Purpose purpose,
                       QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table;
};
