#pragma once

#include "link/linktimings.h"
#include "pagekit/cpropertypage.h"
#include "pagekit/linkcontrol.h"
#include "pagekit/startoptions.h"

#include <QString>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>

class AppContext;
class DeviceLink;
class PortListUpdater;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class SerialLine;

// The communication page: the tool's message log, the controller's status fields, the
// port choice and the buttons that drive the device link. It owns the link engine and the
// serial line; the label files are the context's.
class CInitPage : public CPropertyPage, public LinkControl {
    Q_OBJECT
public:
    static constexpr int maxLogLines = 301;
    static constexpr int progressMaximum = 256;
    static constexpr int pageIndex = 1;
    static constexpr quint32 maxFactoryNumber = 65535;

    using MessageShower = std::function<void(const QString&)>;

    // The real serial port and the system's own timer periods.
    CInitPage(AppContext& context, const StartOptions& options, QWidget* parent = nullptr);
    // Another line (a line in memory) or shorter periods, for tests.
    CInitPage(AppContext& context, const StartOptions& options, std::unique_ptr<SerialLine> line,
              const LinkTimings& timings, QWidget* parent = nullptr);
    ~CInitPage() override;

    // One line of the log: the local time "hh:mm:ss.mmm", each field padded with blanks,
    // two blanks, the text.
    static QString logLine(QTime time, const QString& text);
    int logLineCount() const;
    QString logLineAt(int row) const;

    // LinkControl
    bool isConnected() const override;
    bool isPortOpen() const override;
    bool readingEvents() const override;
    // Puts a line on top of the log; the oldest goes when there would be more than 301.
    void log(const QString& text) override;
    void connectDevice() override;
    void disconnectDevice() override;
    void readSettings() override;
    void writeSettings() override;
    void compareSettings() override;
    void readEvents() override;
    void writeRs485Config() override;

    // The service buttons.
    void writeFactoryNumber();
    void resetDevice();
    void saveLabels();

    DeviceLink& link() { return *m_link; }
    DeviceLink* deviceLink() override { return m_link.get(); }

    // Where the toolkit's prompts go ("Please enter a positive integer."); tests take
    // them instead of a modal box.
    void setMessageShower(MessageShower shower);

    void onSetActive() override;
    bool onKillActive() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void connectEngine();
    void ensurePortsListed();
    void takeSelectedPort();
    void updateServiceControls();
    void updateLinkButtons();
    void showFields();
    // The number in the factory number edit; nothing, and the toolkit's prompt, when it
    // is not one of 0..65535.
    std::optional<quint32> typedFactoryNumber(QString* prompt = nullptr) const;
    void onFactoryNumberEdited();
    bool takeFactoryNumber();

    AppContext& m_context;
    StartOptions m_options;
    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<DeviceLink> m_link;
    MessageShower m_showMessage;
    bool m_portsListed = false;
    quint32 m_shownFactoryNumber = 0;

    QListWidget* m_log = nullptr;
    QProgressBar* m_progress = nullptr;
    QLineEdit* m_version = nullptr;
    QLineEdit* m_hours = nullptr;
    QLineEdit* m_factoryNumber = nullptr;
    QLineEdit* m_labelFile = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_writeFactoryNumber = nullptr;
    QComboBox* m_ports = nullptr;
    QPushButton* m_refreshPorts = nullptr;
    PortListUpdater* m_portUpdater = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_saveLabels = nullptr;
    QPushButton* m_clearLog = nullptr;
};
