#pragma once

#include "app/cpropertypage.h"

#include <QString>
#include <QTime>

#include <memory>

class AppContext;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The communication page: the tool's message log, the controller's status fields,
// the port choice and the buttons that drive the device link.
class CInitPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr int maxLogLines = 301;
    static constexpr int progressMaximum = 256;

    explicit CInitPage(AppContext& context, QWidget* parent = nullptr);
    ~CInitPage() override;

    // One line of the log: the local time "hh:mm:ss.mmm" padded with blanks, two blanks,
    // the text.
    static QString logLine(QTime time, const QString& text);
    // Puts a line on top of the log; the oldest line goes when there are more than 301.
    void log(const QString& text);
    int logLineCount() const;
    QString logLineAt(int row) const;

    void onSetActive() override;
    bool onKillActive() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void fillPortBox();
    void updateServiceControls();

    AppContext& m_context;
    bool m_portsListed = false;

    QListWidget* m_log = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_version = nullptr;
    QLineEdit* m_hours = nullptr;
    QLineEdit* m_factoryNumber = nullptr;
    QLineEdit* m_labelFile = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_writeFactoryNumber = nullptr;
    QComboBox* m_ports = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_saveLabels = nullptr;
    QPushButton* m_clearLog = nullptr;
};
