#include "cli/offlinecommands.h"
#include "cli/offlinesession.h"
#include "cli/pdfoutput.h"
#include "files/printoutlayout.h"
#include "files/settingsfile.h"
#include "files/settingsprintout.h"
#include "model/catalogue.h"
#include "model/settingsrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString unitName(SettingsRecord::TimeUnit unit)
{
    switch (unit) {
    case SettingsRecord::TimeUnit::Milliseconds:
        return QStringLiteral("ms");
    case SettingsRecord::TimeUnit::Seconds:
        return QStringLiteral("s");
    case SettingsRecord::TimeUnit::Minutes:
        return QStringLiteral("min");
    }
    return {};
}

QJsonObject recordJson(const SettingsFileRecord& record)
{
    namespace SR = SettingsRecord;
    const SettingsImage& image = record.settings;
    const unsigned combination = record.combinationIndex;

    QJsonArray timeRows;
    for (int row = 0; row < timeRowCount; ++row) {
        const quint8 code = SR::timeCode(image, row);
        const SR::TimeValue time = SR::decodeTime(row, code);
        timeRows.append(QJsonObject{{QStringLiteral("row"), row},
                                    {QStringLiteral("code"), code},
                                    {QStringLiteral("value"), time.value},
                                    {QStringLiteral("unit"), unitName(time.unit)}});
    }
    QJsonArray flags;
    for (int k = 0; k < flagCount; ++k)
        flags.append(SR::flag(image, k));
    QJsonArray outputs;
    for (int k = 0; k < outputCount; ++k)
        outputs.append(SR::output(image, k));

    const QByteArray imageBytes(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes);
    const quint8 labelFileCode = acceptedLabelFileCode(record);
    return QJsonObject{
        {QStringLiteral("image"), QString::fromLatin1(imageBytes.toHex())},
        {QStringLiteral("combinationIndex"), int(combination)},
        {QStringLiteral("circuit"), Catalogue::circuitOf(combination) + 1},
        {QStringLiteral("variant"), QString(QLatin1Char('A' + Catalogue::variantOf(combination)))},
        {QStringLiteral("factoryNumber"), int(record.factoryNumber)},
        {QStringLiteral("labelFileCode"), labelFileCode},
        {QStringLiteral("labelFileCodeValid"), labelFileCode == record.labelFileCode},
        {QStringLiteral("timeRows"), timeRows},
        {QStringLiteral("flags"), flags},
        {QStringLiteral("outputs"), outputs},
        {QStringLiteral("rs485"),
         QJsonObject{{QStringLiteral("address"), SR::address(image)},
                     {QStringLiteral("baudRate"), SR::rs485BaudRates[SR::baudIndex(image)]}}},
    };
}

} // namespace

ExitCode runSettingsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the record as JSON instead."));
    RecordFileArguments args;
    QCommandLineParser parser;
    if (const std::optional<ExitCode> done = parseRecordFileArguments(
            parser, arguments, io, self, json, QStringLiteral("settings"), args))
        return *done;

    SettingsFileRecord record;
    const FileStatus status = readSettingsFile(args.path, record);
    if (status != FileStatus::Ok)
        return fileRefused(io, args.path, settingsFileMessage(status));
    if (args.alternative) {
        io.out << QJsonDocument(recordJson(record)).toJson(QJsonDocument::Indented);
        return ExitCode::Success;
    }

    // As the tool does: the start-up labels, then the file with its own label code.
    OfflineSession session(args.labelsDirectory, args.log);
    session.labels.setLabelFileCode(LabelStore::startCode);
    applySettingsFile(record, session.data, session.labels, false, args.log);
    if (args.pdf)
        return writePrintoutPdf(*args.pdf,
                                settingsPrintoutLayout(settingsPrintoutRows(session.data)), io);
    for (const PrintoutRow& row : settingsPrintoutRows(session.data)) {
        QStringList texts;
        for (const PrintoutCell& cell : row.cells)
            texts.append(cell.text);
        io.out << tsvLine(texts) << '\n';
    }
    return ExitCode::Success;
}
