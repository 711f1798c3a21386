// The events file loader fed arbitrary files. A refused file changes nothing and logs
// nothing; an accepted one is exactly 3084 bytes whose fields land where the format puts
// them, its list and CSV can be built, and saving writes the same bytes back (the
// undefined padding as zeros).
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "fuzzcommon.h"
#include "model/eventregister.h"
#include "model/settingsrecord.h"

#include <QtEndian>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArrayView file(bytes, qsizetype(size));
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log.append(line); };
    const QByteArray before = Fuzz::snapshot(data);
    const FileStatus status = loadEventsFile(Fuzz::writeScratch("in.rzd", file), data, sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(Fuzz::snapshot(data) == before && log.isEmpty());
        FUZZ_CHECK(size != 3084 || status == FileStatus::WrongContent);
        return 0;
    }
    const DeviceImage& image = data.image();
    FUZZ_CHECK(size == 3084 && std::memcmp(image.entries, bytes, 3072) == 0);
    FUZZ_CHECK(image.timeBase == qFromLittleEndian<quint32>(bytes + 3072));
    FUZZ_CHECK(image.writePosition == bytes[3076] && image.deviceCombination == bytes[3080]);
    FUZZ_CHECK(image.registerFactoryNumber == qFromLittleEndian<quint16>(bytes + 3078));
    FUZZ_CHECK(image.deviceCombination < combinationCount && EventRegister::isComplete(image));
    FUZZ_CHECK(!eventsCsv(eventListRows(image)).isEmpty());
    FUZZ_CHECK(saveEventsFile(Fuzz::scratch("out.rzd"), data, sink) == FileStatus::Ok);
    QByteArray expected = file.toByteArray();
    expected[3077] = expected[3081] = expected[3082] = expected[3083] = 0;
    FUZZ_CHECK(Fuzz::readScratch("out.rzd") == expected);
    return 0;
}
