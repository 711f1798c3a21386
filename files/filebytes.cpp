#include "files/filebytes.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

FileStatus readRecordFile(const QString& path, qint64 size, QByteArray& bytes)
{
    // Only a regular file holds a record; opening a pipe or a device to read it may wait
    // for a writer that never comes.
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return FileStatus::StatFailed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileStatus::OpenFailed;
    if (file.size() != size)
        return FileStatus::WrongSize;
    // One byte more than wanted tells a file that grew since its size was taken.
    QByteArray read = file.read(size + 1);
    if (read.size() != size)
        return read.size() < size ? FileStatus::ReadFailed : FileStatus::WrongSize;
    bytes = std::move(read);
    return FileStatus::Ok;
}

namespace {

QString resolvedTarget(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 64 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

FileStatus writeDirectly(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileStatus::WriteFailed;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError ? FileStatus::Ok
                                                           : FileStatus::WriteFailed;
}

} // namespace

FileStatus writeRecordFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(resolvedTarget(path));
    if (target.exists() && !target.isFile() && !target.isDir())
        return writeDirectly(target.filePath(), bytes);

    // Unbuffered, so that a short write (a full disk) shows in the count written: a
    // buffered QSaveFile reports it nowhere and would rename the truncated file into place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileStatus::WriteFailed;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return FileStatus::WriteFailed;
    }
    return file.commit() ? FileStatus::Ok : FileStatus::WriteFailed;
}
