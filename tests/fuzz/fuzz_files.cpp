// The file loaders fed arbitrary files, one target each (FUZZ_FILE names its function).
// A refused file changes nothing; an accepted one lands byte for byte where its format
// puts it, what the tool builds from it can be built, and saving it writes it back.
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "files/settingsfile.h"
#include "files/settingsprintout.h"
#include "fuzzcommon.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QtEndian>
#include <cstring>

namespace {

struct Loaded {
    DeviceData data;
    QStringList log;
    LogSink sink = [this](const QString& line) { log.append(line); };
    LabelStore labels{data, Fuzz::scratch(), sink};
    Loaded()
    {
        SettingsRecord::applyDefaults(data);
        labels.setLabelFileCode(LabelStore::startCode);
        log.clear();
    }
};

} // namespace

// Each target uses one of these: not file-local, so that the others are no unused ones.
namespace FuzzFiles {

// 24 bytes; connected (byte 0 odd) the factory number stays the controller's, 0 after the
// defaults; the label file code is taken with its check byte, 10..100.
void settingsfile(const std::uint8_t* bytes, std::size_t size)
{
    Loaded f;
    const QByteArray before = heldBytes(f.data);
    const bool connected = size > 0 && (bytes[0] & 1);
    const QString path = Fuzz::writeScratch("in.nst", {bytes, qsizetype(size)});
    const FileStatus status = loadSettingsFile(path, f.data, f.labels, connected, f.sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(heldBytes(f.data) == before && f.log.isEmpty());
        FUZZ_CHECK(size != 24 || status == FileStatus::WrongContent);
        return;
    }
    const DeviceImage& image = f.data.image();
    FUZZ_CHECK(size == 24 && std::equal(bytes, bytes + 16, image.settings.bytes));
    FUZZ_CHECK(image.combinationIndex == qFromLittleEndian<quint32>(bytes + 16));
    FUZZ_CHECK(image.combinationIndex < unsigned(combinationCount));
    FUZZ_CHECK(f.data.settingsValid &&
               f.data.currentLabelSetIndex() == int(image.combinationIndex));
    FUZZ_CHECK(image.factoryNumber == (connected ? 0 : qFromLittleEndian<quint16>(bytes + 20)));
    FUZZ_CHECK(!settingsPrintoutRows(f.data).isEmpty());
    FUZZ_CHECK(saveSettingsFile(path, f.data, f.labels.labelFileCode(), f.sink) == FileStatus::Ok);
    const QByteArray saved = Fuzz::readScratch("in.nst");
    const std::uint8_t code = bytes[22];
    const char taken = code >= 10 && code <= 100 && bytes[23] == (code ^ 0xFF) ? char(code) : 20;
    const QByteArrayView file(bytes, 24);
    FUZZ_CHECK(saved.size() == 24 && saved.first(20) == file.first(20));
    FUZZ_CHECK(connected || saved.sliced(20, 2) == file.sliced(20, 2));
    FUZZ_CHECK(saved[22] == taken && saved[23] == char(~taken));
}

// 3084 bytes; saved back with the undefined padding as zeros.
void eventsfile(const std::uint8_t* bytes, std::size_t size)
{
    Loaded f;
    const QByteArray before = heldBytes(f.data);
    const QString path = Fuzz::writeScratch("in.rzd", {bytes, qsizetype(size)});
    const FileStatus status = loadEventsFile(path, f.data, f.sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(heldBytes(f.data) == before && f.log.isEmpty());
        FUZZ_CHECK(size != 3084 || status == FileStatus::WrongContent);
        return;
    }
    const DeviceImage& image = f.data.image();
    FUZZ_CHECK(size == 3084 && std::memcmp(image.entries, bytes, 3072) == 0);
    FUZZ_CHECK(image.timeBase == qFromLittleEndian<quint32>(bytes + 3072));
    FUZZ_CHECK(image.writePosition == bytes[3076] && image.deviceCombination == bytes[3080]);
    FUZZ_CHECK(image.registerFactoryNumber == qFromLittleEndian<quint16>(bytes + 3078));
    FUZZ_CHECK(image.deviceCombination < combinationCount && EventRegister::isComplete(image));
    FUZZ_CHECK(!eventsCsv(eventListRows(image)).isEmpty());
    FUZZ_CHECK(saveEventsFile(path, f.data, f.sink) == FileStatus::Ok);
    QByteArray expected(reinterpret_cast<const char*>(bytes), 3084);
    expected[3077] = expected[3081] = expected[3082] = expected[3083] = 0;
    FUZZ_CHECK(Fuzz::readScratch("in.rzd") == expected);
}

// Byte 0 chooses the file: the rest as it is, or repeated to one of the two sizes the
// loader takes (or one byte off), so that the fuzzer spends its time on contents. A file
// of either size is taken byte for byte, the short form with empty flag and output names;
// another leaves the built-in texts.
void labelfile(const std::uint8_t* bytes, std::size_t size)
{
    QFile::remove(Fuzz::scratch("Labels_2.nzw")); // the last input's
    Loaded f;
    const QByteArray builtIn(reinterpret_cast<const char*>(f.data.image().labelSets),
                             labelAreaSize);
    Fuzz::Input input{bytes, size};
    const std::uint8_t mode = input.byte();
    const QByteArray rest = input.bytes(size);
    const qsizetype sets = labelSetsSize, area = labelAreaSize, off = mode & 0x80 ? 1 : -1;
    const qsizetype sizes[6] = {rest.size(), sets, area, sets + off, area + off, mode * 371};
    QByteArray file(sizes[mode % 6], '\0');
    for (qsizetype i = 0; !rest.isEmpty() && i < file.size(); ++i)
        file[i] = rest[i % rest.size()];
    Fuzz::writeScratch("Labels_2.nzw", file);
    const bool taken = f.labels.loadLabelFile();
    FUZZ_CHECK(taken == (file.size() == sets || file.size() == area));
    FUZZ_CHECK(QByteArray(reinterpret_cast<const char*>(f.data.image().labelSets), labelAreaSize) ==
               (taken ? file + QByteArray(area - file.size(), '\0') : builtIn));
    FUZZ_CHECK(taken || f.log.last() == stringText(StringId::labelFileInvalid));
}

} // namespace FuzzFiles

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzFiles::FUZZ_FILE(bytes, size);
    return 0;
}
