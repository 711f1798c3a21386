#pragma once

#include "model/devicedata.h"
#include "model/labelstore.h"
#include "pagekit/appcontext.h"

#include <QStringList>

// The view as the pages, the file commands and the print job see it, recorded: log lines,
// page switches, pages added. Device data and label files of its own; the label files
// report into labelLines, as they would into the communication page's log.
class FakeContext : public AppContext {
public:
    explicit FakeContext(const QString& labelsDir = QString())
        : labelStore(deviceData, labelsDir, [this](const QString& text) { labelLines << text; })
    {
    }

    DeviceData& data() override { return deviceData; }
    LabelStore& labels() override { return labelStore; }
    bool locked() const override { return isLocked; }
    bool deviceAccess() const override { return hasDeviceAccess; }
    bool isConnected() const override { return false; }
    bool readingEvents() const override { return reading && reading(); }
    void logMessage(const QString& text) override { lines << text; }
    int activePageIndex() const override { return activePage; }
    bool setActivePage(int index) override
    {
        if (refuseLeave)
            return false;
        activePage = index;
        return true;
    }
    void addSettingsPages() override { ++settingsPagesAdded; }
    void addEventsPage() override { ++eventsPageAdded; }
    void activateEventsPage() override { activePage = eventsPageIndex; }
    void startPrintout(int) override {}
    void writeRs485Config() override {}
    void setLinkAnimationPlaying(bool) override {}
    void clearDeviceAccess() override { hasDeviceAccess = false; }

    static constexpr int eventsPageIndex = 6;

    DeviceData deviceData;
    LabelStore labelStore;
    QStringList lines, labelLines;
    // Whether the register is being read; a page's engine when a test has one.
    std::function<bool()> reading;
    bool isLocked = true, hasDeviceAccess = false, refuseLeave = false;
    int activePage = 0, settingsPagesAdded = 0, eventsPageAdded = 0;
};
