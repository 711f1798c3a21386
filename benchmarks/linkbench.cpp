// link-bench: drives the device link on its real timers against a controller (usually
// dorvik-sim --pace) and prints figures as "key value" lines for benchmarks/link.py.
//
//   link-bench --port PATH find         time from "Połącz" to the established link
//   link-bench --port PATH register     time of the event register read
//   link-bench --port PATH idle SECONDS CPU time of this process while the link idles

#include "link/portline.h"
#include "link/devicelink.h"
#include "model/devicedata.h"
#include "model/labelstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

void print(const char* key, double value)
{
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringLiteral("port"), QStringLiteral("Port."),
                                        QStringLiteral("PATH")));
    parser.addOption(QCommandLineOption(QStringLiteral("verbose"), QStringLiteral("Log.")));
    parser.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("find, register, idle"));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    const QString mode = args.value(0);
    const double idleSeconds = args.value(1, QStringLiteral("30")).toDouble();
    if (!parser.isSet(QStringLiteral("port")) ||
        (mode != QLatin1String("find") && mode != QLatin1String("register") &&
         mode != QLatin1String("idle"))) {
        std::fprintf(stderr, "usage: link-bench --port PATH find|register|idle [SECONDS]\n");
        return 2;
    }

    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    QElapsedTimer clock;
    auto log = [&](const QString& line) {
        if (verbose)
            std::fprintf(stderr, "%8lld %s\n", clock.elapsed(), qPrintable(line));
    };
    QTemporaryDir labelDir;
    DeviceData data;
    LabelStore labels(data, labelDir.path(), log);
    labels.setLabelFileCode(LabelStore::startCode);
    PortLine port;
    DeviceLink link(data, labels, port, log);
    link.setSelectedPort(parser.value(QStringLiteral("port")));

    int requests = 0;
    int result = -1;
    qint64 firstBlockMs = -1;
    QObject::connect(&link, &DeviceLink::frameSent, [&](const QByteArray& frame) {
        ++requests;
        // The first event block read (function 3 from register 1024 up) starts the
        // part of the register read that the pacing governs.
        const bool blockRead = frame.size() == 8 && frame.at(1) == 0x03 &&
                               (quint8(frame.at(2)) << 8 | quint8(frame.at(3))) >= 1024;
        if (blockRead && firstBlockMs < 0)
            firstBlockMs = clock.elapsed();
    });
    // Every run ends by closing the link as the user would, so the controller is left idle.
    auto finish = [&](int code) {
        result = code;
        if (link.isPortOpen())
            link.disconnectDevice();
        else
            app.exit(code);
    };
    QObject::connect(&link, &DeviceLink::linkEnded, &app, [&] {
        if (result < 0)
            std::fprintf(stderr, "link-bench: the link ended\n");
        app.exit(result < 0 ? 3 : result);
    });
    QTimer::singleShot(120'000, &app, [&] {
        std::fprintf(stderr, "link-bench: no result within two minutes\n");
        app.exit(3);
    });

    QObject::connect(&link, &DeviceLink::linkEstablished, &app,
                     [&] { print("established-ms", double(clock.elapsed())); });
    QObject::connect(&link, &DeviceLink::connectedChanged, &app, [&](bool connected) {
        if (!connected)
            return;
        print("online-ms", double(clock.elapsed()));
        if (mode == QLatin1String("find")) {
            finish(0);
        } else if (mode == QLatin1String("register")) {
            clock.restart();
            requests = 0;
            link.readEventRegister();
        } else {
            // The status polls keep coming; measure this process's CPU time meanwhile.
            const std::clock_t cpuStart = std::clock();
            clock.restart();
            requests = 0;
            QTimer::singleShot(qint64(idleSeconds * 1000), &app, [&, cpuStart] {
                const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
                const double wall = double(clock.elapsed()) / 1000.0;
                print("idle-s", wall);
                print("idle-cpu-s", cpu);
                print("idle-cpu-percent", 100.0 * cpu / wall);
                print("idle-requests", requests);
                finish(0);
            });
        }
    });
    QObject::connect(&link, &DeviceLink::registerCompleted, &app, [&] {
        print("register-ms", double(clock.elapsed()));
        print("register-blocks-ms", double(clock.elapsed() - firstBlockMs));
        print("register-requests", requests);
        finish(0);
    });

    clock.start();
    link.connectDevice();
    return app.exec();
}
