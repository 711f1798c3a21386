#pragma once

#include <QByteArray>
#include <QString>

// How reading or writing one of the fixed-size record files ended. Each file format maps
// these to its own texts.
enum class FileStatus {
    Ok,
    StatFailed,   // the file's status (its size) could not be read: missing, not a file
    OpenFailed,   // the file could not be opened for reading
    ReadFailed,   // fewer bytes arrived than the size promised
    WrongSize,    // the size is not the record's
    WrongContent, // a field indexes past the tool's tables
    WriteFailed,  // the file could not be created, written or committed
};

// Reads a file that must hold exactly `size` bytes. `bytes` is set only on Ok.
FileStatus readRecordFile(const QString& path, qint64 size, QByteArray& bytes);

// Writes `bytes` so that the old file stays intact unless the new one is complete: a
// temporary file beside it is renamed over it. Devices and pipes, which cannot be
// replaced by a rename, are written directly.
FileStatus writeRecordFile(const QString& path, const QByteArray& bytes);
