#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QTableWidget;

// "Przywróć kopię...": the connected controller's backups, newest first, each with the
// fields in which it differs from what the controller holds now; "Przywróć kopię" writes
// the chosen one.
class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString date;
        QString time;
        QString differences;
    };

    explicit RestoreDialog(const QList<Row>& rows, QWidget* parent = nullptr);

    // The chosen row, -1 when none.
    int chosenRow() const;
    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table;
};
