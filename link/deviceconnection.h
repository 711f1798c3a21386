#pragma once

#include "link/devicelink.h"
#include "link/portline.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/logsink.h"
#include "model/settingsdiff.h"

#include <QList>
#include <QString>

// The held data, the labels, the line and the engine of one controller, set up as the
// communication page sets them up: the command line's sessions and the fleet collector
// each drive one.
struct DeviceConnection {
    DeviceConnection(const QString& portName, const QString& labelsDirectory, const LogSink& log);

    // Where the held settings (a settings file loaded while connected) and the
    // controller's last settings answer differ; empty before that answer.
    QList<SettingsDiff::Difference> settingsDifferences() const;

    DeviceData data;
    LabelStore labels;
    PortLine line;
    DeviceLink link;
};
