#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class TrafficMonitor;

// "Ruch na łączu": every request and reply of the device link with its time, direction,
// bytes and meaning, errors in red, and the statistics of the connection beside it. A
// window of its own, so it can stay open beside the main window whatever page is in front.
class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    // Asks where to save; an empty answer cancels. Tests hand in their own.
    using PathAsker = std::function<QString(QWidget* parent)>;

    explicit TrafficWindow(TrafficMonitor& monitor, QWidget* parent = nullptr);

    void setPathAsker(PathAsker asker) { m_askPath = std::move(asker); }

    // "Zapisz do pliku...": the listed lines as UTF-8 text; false (and a message) when the
    // file could not be written.
    bool saveToFile();
    void clearList();

    QTableView* table() const { return m_table; }
    // The statistics as shown, one "name: value" per line.
    QString statisticsText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showStatistics();
    void followNewRows();

    TrafficMonitor& m_monitor;
    PathAsker m_askPath;
    QTableView* m_table = nullptr;
    QList<QLabel*> m_values;
    QList<QLabel*> m_names;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
};
