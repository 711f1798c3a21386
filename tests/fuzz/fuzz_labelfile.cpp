// The label file loader fed arbitrary files. Byte 0 of the input chooses the file: the
// rest as it is, or repeated to one of the two sizes the loader takes (or one byte off
// them), so that the fuzzer spends its time on contents, not on finding the sizes. A
// file of another size leaves the built-in texts; a file of either size is taken byte
// for byte (the short form with empty flag and output names). Every slot then reads
// within its width, and the events list and settings printout can be built from it.
#include "files/eventstable.h"
#include "files/settingsprintout.h"
#include "fuzzcommon.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <cstring>

namespace {

QByteArray labelArea(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().labelSets), labelAreaSize);
}

const QByteArray& builtInArea()
{
    static const QByteArray area = [] {
        DeviceData data;
        LabelStore labels(data, QStringLiteral("/nonexistent"), {});
        labels.defaultFill();
        return labelArea(data);
    }();
    return area;
}

QByteArray tiled(QByteArrayView pattern, qsizetype size)
{
    if (pattern.isEmpty())
        return QByteArray(size, '\0');
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = pattern[i % pattern.size()];
    return bytes;
}

template <std::size_t N> void checkSlot(const char (&slot)[N])
{
    FUZZ_CHECK(slotText(slot).size() <= qsizetype(N) - 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    Fuzz::scratchDirectory();
    builtInArea();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    Fuzz::Input input(bytes, size);
    const std::uint8_t mode = input.byte();
    const QByteArray rest = input.bytes(input.remaining());
    QByteArray file;
    switch (mode % 6) {
    case 0:
        file = rest;
        break;
    case 1:
        file = tiled(rest, qsizetype(labelSetsSize));
        break;
    case 2:
        file = tiled(rest, qsizetype(labelAreaSize));
        break;
    case 3:
        file = tiled(rest, qsizetype(labelSetsSize) + (mode & 0x80 ? 1 : -1));
        break;
    case 4:
        file = tiled(rest, qsizetype(labelAreaSize) + (mode & 0x80 ? 1 : -1));
        break;
    default:
        file = tiled(rest, mode * 371);
        break;
    }
    Fuzz::writeScratch(QStringLiteral("Labels_2.nzw"), file);

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    LabelStore labels(data, Fuzz::scratchDirectory(),
                      [&log](const QString& line) { log.append(line); });
    labels.setLabelFileCode(LabelStore::startCode);

    const bool takes =
        file.size() == qsizetype(labelSetsSize) || file.size() == qsizetype(labelAreaSize);
    FUZZ_CHECK((labels.labelFileName() == QStringLiteral("Labels_2.nzw")) == takes);
    if (takes) {
        FUZZ_CHECK(labelArea(data) == file + QByteArray(labelAreaSize - file.size(), '\0'));
        FUZZ_CHECK(log.size() == 1);
    } else {
        FUZZ_CHECK(labelArea(data) == builtInArea());
        FUZZ_CHECK(log.size() == 2 && log.last() == stringText(StringId::labelFileInvalid));
    }

    const DeviceImage& image = data.image();
    for (const LabelSet& set : image.labelSets) {
        for (const auto& slot : set.timeDescriptions)
            checkSlot(slot);
        for (const auto& slot : set.signalNames)
            checkSlot(slot);
        for (const auto& slot : set.variantDescriptions)
            checkSlot(slot);
        checkSlot(set.circuitDescription);
    }
    for (const FlagOutputLabelSet& set : image.flagOutputLabelSets) {
        for (const auto& slot : set.names)
            checkSlot(slot);
    }

    // The texts in use: a register whose entries change every signal, and the printout.
    DeviceImage& edited = data.image();
    for (int slot = 0; slot < entryCount; ++slot)
        std::memset(edited.entries[slot].bytes + 4, slot & 1 ? 0xFF : 0x00, 7);
    edited.deviceCombination = mode % combinationCount;
    edited.readIndex = entryCount;
    FUZZ_CHECK(eventListRows(image).size() == entryCount);
    data.selectLabelSets(mode % combinationCount);
    FUZZ_CHECK(!settingsPrintoutRows(data).isEmpty());
    return 0;
}
