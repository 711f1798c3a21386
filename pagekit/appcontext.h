#pragma once

#include <QString>

class DeviceData;
class LabelStore;

// What every page reaches: the frame's device data with its label files, and the view's
// flags and operations. The view implements it; pages hold a reference to it.
class AppContext {
public:
    virtual ~AppContext() = default;

    virtual DeviceData& data() = 0;
    virtual LabelStore& labels() = 0;

    virtual bool locked() const = 0;
    virtual bool deviceAccess() const = 0;
    virtual bool isConnected() const = 0;
    // While the register is being read from the controller.
    virtual bool readingEvents() const = 0;
    virtual void logMessage(const QString& text) = 0;

    virtual int activePageIndex() const = 0;
    // Returns false when the page being left refused (an invalid entry).
    virtual bool setActivePage(int index) = 0;
    virtual void addSettingsPages() = 0;
    virtual void addEventsPage() = 0;
    virtual void activateEventsPage() = 0;
    virtual void startPrintout(int mode) = 0;

    // Asks the device link to send the RS-485 byte (register 7); refused with a log
    // line when not connected.
    virtual void writeRs485Config() = 0;

    // The communication page plays the link animation of the login strip while a link
    // is up, and clears the device access when a link ends.
    virtual void setLinkAnimationPlaying(bool playing) { (void)playing; }
    virtual void clearDeviceAccess() {}
};
