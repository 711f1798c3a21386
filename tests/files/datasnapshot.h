#pragma once

#include "model/devicedata.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Everything a refused file must leave as it was: the whole device image, both current
// label sets and settingsValid.
inline QByteArray snapshot(const DeviceData& data)
{
    QByteArray bytes(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
    bytes.append(char(data.currentLabelSetIndex()));
    bytes.append(char(data.currentFlagOutputSetIndex()));
    bytes.append(char(data.settingsValid));
    return bytes;
}

inline QByteArray goldenFile(const char* name)
{
    QFile file(QStringLiteral(TAVREL_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
