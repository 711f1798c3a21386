#pragma once

#include "files/filebytes.h"
#include "model/deviceimage.h"
#include "model/logsink.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstddef>
#include <optional>

class DeviceData;

// An events file (*.rzd): exactly these 3084 bytes, no header, little-endian fields.
struct EventsFileRecord {
    EventEntry entries[entryCount];
    quint32_le timeBase;
    quint8 writePosition;
    quint8 padding1; // undefined in files, written as zero
    quint16_le registerFactoryNumber;
    quint8 deviceCombination;
    quint8 padding2[3]; // undefined in files, written as zero
};

static_assert(sizeof(EventsFileRecord) == 3084);
static_assert(offsetof(EventsFileRecord, timeBase) == 3072);
static_assert(offsetof(EventsFileRecord, writePosition) == 3076);
static_assert(offsetof(EventsFileRecord, registerFactoryNumber) == 3078);
static_assert(offsetof(EventsFileRecord, deviceCombination) == 3080);

constexpr qint64 eventsFileSize = sizeof(EventsFileRecord);

// The record that saving the held register writes.
EventsFileRecord makeEventsFileRecord(const DeviceData& data);

// Reads and checks an events file without touching any held data. `record` is set only
// on Ok. A device combination above 15 is WrongContent.
FileStatus readEventsFile(const QString& path, EventsFileRecord& record);

// Takes an accepted record into the held register: entries, time base, both write
// positions, factory number and combination of the register; circuit and variant again
// from the held combination; the register complete. The settings stay as they are.
void applyEventsFile(const EventsFileRecord& record, DeviceData& data, const LogSink& log);

// Reads, checks and applies an events file. Nothing changes unless the result is Ok.
FileStatus loadEventsFile(const QString& path, DeviceData& data, const LogSink& log);

// Saves the held register; logs only on success.
FileStatus saveEventsFile(const QString& path, const DeviceData& data, const LogSink& log);

// The text a message box shows for a load or save that did not succeed.
QString eventsFileMessage(FileStatus status);
