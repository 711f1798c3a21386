#include "cli/pdfoutput.h"

#include "files/printoutpainter.h"

#include <cstring>

ExitCode writePrintoutPdf(const QString& path, const PrintoutLayout& layout, CliIo& io)
{
    QString error;
    if (savePrintoutPdf(path, layout, &error))
        return ExitCode::Success;
    io.err << error << '\n';
    return ExitCode::FileRefused;
}

bool wantsPdf(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        // The service report holds a PDF too.
        if (std::strcmp(argv[i], "--pdf") == 0 || std::strncmp(argv[i], "--pdf=", 6) == 0 ||
            std::strcmp(argv[i], "report") == 0)
            return true;
    }
    return false;
}
