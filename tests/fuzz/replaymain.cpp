// Runs a fuzz target without libFuzzer over the files and directories named; fails when
// none was found, so that a corpus that went missing does not pass silently.
#include <QDir>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo named(QFile::decodeName(argv[i]));
        const QFileInfoList files =
            named.isDir() ? QDir(named.filePath()).entryInfoList(QDir::Files, QDir::Name)
                          : QFileInfoList{named};
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue; // no saved failures
            // A copy of exactly the input's size, so that a read past it is caught.
            const QByteArray bytes = file.readAll();
            const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
            std::fprintf(stderr, "%s (%zu bytes)\n", qPrintable(info.filePath()), input.size());
            replayed += LLVMFuzzerTestOneInput(input.data(), input.size()) == 0;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
