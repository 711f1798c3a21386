#pragma once

#include "app/appcontext.h"
#include "model/devicedata.h"

#include <QStringList>

// The view's side of the pages, recorded: log lines, page switches, sheet growth.
class FakeContext : public AppContext {
public:
    DeviceData& data() override { return deviceData; }
    bool locked() const override { return isLocked; }
    bool deviceAccess() const override { return hasDeviceAccess; }
    bool isConnected() const override { return connected; }
    void logMessage(const QString& text) override { lines << text; }
    int activePageIndex() const override { return activePage; }
    bool setActivePage(int index) override
    {
        if (refuseLeave)
            return false;
        activePage = index;
        ++pageSwitches;
        return true;
    }
    void addSettingsPages() override { ++settingsPagesAdded; }
    void addEventsPage() override { ++eventsPageAdded; }
    void activateEventsPage() override { activePage = eventsPageIndex; }
    void startPrintout(int) override {}
    void writeRs485Config() override {}
    void setLinkAnimationPlaying(bool playing) override { animationPlaying = playing; }
    void clearDeviceAccess() override { hasDeviceAccess = false; }

    static constexpr int eventsPageIndex = 6;

    DeviceData deviceData;
    QStringList lines;
    bool isLocked = true;
    bool hasDeviceAccess = false;
    bool connected = false;
    bool refuseLeave = false;
    bool animationPlaying = false;
    int activePage = 0;
    int pageSwitches = 0;
    int settingsPagesAdded = 0;
    int eventsPageAdded = 0;
};
