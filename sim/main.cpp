// dorvik-sim: a simulated controller on a pseudo-terminal, for tests and demos.

#include "sim/simoptions.h"
#include "sim/simserver.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const ParsedOptions parsed = parseSimOptions(app.arguments());
    if (!parsed.options) {
        std::fprintf(parsed.isError ? stderr : stdout, "%s\n", qPrintable(parsed.message));
        return parsed.isError ? 2 : 0;
    }
    const SimOptions& options = *parsed.options;
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} dorvik-sim: %{message}"));
    if (options.quiet)
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.sim*=false"));
    else if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.sim.frames.debug=true"));
    else
        QLoggingCategory::setFilterRules(QStringLiteral("tavrel.sim*.debug=false"));

    SimServer server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "dorvik-sim: %s\n", qPrintable(error));
        return 1;
    }
    // The first line of output is the path to open; scripts and tests wait for it.
    std::printf("%s\n", qPrintable(server.path()));
    std::fflush(stdout);
    QObject::connect(&server, &SimServer::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    return app.exec();
}
