#include "cli/collectcommand.h"

#include "cli/offlinesession.h"
#include "fleet/fleetcollector.h"
#include "fleet/mqttpublisher.h"
#include "model/labellocation.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr int defaultTimeLimitSecs = 120;

QCommandLineOption option(const char* name, const char* text, const char* value = nullptr)
{
    return value ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text),
                                      QString::fromLatin1(value))
                 : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text));
}

// A whole number of seconds in 1..limit from an option, or nothing.
std::optional<int> seconds(const QCommandLineParser& parser, const QCommandLineOption& option,
                           int fallback, int limit)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value <= 0 || value > limit)
        return std::nullopt;
    return value;
}

QString defaultStateDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(LabelLocation::toolName + QStringLiteral("/collect"));
}

} // namespace

void registerCollectCommand(CommandTable& table)
{
    table.add({QStringLiteral("collect"),
               QStringLiteral("--inventory FILE --broker mqtt://HOST:PORT [--state-dir DIR] "
                              "[--once | --interval SECONDS] [--dry-run] [--labels-dir DIR] "
                              "[--time-limit S]"),
               runCollectCommand});
}

ExitCode runCollectCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    QCommandLineParser parser;
    const QCommandLineOption inventoryOption =
        option("inventory", "JSON list of the controllers.", "FILE");
    const QCommandLineOption broker = option("broker", "The MQTT broker.", "mqtt://HOST:PORT");
    const QCommandLineOption stateDir =
        option("state-dir", "Where the published events are recorded.", "DIR");
    const QCommandLineOption once = option("once", "Collect once and end (the default).");
    const QCommandLineOption interval =
        option("interval", "Collect again every SECONDS, until stopped.", "SECONDS");
    const QCommandLineOption dryRun =
        option("dry-run", "Print the messages instead of publishing them.");
    const QCommandLineOption labelsDir = option(
        "labels-dir", "Directory of the label files (default: the program's directory).", "DIR");
    const QCommandLineOption timeLimit =
        option("time-limit", "Give up on a controller after S seconds (default 120).", "S");
    parser.addOptions(
        {inventoryOption, broker, stateDir, once, interval, dryRun, labelsDir, timeLimit});
    if (const std::optional<ExitCode> done = parseArguments(parser, arguments, io, self))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usageError(io, QStringLiteral("unexpected argument"), self);
    if (!parser.isSet(inventoryOption))
        return usageError(io, QStringLiteral("--inventory is required"), self);
    if (!parser.isSet(dryRun) && !parser.isSet(broker))
        return usageError(io, QStringLiteral("--broker is required"), self);
    if (parser.isSet(broker) && MqttPublisher::pahoAddress(parser.value(broker)).isEmpty())
        return usageError(io, QStringLiteral("--broker: mqtt://HOST:PORT expected"), self);
    if (parser.isSet(once) && parser.isSet(interval))
        return usageError(io, QStringLiteral("--once and --interval exclude each other"), self);
    const std::optional<int> period = seconds(parser, interval, 0, 7 * 24 * 3600);
    if (!period)
        return usageError(io, QStringLiteral("--interval: seconds expected"), self);
    const std::optional<int> limit = seconds(parser, timeLimit, defaultTimeLimitSecs, 24 * 3600);
    if (!limit)
        return usageError(io, QStringLiteral("--time-limit: seconds expected"), self);

    const QString inventoryPath = parser.value(inventoryOption);
    const InventoryResult inventory = readInventory(inventoryPath);
    if (!inventory.inventory)
        return usageError(io, inventoryPath + QStringLiteral(": ") + inventory.error, self);

    CollectOptions options;
    options.broker = parser.value(broker);
    options.stateDir = parser.isSet(stateDir) ? parser.value(stateDir) : defaultStateDirectory();
    options.labelsDir =
        parser.isSet(labelsDir) ? parser.value(labelsDir) : LabelLocation::labelDirectory();
    options.dryRun = parser.isSet(dryRun);
    options.timeLimitSecs = *limit;
    for (;;) {
        FleetCollector collector(*inventory.inventory, options, io.out, io.err);
        const FleetCollector::Outcome outcome = collector.run();
        io.out.flush();
        if (*period == 0) {
            switch (outcome) {
            case FleetCollector::Outcome::AllCollected:
                return ExitCode::Success;
            case FleetCollector::Outcome::SomeFailed:
                return ExitCode::NotConfirmed;
            case FleetCollector::Outcome::BrokerUnreachable:
                return ExitCode::NoConnection;
            }
        }
        // A round that failed is reported; the next one tries again.
        QEventLoop pause;
        QTimer::singleShot(*period * 1000, &pause, &QEventLoop::quit);
        pause.exec();
    }
}
