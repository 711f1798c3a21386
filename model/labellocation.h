#pragma once

#include <QString>

// Where the label files are read and written when no directory is named. Decided once
// at start:
//   1. the user's data directory, when it holds label files (searched first);
//   2. the program's directory, when it can be written and holds label files, or when
//      nothing was installed elsewhere (as a tool unpacked on Windows, or a build tree);
//   3. otherwise the user's data directory, given a copy of each label file installed
//      with the program that it does not hold yet, so that edits saved there are found
//      first the next time.
namespace LabelLocation {

// The application name of every program of the tool.
inline const QString toolName = QStringLiteral("Tavrel");

struct Places {
    QString userData; // QStandardPaths::AppDataLocation of the tool
    QString program;  // the directory of the executable
    QString shipped;  // where the installation put its label files (beside the program's bin/)
};

// The places of this installation and user. The window and the command line both run
// under the tool's name (toolName), so they share the user's data directory.
Places standardPlaces();

// Applies the rules above; copies label files into the user's data directory when rule 3
// chooses it.
QString choose(const Places& places);

// choose(standardPlaces()).
QString labelDirectory();

// Whether a directory holds any label file (Labels.nzw, Labels_1.nzw .. Labels_9.nzw).
bool holdsLabelFiles(const QString& directory);

} // namespace LabelLocation
