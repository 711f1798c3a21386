#pragma once

#include "cli/clicommand.h"
#include "files/printoutlayout.h"

#include <QCommandLineOption>

// --pdf OUT of the settings and events commands: the printout written as a PDF with the
// drawing code of the window's printouts.
inline QCommandLineOption pdfOption()
{
    return {QStringLiteral("pdf"), QStringLiteral("Write the printout as a PDF file to OUT."),
            QStringLiteral("OUT")};
}

// Writes the PDF; a failure is reported on stderr.
ExitCode writePrintoutPdf(const QString& path, const PrintoutLayout& layout, CliIo& io);

// Whether the program's arguments ask for a PDF or a picture, which need the graphics part
// of Qt (fonts, the PDF and picture writers) rather than the core alone.
bool wantsGraphics(int argc, char* argv[]);
