#include "cli/onlinecommands.h"

#include "cli/offlinesession.h"
#include "cli/onlinecommon.h"
#include "cli/onlinesession.h"
#include "files/eventsfile.h"
#include "files/eventstable.h"
#include "files/settingsfile.h"
#include "model/labellocation.h"
#include "model/password.h"
#include "model/settingsdiff.h"
#include "model/settingsrecord.h"
#include "model/strings.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <algorithm>
#include <memory>

namespace {

constexpr int defaultTimeLimitSecs = 120;

} // namespace

// Parses the options shared by all online commands and checks the positional arguments.
// Returns an exit code when the command ends here.
std::optional<ExitCode> prepare(Invocation& call, const QStringList& arguments, CliIo& io,
                                const CliCommand& self, int positionals, bool withPassword,
                                const QList<QCommandLineOption>& extra)
{
    call.options.addTo(call.parser, withPassword);
    for (const QCommandLineOption& option : extra)
        call.parser.addOption(option);
    if (const std::optional<ExitCode> done = parseArguments(call.parser, arguments, io, self))
        return done;
    if (!call.parser.isSet(call.options.port))
        return usageError(io, QStringLiteral("--port is required"), self);
    if (call.parser.positionalArguments().size() != positionals)
        return usageError(io,
                          positionals == 0 ? QStringLiteral("unexpected argument")
                                           : QStringLiteral("one file expected"),
                          self);
    if (withPassword && !call.parser.isSet(call.options.password))
        return usageError(io, QStringLiteral("--password is required"), self);
    int limit = defaultTimeLimitSecs;
    if (call.parser.isSet(call.options.timeLimit)) {
        bool ok = false;
        limit = call.parser.value(call.options.timeLimit).toInt(&ok);
        if (!ok || limit <= 0 || limit > 24 * 3600)
            return usageError(io, QStringLiteral("--time-limit: seconds expected"), self);
    }
    const QString labelsDir = call.parser.isSet(call.options.labelsDir)
                                  ? call.parser.value(call.options.labelsDir)
                                  : LabelLocation::labelDirectory();
    call.session =
        std::make_unique<OnlineSession>(call.parser.value(call.options.port), labelsDir, limit, io);
    if (call.parser.isSet(call.options.trace))
        call.session->traceFrames();
    return std::nullopt;
}

// Why the command could not finish, and its exit code.
ExitCode linkLost(OnlineSession& session, CliIo& io)
{
    if (session.timeLimitPassed())
        io.err << "tavrel-cli: time limit passed\n";
    session.disconnectDevice();
    return ExitCode::NoConnection;
}

// Ends the link, then gives `code`; a command whose request never left the PC failed on
// the line, not at the controller.
ExitCode finish(OnlineSession& session, ExitCode code)
{
    session.disconnectDevice();
    if (code != ExitCode::Success && session.requestNotSent)
        return ExitCode::NoConnection;
    return code;
}

namespace {

// The login rules: the password is logged as accepted or not, as the login strip does.
bool passwordAccepted(OnlineSession& session, const QString& typed, bool deviceLevel)
{
    const PasswordResult result =
        checkPassword(typed, session.data.image().factoryNumber, AccessFlags{});
    const bool granted = deviceLevel ? result.flags.deviceAccess : !result.flags.locked;
    session.log(stringText(granted ? StringId::passwordAccepted : StringId::passwordWrong));
    return granted;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

// A settings file read before the line is touched: nothing is sent for a bad file.
std::optional<ExitCode> readSettingsArgument(const QString& path, SettingsFileRecord& record,
                                             CliIo& io)
{
    const FileStatus status = readSettingsFile(path, record);
    if (status == FileStatus::Ok)
        return std::nullopt;
    io.err << path << ": " << settingsFileMessage(status) << '\n';
    return ExitCode::FileRefused;
}

// Each field in which the file and the controller differ: name, file's value, controller's.
void printDifferences(OnlineSession& session, CliIo& io)
{
    for (const SettingsDiff::Difference& d : session.connection.settingsDifferences())
        io.out << tsvLine({d.name, d.held, d.device}) << '\n';
    io.out.flush();
}

// Waits for the controller to confirm the operation sent last.
ExitCode awaitConfirmation(OnlineSession& session, CliIo& io)
{
    if (!session.waitFor([&] { return session.operationConfirmed.has_value(); }))
        return linkLost(session, io);
    return finish(session,
                  *session.operationConfirmed ? ExitCode::Success : ExitCode::NotConfirmed);
}

// Reads the controller's settings; an exit code when they did not come.
std::optional<ExitCode> readDeviceSettings(OnlineSession& session, CliIo& io)
{
    session.link.readSettings();
    if (!session.waitFor(
            [&] { return session.settingsArrived || session.operationConfirmed.has_value(); }))
        return linkLost(session, io);
    if (!session.settingsArrived)
        return finish(session, ExitCode::NotConfirmed);
    return std::nullopt;
}

std::optional<ExitCode> readDeviceRegister(OnlineSession& session, CliIo& io)
{
    session.link.readEventRegister();
    if (!session.waitFor(
            [&] { return session.registerCompleted || !session.link.readingEvents(); }))
        return linkLost(session, io);
    if (!session.registerCompleted)
        return finish(session, ExitCode::NoConnection);
    return std::nullopt;
}

// Write and compare: the settings file is read before the line is touched, then loaded as
// while connected (the mismatch lines are logged).
std::optional<ExitCode> connectWithSettingsFile(Invocation& call, const QStringList& arguments,
                                                CliIo& io, const CliCommand& self)
{
    if (const auto done = prepare(call, arguments, io, self, 1, false))
        return done;
    SettingsFileRecord record;
    if (const auto refused =
            readSettingsArgument(call.parser.positionalArguments().constFirst(), record, io))
        return refused;
    OnlineSession& session = *call.session;
    if (!session.connectDevice())
        return linkLost(session, io);
    applySettingsFile(record, session.data, session.labels, true,
                      [&session](const QString& text) { session.log(text); });
    return std::nullopt;
}

void registerOnlineCommands(CommandTable& table)
{
    const QString common =
        QStringLiteral("--port PORT [--labels-dir DIR] [--time-limit S] [--trace]");
    table.add({QStringLiteral("status"), common, runStatusCommand});
    table.add({QStringLiteral("read-settings"), common + QStringLiteral(" -o FILE.nst"),
               runReadSettingsCommand});
    registerSettingsWriteCommands(table, common);
    table.add({QStringLiteral("compare"), common + QStringLiteral(" FILE.nst"), runCompareCommand});
    table.add({QStringLiteral("read-events"),
               common + QStringLiteral(" -o FILE.rzd [--csv FILE.csv]"), runReadEventsCommand});
    table.add({QStringLiteral("write-factory-number"),
               common + QStringLiteral(" --password TEXT N"), runWriteFactoryNumberCommand});
    table.add({QStringLiteral("write-rs485"),
               common + QStringLiteral(" --password TEXT --address A --baud B"),
               runWriteRs485Command});
    table.add(
        {QStringLiteral("reset"), common + QStringLiteral(" --password TEXT"), runResetCommand});
    registerReportCommand(table, common);
}

ExitCode runStatusCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    if (const auto done = prepare(call, arguments, io, self, 0, false))
        return *done;
    OnlineSession& session = *call.session;
    if (!session.connectDevice())
        return linkLost(session, io);
    const DeviceLink& link = session.link;
    io.out << tsvLine({QStringLiteral("Wersja"), link.versionText()}) << '\n'
           << tsvLine({QStringLiteral("Rbg"), QString::number(link.operatingHours())}) << '\n'
           << tsvLine({QStringLiteral("Nr fabr."), QString::number(link.factoryNumberField())})
           << '\n'
           << tsvLine({QStringLiteral("Plik nazw"), link.labelFileName()}) << '\n';
    io.out.flush();
    return finish(session, ExitCode::Success);
}

ExitCode runReadSettingsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    const QCommandLineOption output(QStringLiteral("o"), QStringLiteral("Settings file to write."),
                                    QStringLiteral("FILE.nst"));
    if (const auto done = prepare(call, arguments, io, self, 0, false, {output}))
        return *done;
    if (!call.parser.isSet(output))
        return usageError(io, QStringLiteral("-o FILE.nst is required"), self);
    OnlineSession& session = *call.session;
    if (!session.connectDevice())
        return linkLost(session, io);
    if (const auto failed = readDeviceSettings(session, io))
        return *failed;
    const QString path = call.parser.value(output);
    const FileStatus status =
        saveSettingsFile(path, session.data, quint8(session.labels.labelFileCode()),
                         [&session](const QString& text) { session.log(text); });
    if (status != FileStatus::Ok) {
        io.err << path << ": " << settingsFileMessage(status) << '\n';
        return finish(session, ExitCode::FileRefused);
    }
    return finish(session, ExitCode::Success);
}

ExitCode runCompareCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    if (const auto done = connectWithSettingsFile(call, arguments, io, self))
        return *done;
    OnlineSession& session = *call.session;
    session.link.compareSettings();
    if (!session.waitFor([&] {
            return session.compareIdentical.has_value() || session.operationConfirmed.has_value();
        }))
        return linkLost(session, io);
    if (session.compareIdentical == false)
        printDifferences(session, io);
    return finish(session, session.compareIdentical.value_or(false) ? ExitCode::Success
                                                                    : ExitCode::NotConfirmed);
}

ExitCode runReadEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    const QCommandLineOption output(QStringLiteral("o"), QStringLiteral("Events file to write."),
                                    QStringLiteral("FILE.rzd"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Also write the rows as CSV to this file."),
                                 QStringLiteral("FILE.csv"));
    if (const auto done = prepare(call, arguments, io, self, 0, false, {output, csv}))
        return *done;
    if (!call.parser.isSet(output))
        return usageError(io, QStringLiteral("-o FILE.rzd is required"), self);
    OnlineSession& session = *call.session;
    session.showRegisterProgress(stderrIsTerminal());
    if (!session.connectDevice())
        return linkLost(session, io);
    // A read that did not complete leaves no file: an older one stays as it was.
    if (const auto failed = readDeviceRegister(session, io))
        return *failed;

    const LogSink log = [&session](const QString& text) { session.log(text); };
    const QString path = call.parser.value(output);
    const FileStatus status = saveEventsFile(path, session.data, log);
    if (status != FileStatus::Ok) {
        io.err << path << ": " << eventsFileMessage(status) << '\n';
        return finish(session, ExitCode::FileRefused);
    }
    if (call.parser.isSet(csv)) {
        const QString csvPath = call.parser.value(csv);
        if (!writeFile(csvPath, eventsCsv(eventListRows(session.data.image())))) {
            io.err << csvPath << ": " << eventsFileMessage(FileStatus::WriteFailed) << '\n';
            return finish(session, ExitCode::FileRefused);
        }
    }
    return finish(session, ExitCode::Success);
}

ExitCode runWriteFactoryNumberCommand(const CliCommand& self, const QStringList& arguments,
                                      CliIo& io)
{
    Invocation call;
    if (const auto done = prepare(call, arguments, io, self, 1, true))
        return *done;
    bool ok = false;
    const QString text = call.parser.positionalArguments().constFirst();
    const qulonglong number = text.toULongLong(&ok);
    if (!ok)
        return usageError(io, QStringLiteral("N: a factory number expected"), self);
    if (number > 0xFFFF)
        return usageError(io, stringText(StringId::factoryNumberTooLarge), self);
    OnlineSession& session = *call.session;
    if (!passwordAccepted(session, call.parser.value(call.options.password), false))
        return ExitCode::UsageError;
    if (!session.connectDevice())
        return linkLost(session, io);
    session.link.writeFactoryNumber(quint32(number));
    return awaitConfirmation(*call.session, io);
}

ExitCode runWriteRs485Command(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Bus address of the controller, 1 to 31."),
                                     QStringLiteral("A"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Baud rate: 4800, 9600, 19200 or 38400."),
                                  QStringLiteral("B"));
    if (const auto done = prepare(call, arguments, io, self, 0, true, {address, baud}))
        return *done;
    bool ok = false;
    const int a = call.parser.value(address).toInt(&ok);
    if (!call.parser.isSet(address) || !ok || a < 1 || a > 31)
        return usageError(io, QStringLiteral("--address: 1 to 31 expected"), self);
    const int rate = call.parser.value(baud).toInt(&ok);
    const auto rates = std::begin(SettingsRecord::rs485BaudRates);
    const auto found = std::find(rates, std::end(SettingsRecord::rs485BaudRates), rate);
    if (!call.parser.isSet(baud) || !ok || found == std::end(SettingsRecord::rs485BaudRates))
        return usageError(io, QStringLiteral("--baud: 4800, 9600, 19200 or 38400 expected"), self);

    OnlineSession& session = *call.session;
    if (!session.connectDevice())
        return linkLost(session, io);
    // The device password belongs to the connected controller's factory number.
    if (!passwordAccepted(session, call.parser.value(call.options.password), true))
        return finish(session, ExitCode::UsageError);
    // Register 7 carries a reserved byte beside the configuration: read it first so that
    // it goes back unchanged.
    if (const auto failed = readDeviceSettings(session, io))
        return *failed;
    session.operationConfirmed.reset();
    SettingsRecord::setRs485(session.data.image().settings, a, int(found - rates));
    session.link.writeRs485Config();
    return awaitConfirmation(*call.session, io);
}

ExitCode runResetCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    if (const auto done = prepare(call, arguments, io, self, 0, true))
        return *done;
    OnlineSession& session = *call.session;
    if (!passwordAccepted(session, call.parser.value(call.options.password), false))
        return ExitCode::UsageError;
    if (!session.connectDevice())
        return linkLost(session, io);
    session.link.reset();
    // The reset command ends the link itself.
    session.waitFor([&] { return session.finishedOperation == DeviceLink::OP_RESET; });
    if (session.finishedOperation != DeviceLink::OP_RESET || !*session.operationConfirmed)
        return linkLost(session, io);
    return ExitCode::Success;
}
