#pragma once

#include "model/settingsdiff.h"

#include <QDialog>

class QTableWidget;

// Lists the fields in which the tool's settings and the controller's differ: after a
// compare found them different (closed with OK), or before a settings write would
// overwrite them (go on with "Zapisz", or "Anuluj").
class SettingsDiffDialog : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Compare, Write };

    SettingsDiffDialog(const QList<SettingsDiff::Difference>& differences, Purpose purpose,
                       QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table;
};
