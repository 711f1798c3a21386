#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstring>
#include <optional>
#include <type_traits>

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

// A record file's bytes are its record's, field for field: fixed-size little-endian
// fields, no header.
template <class Record> QByteArray recordBytes(const Record& record)
{
    static_assert(std::is_trivially_copyable_v<Record>);
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

// The record those bytes hold; nothing unless there are exactly as many.
template <class Record> std::optional<Record> recordFromBytes(QByteArrayView bytes)
{
    static_assert(std::is_trivially_copyable_v<Record>);
    if (bytes.size() != qsizetype(sizeof(Record)))
        return std::nullopt;
    Record record;
    std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

// Reads a file that holds exactly one record. `record` is set only on Ok.
template <class Record> FileStatus readRecord(const QString& path, Record& record)
{
    QByteArray bytes;
    const FileStatus status = readRecordFile(path, sizeof(Record), bytes);
    if (status != FileStatus::Ok)
        return status;
    const std::optional<Record> read = recordFromBytes<Record>(bytes);
    if (!read)
        return FileStatus::ReadFailed;
    record = *read;
    return FileStatus::Ok;
}

// Writes `bytes` so that the old file stays intact unless the new one is complete: a
// temporary file beside it is renamed over it. Devices and pipes, which cannot be
// replaced by a rename, are written directly.
FileStatus writeRecordFile(const QString& path, const QByteArray& bytes);
