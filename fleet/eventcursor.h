#pragma once

#include "model/deviceimage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// What of a controller's event register has been published: the ring position just after
// the newest entry the broker acknowledged, and that entry's 12 bytes.
//
// The register is a ring of 256 slots written in turn at the write position; an entry
// carries no sequence number, and its counter alone does not tell two entries of the
// same second apart. So the cursor keeps the entry itself: while the slot before the
// cursor's position still holds those very bytes, fewer than 256 entries were written
// since, and exactly the slots from the cursor's position up to the register's write
// position are new. When the slot holds anything else, the writes have come round the
// whole ring (or the register was cleared or replaced): every entry held is new to the
// broker, and the ones written between the cursor and the oldest held are lost - the gap.
namespace EventCursor {

struct Cursor {
    std::uint8_t writePosition = 0;
    QByteArray entry; // 12 bytes
};

struct NewEntries {
    QList<int> entrySlots; // oldest first
    bool gap = false;
};

// The entries of `image` (a complete register) that `cursor` does not cover; without a
// cursor, every entry held. Slots never written (all zero) are no entries. Where the
// whole ring counts as new, entries at the oldest end dated after the newest one were
// written while the register was being read: they belong to the next read.
NewEntries newEntries(const DeviceImage& image, const std::optional<Cursor>& cursor);

// The cursor once everything up to and including `slot` is published.
Cursor cursorAt(const DeviceImage& image, int slot);
// The cursor once everything the register holds is published.
Cursor cursorAtEnd(const DeviceImage& image);

// The cursor file of a factory number in `directory`; empty when there is none.
QString cursorPath(const QString& directory, quint16 factory);
// A file that cannot be read or parsed is no cursor, and `error` says why.
std::optional<Cursor> loadCursor(const QString& path, QString& error);
// Written whole or not at all (the old file stays).
bool saveCursor(const QString& path, const Cursor& cursor, QString& error);

} // namespace EventCursor
