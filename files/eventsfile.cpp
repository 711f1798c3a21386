#include "files/eventsfile.h"

#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/strings.h"

#include <cstring>

EventsFileRecord makeEventsFileRecord(const DeviceData& data)
{
    const DeviceImage& image = data.image();
    EventsFileRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.entries, image.entries, sizeof record.entries);
    record.timeBase = image.timeBase;
    record.writePosition = image.writePosition;
    record.registerFactoryNumber = image.registerFactoryNumber;
    record.deviceCombination = image.deviceCombination;
    return record;
}

FileStatus readEventsFile(const QString& path, EventsFileRecord& record)
{
    EventsFileRecord read;
    const FileStatus status = readRecord(path, read);
    if (status != FileStatus::Ok)
        return status;
    // The register is named from the label set of this combination; there are 16.
    if (read.deviceCombination >= combinationCount)
        return FileStatus::WrongContent;
    record = read;
    return FileStatus::Ok;
}

void applyEventsFile(const EventsFileRecord& record, DeviceData& data, const LogSink& log)
{
    DeviceImage& image = data.image();
    std::memcpy(image.entries, record.entries, sizeof image.entries);
    image.timeBase = record.timeBase;
    image.liveWritePosition = record.writePosition;
    image.writePosition = record.writePosition;
    image.registerFactoryNumber = record.registerFactoryNumber;
    image.deviceCombination = record.deviceCombination;
    image.circuit = static_cast<quint8>(Catalogue::circuitOf(image.combinationIndex));
    image.variant = static_cast<quint8>(Catalogue::variantOf(image.combinationIndex));
    log(stringText(StringId::eventsLoaded));
    image.readIndex = entryCount;
}

FileStatus loadEventsFile(const QString& path, DeviceData& data, const LogSink& log)
{
    EventsFileRecord record;
    const FileStatus status = readEventsFile(path, record);
    if (status == FileStatus::Ok)
        applyEventsFile(record, data, log);
    return status;
}

FileStatus saveEventsFile(const QString& path, const DeviceData& data, const LogSink& log)
{
    const FileStatus status = writeRecordFile(path, recordBytes(makeEventsFileRecord(data)));
    if (status == FileStatus::Ok)
        log(stringText(StringId::eventsSaved));
    return status;
}

QString eventsFileMessage(FileStatus status)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::StatFailed:
        return stringText(StringId::eventsDiskReadProblem);
    case FileStatus::OpenFailed:
    case FileStatus::ReadFailed:
        return stringText(StringId::eventsFileReadProblem);
    case FileStatus::WrongSize:
        return stringText(StringId::eventsFileWrongSize);
    case FileStatus::WrongContent:
        return stringText(StringId::eventsFileInvalid);
    case FileStatus::WriteFailed:
        return stringText(StringId::eventsWriteProblem);
    }
    return {};
}
