#pragma once

#include <QString>

class DeviceLink;

// What the window asks of the communication page: the state of the link and the
// commands that talk to the controller. The communication page implements it; the
// view finds it among its pages.
class LinkControl {
public:
    virtual ~LinkControl() = default;

    virtual bool isConnected() const = 0;
    virtual bool isPortOpen() const = 0;
    virtual bool readingEvents() const = 0;

    // Appends a time-stamped line to the message log.
    virtual void log(const QString& text) = 0;

    virtual void connectDevice() = 0;
    virtual void disconnectDevice() = 0;
    virtual void readSettings() = 0;
    virtual void writeSettings() = 0;
    virtual void compareSettings() = 0;
    virtual void readEvents() = 0;
    virtual void writeRs485Config() = 0;

    // The engine behind the commands, for the traffic monitor and the settings
    // differences; null when there is none.
    virtual DeviceLink* deviceLink() { return nullptr; }
};
