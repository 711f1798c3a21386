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
class LabelStore;

// A settings file (*.nst): exactly these 24 bytes, no header, little-endian fields.
struct SettingsFileRecord {
    SettingsImage settings;
    quint32_le combinationIndex;
    quint16_le factoryNumber;
    quint8 labelFileCode;
    quint8 labelFileCodeCheck; // labelFileCode XOR 0xFF
};

static_assert(sizeof(SettingsFileRecord) == 24);
static_assert(offsetof(SettingsFileRecord, combinationIndex) == 16);
static_assert(offsetof(SettingsFileRecord, factoryNumber) == 20);
static_assert(offsetof(SettingsFileRecord, labelFileCode) == 22);
static_assert(offsetof(SettingsFileRecord, labelFileCodeCheck) == 23);

constexpr qint64 settingsFileSize = sizeof(SettingsFileRecord);
constexpr quint8 fallbackLabelFileCode = 20;

// The record that saving the held settings writes.
SettingsFileRecord makeSettingsFileRecord(const DeviceData& data, quint8 labelFileCode);

// The label file code a record names: its byte 22 when it lies in 10..100 and byte 23 is
// its complement, otherwise 20.
quint8 acceptedLabelFileCode(const SettingsFileRecord& record);

// Reads and checks a settings file without touching any held data. `record` is set only
// on Ok. A combination above 15 is WrongContent.
FileStatus readSettingsFile(const QString& path, SettingsFileRecord& record);

// Takes an accepted record into the held data the way loading a file does: the label
// file of its code, the mismatch lines while `connected`, the settings image and
// combination, the factory number unless `connected`, the current label sets, settingsValid.
void applySettingsFile(const SettingsFileRecord& record, DeviceData& data, LabelStore& labels,
                       bool connected, const LogSink& log);

// Reads, checks and applies a settings file. Nothing changes unless the result is Ok.
FileStatus loadSettingsFile(const QString& path, DeviceData& data, LabelStore& labels,
                            bool connected, const LogSink& log);

// Saves the held settings with the label file code in use; logs only on success.
FileStatus saveSettingsFile(const QString& path, const DeviceData& data, quint8 labelFileCode,
                            const LogSink& log);

// The text a message box shows for a load or save that did not succeed.
QString settingsFileMessage(FileStatus status);
