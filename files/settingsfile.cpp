#include "files/settingsfile.h"

#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/strings.h"

SettingsFileRecord makeSettingsFileRecord(const DeviceData& data, quint8 labelFileCode)
{
    const DeviceImage& image = data.image();
    SettingsFileRecord record;
    record.settings = image.settings;
    record.combinationIndex = image.combinationIndex;
    record.factoryNumber = image.factoryNumber;
    record.labelFileCode = labelFileCode;
    record.labelFileCodeCheck = labelFileCode ^ 0xFF;
    return record;
}

quint8 acceptedLabelFileCode(const SettingsFileRecord& record)
{
    const quint8 code = record.labelFileCode;
    if (code >= 10 && code <= 100 && record.labelFileCodeCheck == (code ^ 0xFF))
        return code;
    return fallbackLabelFileCode;
}

FileStatus readSettingsFile(const QString& path, SettingsFileRecord& record)
{
    SettingsFileRecord read;
    const FileStatus status = readRecord(path, read);
    if (status != FileStatus::Ok)
        return status;
    // The label sets and the circuit table have 16 entries; a larger index would read
    // past them.
    if (read.combinationIndex >= quint32(combinationCount))
        return FileStatus::WrongContent;
    record = read;
    return FileStatus::Ok;
}

void applySettingsFile(const SettingsFileRecord& record, DeviceData& data, LabelStore& labels,
                       bool connected, const LogSink& log)
{
    labels.setLabelFileCode(acceptedLabelFileCode(record));

    DeviceImage& image = data.image();
    const quint32 combination = record.combinationIndex;
    if (connected) {
        if (combination != image.combinationIndex)
            log(stringText(StringId::combinationMismatch));
        if (record.factoryNumber != image.factoryNumber)
            log(stringText(StringId::factoryNumberMismatch));
    }

    image.settings = record.settings;
    // While connected the factory number is the controller's: it keys the device password
    // and tags the registers read, so a file of another controller must not take it over.
    if (!connected)
        image.factoryNumber = record.factoryNumber;
    Catalogue::selectCombination(data, combination);
    log(stringText(StringId::settingsLoaded));
    data.settingsValid = true;
}

FileStatus loadSettingsFile(const QString& path, DeviceData& data, LabelStore& labels,
                            bool connected, const LogSink& log)
{
    SettingsFileRecord record;
    const FileStatus status = readSettingsFile(path, record);
    if (status == FileStatus::Ok)
        applySettingsFile(record, data, labels, connected, log);
    return status;
}

FileStatus saveSettingsFile(const QString& path, const DeviceData& data, quint8 labelFileCode,
                            const LogSink& log)
{
    const FileStatus status =
        writeRecordFile(path, recordBytes(makeSettingsFileRecord(data, labelFileCode)));
    if (status == FileStatus::Ok)
        log(stringText(StringId::settingsSaved));
    return status;
}

QString settingsFileMessage(FileStatus status)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::StatFailed:
    case FileStatus::OpenFailed:
    case FileStatus::ReadFailed:
        return stringText(StringId::settingsReadProblem);
    case FileStatus::WrongSize:
        return stringText(StringId::settingsFileWrongSize);
    case FileStatus::WrongContent:
        return stringText(StringId::settingsFileInvalid);
    case FileStatus::WriteFailed:
        return stringText(StringId::settingsWriteProblem);
    }
    return {};
}
