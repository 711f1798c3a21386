#include "model/labellocation.h"

#include "model/labelstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef TAVREL_SHIPPED_LABELS
#define TAVREL_SHIPPED_LABELS "../share/tavrel"
#endif

namespace {

QStringList labelFileNames()
{
    QStringList names{LabelStore::fileNameForCode(0)};
    for (int code = 10; code <= 90; code += 10)
        names << LabelStore::fileNameForCode(code);
    return names;
}

// Tried, not taken from the permission bits: on Windows those say nothing about a
// protected folder.
bool isWritableDirectory(const QString& directory)
{
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        return false;
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral("labels-probe-XXXXXX")));
    return probe.open();
}

void copyMissingLabelFiles(const QString& from, const QString& to)
{
    for (const QString& name : labelFileNames()) {
        const QString source = QDir(from).filePath(name);
        const QString target = QDir(to).filePath(name);
        if (!QFile::exists(source) || QFile::exists(target))
            continue;
        // The copy belongs to the user, who may save over it.
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::ReadOther);
    }
}

} // namespace

namespace LabelLocation {

bool holdsLabelFiles(const QString& directory)
{
    if (directory.isEmpty())
        return false;
    const QDir dir(directory);
    for (const QString& name : labelFileNames()) {
        if (QFileInfo(dir.filePath(name)).isFile())
            return true;
    }
    return false;
}

Places standardPlaces()
{
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString program = QCoreApplication::applicationDirPath();
    return {userData, program,
            QDir::cleanPath(QDir(program).filePath(QStringLiteral(TAVREL_SHIPPED_LABELS)))};
}

QString choose(const Places& places)
{
    const bool programHolds = holdsLabelFiles(places.program);
    const bool shippedHolds = holdsLabelFiles(places.shipped);
    const bool userHolds = holdsLabelFiles(places.userData);
    if (!userHolds && isWritableDirectory(places.program) && (programHolds || !shippedHolds))
        return places.program;
    // Created now, so that the first "Zapisz etykiety" finds it.
    if (places.userData.isEmpty() || !QDir().mkpath(places.userData))
        return places.program;
    // A label file installed later (a new firmware's) joins the user's own.
    if (programHolds)
        copyMissingLabelFiles(places.program, places.userData);
    else if (shippedHolds)
        copyMissingLabelFiles(places.shipped, places.userData);
    return places.userData;
}

QString labelDirectory()
{
    return choose(standardPlaces());
}

} // namespace LabelLocation
