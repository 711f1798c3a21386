// The events file loader fed arbitrary files. A refused file changes nothing and logs
// nothing; an accepted one is exactly 3084 bytes whose fields land where the format puts
// them, the events list and its CSV can be built from any contents, and saving writes
// the same bytes back (the undefined padding as zeros).
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "fuzzcommon.h"
#include "model/eventregister.h"
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
    const QString path = Fuzz::writeScratch(QStringLiteral("fuzz.rzd"), file);

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, Fuzz::scratchDirectory(), {});
    labels.setLabelFileCode(LabelStore::startCode);
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log.append(line); };
    const QByteArray before = Fuzz::snapshot(data);

    const FileStatus status = loadEventsFile(path, data, sink);
    if (status != FileStatus::Ok) {
        FUZZ_CHECK(Fuzz::snapshot(data) == before);
        FUZZ_CHECK(log.isEmpty());
        FUZZ_CHECK(!eventsFileMessage(status).isEmpty());
        FUZZ_CHECK(size != 3084 || status == FileStatus::WrongContent);
        return 0;
    }

    FUZZ_CHECK(size == 3084);
    const DeviceImage& image = data.image();
    FUZZ_CHECK(std::memcmp(image.entries, bytes, 3072) == 0);
    FUZZ_CHECK(image.timeBase == qFromLittleEndian<quint32>(bytes + 3072));
    FUZZ_CHECK(image.writePosition == bytes[3076]);
    FUZZ_CHECK(image.registerFactoryNumber == qFromLittleEndian<quint16>(bytes + 3078));
    FUZZ_CHECK(image.deviceCombination == bytes[3080]);
    FUZZ_CHECK(image.deviceCombination < combinationCount);
    FUZZ_CHECK(EventRegister::isComplete(image));
    FUZZ_CHECK(!log.isEmpty() && log.last() == stringText(StringId::eventsLoaded));

    const QList<EventListRow> rows = eventListRows(image);
    FUZZ_CHECK(rows.size() == entryCount);
    FUZZ_CHECK(!eventsCsv(rows).isEmpty());

    const QString savedPath = Fuzz::scratchDirectory() + QStringLiteral("/saved.rzd");
    FUZZ_CHECK(saveEventsFile(savedPath, data, sink) == FileStatus::Ok);
    QByteArray expected = file.toByteArray();
    expected[3077] = 0;
    expected[3081] = expected[3082] = expected[3083] = 0;
    FUZZ_CHECK(Fuzz::readScratch(savedPath) == expected);
    return 0;
}
