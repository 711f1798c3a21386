#pragma once

// The tool's side of the end-to-end tests: device data, labels, CSerialPort and the
// device link, with the link's log kept.

#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// Short periods keep the tests quick; the simulator answers within milliseconds.
inline LinkTimings fastTimings()
{
    LinkTimings t;
    t.connectTick = 120;
    t.tick = 60;
    t.eventTick = 40;
    t.replyTimeout = 400;
    t.eventReplyTimeout = 400;
    t.errorPause = 40;
    t.closeWait = 40;
    return t;
}

inline QByteArray entriesOf(const DeviceImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.entries), int(registerSize)).toHex();
}

inline QByteArray settingsOf(const DeviceImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.settings.bytes), 16).toHex();
}

struct LinkFixture {
    explicit LinkFixture(LinkTimings timings = fastTimings())
        : labels(data, labelDir.path(), {}),
          link(
              data, labels, port, [this](const QString& l) { log << l; }, timings)
    {
        labels.setLabelFileCode(LabelStore::startCode);
    }

    bool connectTo(const QString& path, int waitMs = 5000)
    {
        link.setSelectedPort(path);
        link.connectDevice();
        return QTest::qWaitFor([this] { return link.IsConnected(); }, waitMs);
    }
    bool logged(const QString& text) const { return log.contains(text); }
    QByteArray logText() const { return log.join(QLatin1Char('\n')).toUtf8(); }

    QTemporaryDir labelDir;
    DeviceData data;
    QStringList log; // the link's lines
    LabelStore labels;
    CSerialPort port;
    DeviceLink link;
};
