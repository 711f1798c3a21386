// The label file loader fed arbitrary files. Byte 0 of the input chooses the file: the
// rest as it is, or repeated to one of the two sizes the loader takes (or one byte off),
// so that the fuzzer spends its time on contents, not on finding the sizes. A file of
// another size leaves the built-in texts; one of either size is taken byte for byte (the
// short form with empty flag and output names). The events list and the settings
// printout can then be built from its texts.
#include "files/eventstable.h"
#include "files/settingsprintout.h"
#include "fuzzcommon.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <cstring>

namespace {

QByteArray labelArea(const DeviceData& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.image().labelSets), labelAreaSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    static const QByteArray builtIn = [] {
        DeviceData data;
        LabelStore(data, QStringLiteral("/nonexistent"), {}).defaultFill();
        return labelArea(data);
    }();
    Fuzz::Input input{bytes, size};
    const std::uint8_t mode = input.byte();
    const QByteArray rest = input.bytes(size);
    const qsizetype sets = labelSetsSize, area = labelAreaSize, off = mode & 0x80 ? 1 : -1;
    const qsizetype sizes[6] = {rest.size(), sets, area, sets + off, area + off, mode * 371};
    QByteArray file(sizes[mode % 6], '\0');
    for (qsizetype i = 0; !rest.isEmpty() && i < file.size(); ++i)
        file[i] = rest[i % rest.size()];
    Fuzz::writeScratch(QStringLiteral("Labels_2.nzw"), file);

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    LabelStore labels(data, Fuzz::scratch(), [&log](const QString& line) { log.append(line); });
    labels.setLabelFileCode(LabelStore::startCode);
    if (file.size() == sets || file.size() == area) {
        FUZZ_CHECK(labels.labelFileName() == QStringLiteral("Labels_2.nzw") && log.size() == 1);
        FUZZ_CHECK(labelArea(data) == file + QByteArray(area - file.size(), '\0'));
    } else {
        FUZZ_CHECK(labelArea(data) == builtIn);
        FUZZ_CHECK(log.size() == 2 && log.last() == stringText(StringId::labelFileInvalid));
    }
    // The texts in use: a register whose entries change every signal, and the printout.
    DeviceImage& image = data.image();
    for (int slot = 0; slot < entryCount; ++slot)
        std::memset(image.entries[slot].bytes + 4, slot & 1 ? 0xFF : 0x00, 7);
    image.deviceCombination = mode % combinationCount;
    image.readIndex = entryCount;
    for (const EventListRow& row : eventListRows(image))
        FUZZ_CHECK(row.event.size() <= 56 * 34);
    data.selectLabelSets(mode % combinationCount);
    FUZZ_CHECK(!settingsPrintoutRows(data).isEmpty());
    return 0;
}
