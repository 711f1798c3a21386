#pragma once

// The device link on a real serial line (a pseudo-terminal of the simulator), with short
// periods so that time-outs take a fraction of a second. The link's log and the label
// store's log are kept apart so that tests can read what the link said.

#include "link/cserialport.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

inline LinkTimings shortTimings()
{
    LinkTimings t;
    t.connectTick = 150;
    t.tick = 60;
    t.eventTick = 40;
    t.replyTimeout = 300;
    t.eventReplyTimeout = 300;
    t.errorPause = 60;
    t.closeWait = 30;
    return t;
}

struct LinkSession {
    explicit LinkSession(const QString& port, LinkTimings timings = shortTimings())
        : labels(data, labelDir.path(), [this](const QString& line) { labelLog << line; }),
          link(
              data, labels, line, [this](const QString& text) { log << text; }, timings),
          ended(&link, &DeviceLink::linkEnded),
          settingsArrived(&link, &DeviceLink::settingsArrived),
          registerCompleted(&link, &DeviceLink::registerCompleted),
          operationFinished(&link, &DeviceLink::operationFinished)
    {
        SettingsRecord::applyDefaults(data);
        labels.setLabelFileCode(LabelStore::startCode);
        link.setSelectedPort(port);
    }

    // Connects and waits for the first status answer.
    bool connectOnline(int waitMs = 8000)
    {
        link.connectDevice();
        return QTest::qWaitFor([this] { return link.IsConnected(); }, waitMs);
    }

    QTemporaryDir labelDir;
    DeviceData data;
    QStringList labelLog;
    QStringList log;
    LabelStore labels;
    CSerialPort line;
    DeviceLink link;
    QSignalSpy ended;
    QSignalSpy settingsArrived;
    QSignalSpy registerCompleted;
    QSignalSpy operationFinished;
};
