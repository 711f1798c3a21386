#include "fleet/eventcursor.h"

#include "model/eventregister.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

namespace EventCursor {

namespace {

QByteArray entryBytes(const DeviceImage& image, int slot)
{
    return QByteArray(reinterpret_cast<const char*>(image.entries[slot].bytes),
                      EventRegister::entrySize);
}

bool isEmpty(const EventEntry& entry)
{
    return std::all_of(std::begin(entry.bytes), std::end(entry.bytes),
                       [](std::uint8_t b) { return b == 0; });
}

} // namespace

NewEntries newEntries(const DeviceImage& image, const std::optional<Cursor>& cursor)
{
    NewEntries result;
    int first = image.writePosition; // the oldest slot that is new
    int count = entryCount;
    if (cursor) {
        const int last = (cursor->writePosition - 1) & 0xFF;
        if (entryBytes(image, last) == cursor->entry) {
            first = cursor->writePosition;
            count = (image.writePosition - cursor->writePosition) & 0xFF;
        } else {
            result.gap = true;
        }
    }
    if (count == entryCount) {
        const EventEntry& newest = image.entries[(image.writePosition - 1) & 0xFF];
        while (count > 0) {
            const EventEntry& oldest = image.entries[first];
            if (!EventRegister::isEntryValid(newest) || !EventRegister::isEntryValid(oldest) ||
                EventRegister::counter(oldest) <= EventRegister::counter(newest) || count == 1)
                break;
            first = (first + 1) & 0xFF;
            --count;
        }
    }
    for (int i = 0; i < count; ++i) {
        const int slot = (first + i) & 0xFF;
        if (!isEmpty(image.entries[slot]))
            result.entrySlots.append(slot);
    }
    return result;
}

Cursor cursorAt(const DeviceImage& image, int slot)
{
    return {std::uint8_t((slot + 1) & 0xFF), entryBytes(image, slot)};
}

Cursor cursorAtEnd(const DeviceImage& image)
{
    return cursorAt(image, (image.writePosition - 1) & 0xFF);
}

QString cursorPath(const QString& directory, quint16 factory)
{
    return QDir(directory).filePath(QStringLiteral("%1.cursor.json").arg(factory));
}

std::optional<Cursor> loadCursor(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    const int position = object.value(QStringLiteral("writePosition")).toInt(-1);
    const QByteArray entry =
        QByteArray::fromHex(object.value(QStringLiteral("entry")).toString().toLatin1());
    if (position < 0 || position > 0xFF || entry.size() != EventRegister::entrySize) {
        error = QStringLiteral("not a cursor file");
        return std::nullopt;
    }
    return Cursor{std::uint8_t(position), entry};
}

bool saveCursor(const QString& path, const Cursor& cursor, QString& error)
{
    const QJsonObject object{{QStringLiteral("writePosition"), cursor.writePosition},
                             {QStringLiteral("entry"), QString::fromLatin1(cursor.entry.toHex())}};
    const QByteArray bytes = QJsonDocument(object).toJson();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = file.errorString();
    return false;
}

} // namespace EventCursor
