#pragma once

// Whole files, as the tests read and write them, and the device data held, as bytes.

#include "model/devicedata.h"

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Everything of the device data that a refused file or a refused command must leave as it
// was: the image, the current sets and whether the settings are valid.
inline QByteArray heldBytes(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage)) +
           char(data.currentLabelSetIndex()) + char(data.currentFlagOutputSetIndex()) +
           char(data.settingsValid);
}
