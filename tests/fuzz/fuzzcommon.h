#pragma once

// Shared by the fuzz targets: a check that stops the run where it fails (libFuzzer keeps
// the input, the replay driver names it), the one application object, and a reader of
// the input's bytes.

#include "model/devicedata.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace Fuzz {

// Timers and queued calls need an application object; it lives until the process ends
// (held by a pointer, so nothing of Qt is torn down by static destructors).
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        // The tool's own debug output would only slow the run down.
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.*=false"));
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
}

// Reads the input front to back; past its end every read gives zeros or nothing.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_position >= m_size; }
    std::size_t remaining() const { return m_size - m_position; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_position++]; }
    QByteArray bytes(std::size_t count)
    {
        if (count > remaining())
            count = remaining();
        const QByteArray read(reinterpret_cast<const char*>(m_data + m_position),
                              static_cast<qsizetype>(count));
        m_position += count;
        return read;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

// A directory of the run's own for the files the targets write.
inline QString scratchDirectory()
{
    static const QTemporaryDir dir; // removed when the process ends
    return dir.path();
}

inline QString writeScratch(const QString& name, QByteArrayView bytes)
{
    const QString path = scratchDirectory() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), bytes.size()) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

inline QByteArray readScratch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The whole device data as bytes, with the current sets and settingsValid: what a refused
// file must leave as it was.
inline QByteArray snapshot(const DeviceData& data)
{
    QByteArray bytes(reinterpret_cast<const char*>(&data.image()), sizeof(DeviceImage));
    bytes.append(char(data.currentLabelSetIndex()));
    bytes.append(char(data.currentFlagOutputSetIndex()));
    bytes.append(char(data.settingsValid));
    return bytes;
}

} // namespace Fuzz
