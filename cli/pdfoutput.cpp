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

bool wantsGraphics(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"--pdf", "--timeline"}) {
            const std::size_t n = std::strlen(option);
            if (std::strncmp(argv[i], option, n) == 0 && (argv[i][n] == 0 || argv[i][n] == '='))
                return true;
        }
    }
    return false;
}
