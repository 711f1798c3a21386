// The settings file loader fed arbitrary files. A refused file changes nothing and logs
// nothing; an accepted one is exactly 24 bytes whose fields land where the format puts
// them, its printout can be built, and saving it again writes the same bytes (the label
// file code as accepted: with its check byte, 10..100).
#include "files/settingsfile.h"
#include "files/settingsprintout.h"
#include "fuzzcommon.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArrayView file(bytes, qsizetype(size));
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log.append(line); };
    LabelStore labels(data, Fuzz::scratch(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    const QByteArray before = Fuzz::snapshot(data);
    const bool connected = size > 0 && (bytes[0] & 1);
    const FileStatus status =
        loadSettingsFile(Fuzz::writeScratch("in.nst", file), data, labels, connected, sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(Fuzz::snapshot(data) == before && log.isEmpty());
        FUZZ_CHECK(size != 24 || status == FileStatus::WrongContent);
        return 0;
    }
    const DeviceImage& image = data.image();
    FUZZ_CHECK(size == 24 && std::equal(bytes, bytes + 16, image.settings.bytes));
    FUZZ_CHECK(image.combinationIndex == qFromLittleEndian<quint32>(bytes + 16));
    FUZZ_CHECK(image.combinationIndex < unsigned(combinationCount));
    FUZZ_CHECK(data.settingsValid && data.currentLabelSetIndex() == int(image.combinationIndex));
    // Connected, the number stays the controller's (0 after the defaults).
    FUZZ_CHECK(image.factoryNumber == (connected ? 0 : qFromLittleEndian<quint16>(bytes + 20)));
    FUZZ_CHECK(!settingsPrintoutRows(data).isEmpty());
    FUZZ_CHECK(saveSettingsFile(Fuzz::scratch("out.nst"), data, labels.labelFileCode(), sink) ==
               FileStatus::Ok);
    const QByteArray saved = Fuzz::readScratch("out.nst");
    const quint8 code = bytes[22];
    const bool codeTaken = code >= 10 && code <= 100 && bytes[23] == (code ^ 0xFF);
    FUZZ_CHECK(saved.size() == 24 && saved.first(20) == file.first(20));
    FUZZ_CHECK(connected || saved.sliced(20, 2) == file.sliced(20, 2));
    FUZZ_CHECK(saved.sliced(22) ==
               QByteArray(1, char(codeTaken ? code : 20)) + char(~(codeTaken ? code : 20)));
    return 0;
}
