#include "cli/onlinecommon.h"
#include "files/servicereport.h"
#include "files/settingsbackup.h"
#include "link/trafficmonitor.h"
#include "link/visitreport.h"
#include "model/strings.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The visit's record: the settings and the register are read, then written with the
// status, the traffic of this link and the settings changed today.
ExitCode runReportCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    Invocation call;
    const QCommandLineOption output(QStringLiteral("o"),
                                    QStringLiteral("Folder in which the report's folder is made."),
                                    QStringLiteral("DIR"));
    if (const auto done = prepare(call, arguments, io, self, 0, false, {output}))
        return *done;
    if (!call.parser.isSet(output))
        return usageError(io, QStringLiteral("-o DIR is required"), self);
    // A folder that is not there fails before anything is read.
    const QString parent = call.parser.value(output);
    if (!QFileInfo(parent).isDir()) {
        io.err << fillText(StringId::reportFailed, {QDir::toNativeSeparators(parent)}) << '\n';
        return ExitCode::FileRefused;
    }
    OnlineSession& session = *call.session;
    TrafficMonitor monitor;
    monitor.attach(session.link);
    session.showRegisterProgress(stderrIsTerminal());
    if (!session.connectDevice())
        return linkLost(session, io);
    if (const auto failed = readDeviceSettings(session, io))
        return *failed;
    if (const auto failed = readDeviceRegister(session, io))
        return *failed;

    const ServiceReport report =
        visitReport(session.data, session.link, monitor, SettingsBackup::defaultRoot());
    QString error;
    const QString folder = ServiceReportFolder::write(parent, report, &error);
    if (folder.isEmpty()) {
        io.err << error << '\n';
        return finish(session, ExitCode::FileRefused);
    }
    session.log(fillText(StringId::reportSaved, {QDir::toNativeSeparators(folder)}));
    io.out << QDir::toNativeSeparators(folder) << '\n';
    io.out.flush();
    return finish(session, ExitCode::Success);
}

} // namespace

void registerReportCommand(CommandTable& table, const QString& common)
{
    table.add({QStringLiteral("report"), common + QStringLiteral(" -o DIR"), runReportCommand});
}
