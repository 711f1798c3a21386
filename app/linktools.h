#pragma once

#include "app/settingsdiffdialog.h"
#include "model/settingsdiff.h"

#include <QObject>
#include <QPointer>
#include <functional>

class AppContext;
class DeviceLink;
class TrafficMonitor;
class TrafficWindow;
class QWidget;

// What the main window adds to the device link: the traffic monitor, recording from the
// start so that its window shows what happened before it was opened, and the list of the
// settings that differ after a compare and before a write overwrites them.
class LinkTools : public QObject {
    Q_OBJECT
public:
    // Shows the differences; for a write, true to go on. Tests hand in their own.
    using DiffViewer =
        std::function<bool(const QList<SettingsDiff::Difference>&, SettingsDiffDialog::Purpose)>;

    // `link` may be null (no engine): the window then stays empty.
    LinkTools(AppContext& context, DeviceLink* link, QWidget* window);
    ~LinkTools() override;

    TrafficMonitor& monitor() { return *m_monitor; }
    TrafficWindow* showTrafficWindow();
    TrafficWindow* trafficWindow() const;

    void setDiffViewer(DiffViewer viewer) { m_showDifferences = std::move(viewer); }

    // Asked before "Zapis nastaw do Dorvik": when the controller's settings were read on
    // this link and the write would change some of them, lists them and lets the user go
    // on or cancel. True when the write may go.
    bool confirmSettingsWrite();

private:
    void onCompareFinished(bool identical);
    QList<SettingsDiff::Difference> differences(SettingsDiff::Scope scope) const;
    bool showDifferences(const QList<SettingsDiff::Difference>& list,
                         SettingsDiffDialog::Purpose purpose);

    AppContext& m_context;
    QPointer<DeviceLink> m_link;
    QWidget* m_window;
    TrafficMonitor* m_monitor;
    QPointer<TrafficWindow> m_trafficWindow;
    QPointer<SettingsDiffDialog> m_compareDialog;
    DiffViewer m_showDifferences;
};
