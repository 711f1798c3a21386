#include "app/linktools.h"

#include "app/trafficwindow.h"
#include "link/devicelink.h"
#include "link/trafficmonitor.h"
#include "model/devicedata.h"
#include "model/strings.h"
#include "pagekit/appcontext.h"

LinkTools::LinkTools(AppContext& context, DeviceLink* link, QWidget* window)
    : QObject(window), m_context(context), m_link(link), m_window(window),
      m_monitor(new TrafficMonitor(TrafficLog::defaultCapacity, this))
{
    if (link) {
        m_monitor->attach(*link);
        connect(link, &DeviceLink::compareFinished, this, &LinkTools::onCompareFinished);
    }
}

LinkTools::~LinkTools()
{
    // The window shows the monitor's list; it goes first.
    delete m_trafficWindow;
}

TrafficWindow* LinkTools::trafficWindow() const
{
    return m_trafficWindow;
}

TrafficWindow* LinkTools::showTrafficWindow()
{
    if (!m_trafficWindow)
        m_trafficWindow = new TrafficWindow(*m_monitor, m_window);
    m_trafficWindow->show();
    m_trafficWindow->raise();
    m_trafficWindow->activateWindow();
    return m_trafficWindow;
}

QList<SettingsDiff::Difference> LinkTools::differences(SettingsDiff::Scope scope) const
{
    if (!m_link || !m_link->deviceSettings())
        return {};
    const DeviceLink::DeviceSettings& device = *m_link->deviceSettings();
    const DeviceData& data = m_context.data();
    const DeviceImage& image = data.image();
    return SettingsDiff::differences(image.settings, image.combinationIndex, device.image,
                                     device.combination, data.currentLabelSet(),
                                     data.currentFlagOutputSet(), scope);
}

bool LinkTools::showDifferences(const QList<SettingsDiff::Difference>& list,
                                SettingsDiffDialog::Purpose purpose)
{
    if (m_showDifferences)
        return m_showDifferences(list, purpose);
    if (purpose == SettingsDiffDialog::Purpose::Write) {
        SettingsDiffDialog dialog(list, purpose, m_window);
        return dialog.exec() == QDialog::Accepted;
    }
    // The compare's list stays open beside the window while the link goes on; a new
    // compare replaces it.
    if (m_compareDialog)
        m_compareDialog->close();
    m_compareDialog = new SettingsDiffDialog(list, purpose, m_window);
    m_compareDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_compareDialog->show();
    return true;
}

void LinkTools::onCompareFinished(bool identical)
{
    if (identical)
        return;
    const auto list = differences(SettingsDiff::Scope::Everything);
    if (!list.isEmpty())
        showDifferences(list, SettingsDiffDialog::Purpose::Compare);
}

bool LinkTools::confirmSettingsWrite()
{
    const auto list = differences(SettingsDiff::Scope::SettingsWrite);
    if (list.isEmpty())
        return true;
    if (showDifferences(list, SettingsDiffDialog::Purpose::Write))
        return true;
    m_context.logMessage(stringText(StringId::writeSettingsCancelled));
    return false;
}
