// The settings file loader fed arbitrary files. A refused file changes nothing and logs
// nothing; an accepted one is exactly 24 bytes whose fields land where the format puts
// them, the pages' printout of it can be built, and saving it again writes the same
// bytes (the label file code as accepted).
#include "files/settingsfile.h"
#include "files/settingsprintout.h"
#include "fuzzcommon.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QtEndian>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    Fuzz::scratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArrayView file(bytes, qsizetype(size));
    const QString path = Fuzz::writeScratch(QStringLiteral("fuzz.nst"), file);

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log.append(line); };
    LabelStore labels(data, Fuzz::scratchDirectory(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    const QByteArray before = Fuzz::snapshot(data);
    const bool connected = size > 0 && (bytes[0] & 1);

    const FileStatus status = loadSettingsFile(path, data, labels, connected, sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(Fuzz::snapshot(data) == before);
        FUZZ_CHECK(log.isEmpty());
        FUZZ_CHECK(!settingsFileMessage(status).isEmpty());
        FUZZ_CHECK(size != 24 || status == FileStatus::WrongContent);
        return 0;
    }

    FUZZ_CHECK(size == 24);
    const DeviceImage& image = data.image();
    FUZZ_CHECK(std::memcmp(image.settings.bytes, bytes, 16) == 0);
    FUZZ_CHECK(image.combinationIndex == qFromLittleEndian<quint32>(bytes + 16));
    FUZZ_CHECK(image.combinationIndex < unsigned(combinationCount));
    // Connected, the number stays the controller's (0 after the defaults).
    FUZZ_CHECK(image.factoryNumber == (connected ? 0 : qFromLittleEndian<quint16>(bytes + 20)));
    FUZZ_CHECK(data.settingsValid);
    FUZZ_CHECK(data.currentLabelSetIndex() == int(image.combinationIndex));
    FUZZ_CHECK(!log.isEmpty() && log.last() == stringText(StringId::settingsLoaded));
    FUZZ_CHECK(!settingsPrintoutRows(data).isEmpty());
    for (int row = 0; row < timeRowCount; ++row)
        SettingsRecord::decodeTime(row, SettingsRecord::timeCode(image.settings, row));

    const quint8 code = bytes[22];
    const bool codeAccepted = code >= 10 && code <= 100 && bytes[23] == (code ^ 0xFF);
    const QString savedPath = Fuzz::scratchDirectory() + QStringLiteral("/saved.nst");
    FUZZ_CHECK(saveSettingsFile(savedPath, data, labels.labelFileCode(), sink) == FileStatus::Ok);
    const QByteArray saved = Fuzz::readScratch(savedPath);
    FUZZ_CHECK(saved.size() == 24);
    FUZZ_CHECK(saved.first(20) == file.first(20));
    FUZZ_CHECK(connected || saved.sliced(20, 2) == file.sliced(20, 2));
    FUZZ_CHECK(std::uint8_t(saved[22]) == (codeAccepted ? code : 20));
    FUZZ_CHECK(std::uint8_t(saved[23]) == (std::uint8_t(saved[22]) ^ 0xFF));
    return 0;
}
