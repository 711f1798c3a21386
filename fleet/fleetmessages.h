#pragma once

#include "model/deviceimage.h"
#include "model/settingsdiff.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The topics and the JSON (UTF-8, compact) the collector publishes.
namespace FleetMessages {

enum class Topic { Status, Events, Drift, Error };

QString topic(quint16 factory, Topic kind);

struct Status {
    QString name;
    quint16 factory = 0;
    QString version;
    quint32 hours = 0;
    QDateTime collected;
};

QByteArray status(const Status& status);
// One entry of a complete register: its time (the register's time base plus its counter,
// local time with the offset), the check byte's verdict, the restart bit and the signals
// that changed from the entry before it, named by `names` (the register's label set when
// it was read).
QByteArray event(const DeviceImage& image, int slot, quint16 factory, const LabelSet& names);
QByteArray drift(quint16 factory, const QList<SettingsDiff::Difference>& fields);
QByteArray error(quint16 factory, const QString& name, const QString& message);
// Entries the ring overwrote before they were published: those after the cursor's entry,
// up to the oldest entry held.
QByteArray gap(const DeviceImage& image, quint16 factory, const QString& name,
               const QByteArray& lastPublished, int oldestHeldSlot);

// "2026-03-07T09:05:00+01:00".
QString isoTime(const QDateTime& time);

} // namespace FleetMessages
