#include "cli/onlinecommon.h"
#include "link/safesettingswrite.h"
#include "model/devicedata.h"
#include "model/strings.h"

#include <QDir>

namespace {

// The held settings written with a backup first and read back after; the fields the
// controller holds otherwise are printed as compare prints them.
ExitCode writeSafely(OnlineSession& session, CliIo& io)
{
    SafeSettingsWrite write(session.link, session.data,
                            [&session](const QString& text) { session.log(text); });
    std::optional<SafeSettingsWrite::Result> result;
    QObject::connect(&write, &SafeSettingsWrite::finished,
                     [&result](SafeSettingsWrite::Result r) { result = r; });
    if (!write.start())
        return finish(session, ExitCode::NotConfirmed);
    if (!session.waitFor([&result] { return result.has_value(); }))
        return linkLost(session, io);
    switch (*result) {
    case SafeSettingsWrite::Result::Verified:
        return finish(session, ExitCode::Success);
    case SafeSettingsWrite::Result::Different:
        for (const SettingsDiff::Difference& d : write.differences())
            io.out << tsvLine({d.name, d.held, d.device}) << '\n';
        io.out.flush();
        if (!write.backupPath().isEmpty())
            io.err << "tavrel-cli: " << stringText(StringId::restoreBackup)
                   << ": tavrel-cli restore " << QDir::toNativeSeparators(write.backupPath())
                   << '\n';
        return finish(session, ExitCode::NotConfirmed);
    case SafeSettingsWrite::Result::LinkEnded:
        return linkLost(session, io);
    default:
        return finish(session, ExitCode::NotConfirmed);
    }
}

ExitCode runWriteSettingsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    if (const auto done = connectWithSettingsFile(call, arguments, io, self))
        return *done;
    return writeSafely(*call.session, io);
}

// A backup goes back only to the controller it was taken from.
ExitCode runRestoreCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    if (const auto done = prepare(call, arguments, io, self, 1, false))
        return *done;
    const QString path = call.parser.positionalArguments().constFirst();
    SettingsFileRecord record;
    if (const auto refused = readSettingsArgument(path, record, io))
        return *refused;
    OnlineSession& session = *call.session;
    if (!session.connectDevice())
        return linkLost(session, io);
    if (record.factoryNumber != session.data.image().factoryNumber) {
        io.err << path << ": " << stringText(StringId::backupOtherDevice) << '\n';
        return finish(session, ExitCode::FileRefused);
    }
    session.log(fillText(StringId::restoreStarted, {QDir::toNativeSeparators(path)}));
    applySettingsFile(record, session.data, session.labels, true,
                      [&session](const QString& text) { session.log(text); });
    return writeSafely(session, io);
}

} // namespace

void registerSettingsWriteCommands(CommandTable& table, const QString& common)
{
    table.add({QStringLiteral("write-settings"), common + QStringLiteral(" FILE.nst"),
               runWriteSettingsCommand});
    table.add({QStringLiteral("restore"), common + QStringLiteral(" FILE.nst"), runRestoreCommand});
}
