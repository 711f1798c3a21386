#pragma once

// Shared by the fuzz targets: a check that stops the run (libFuzzer keeps the input, the
// replay driver names it), the application object, the input, a scratch directory.

#include "model/devicedata.h"
#include "tests/support/files.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) ((condition) ? void() : Fuzz::fail(#condition, __FILE__, __LINE__))

namespace Fuzz {

[[noreturn]] inline void fail(const char* check, const char* file, int line)
{
    std::fprintf(stderr, "check failed: %s (%s:%d)\n", check, file, line);
    std::abort();
}

// A directory of the run's own, removed when the process ends, and its files.
inline QString scratch(const QString& name = {})
{
    static const QTemporaryDir dir;
    return name.isEmpty() ? dir.path() : dir.filePath(name);
}

inline QByteArray readScratch(const QString& name)
{
    return readBytes(scratch(name));
}

inline QString writeScratch(const QString& name, QByteArrayView bytes)
{
    QFile file(scratch(name));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
               file.write(bytes.data(), bytes.size()) == bytes.size());
    return file.fileName();
}

// Reads the input front to back; past its end every read gives zeros or nothing.
struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool atEnd() const { return at >= size; }
    std::uint8_t byte() { return atEnd() ? 0 : data[at++]; }
    QByteArray bytes(std::size_t count)
    {
        count = std::min(count, size - std::min(at, size));
        at += count;
        return QByteArray(reinterpret_cast<const char*>(data + at - count), qsizetype(count));
    }
};

} // namespace Fuzz

// Timers and queued calls need an application object; it lives until the process ends
// (never deleted, so nothing of Qt is torn down by static destructors).
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*=false")); // only slows the run
    new QCoreApplication(argc, argv);
    Fuzz::scratch();
    return 0;
}
