#include "sim/simoptions.h"

#include <QCommandLineParser>
#include <algorithm>

namespace {

constexpr int serialRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

struct Range {
    qint64 low;
    qint64 high;
};

// Reads an integer option (decimal or 0x hex) within a range; records what is wrong.
bool readInt(const QCommandLineParser& parser, const QString& name, Range range, qint64& value,
             QString& error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const QString text = parser.value(name);
    value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                ? text.mid(2).toLongLong(&ok, 16)
                : text.toLongLong(&ok, 10);
    if (ok && value >= range.low && value <= range.high)
        return true;
    error = QStringLiteral("--%1: expected a whole number from %2 to %3, got \"%4\"")
                .arg(name)
                .arg(range.low)
                .arg(range.high)
                .arg(text);
    return false;
}

} // namespace

ParsedOptions parseSimOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Dorvik controller: a Modbus RTU slave (address 0xFF) on a pseudo-terminal.\n"
        "Prints the path to open on its first line of output, then serves until it is stopped.\n"
        "SIGUSR1 writes the --dump file; SIGINT and SIGTERM write it and exit.\n"
        "The faults count the replies of the open link only, unless --fault-connect."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    auto add = [&parser](const QString& name, const QString& text, const QString& value = {}) {
        parser.addOption(QCommandLineOption(name, text, value));
    };
    const QString n = QStringLiteral("N");
    add(QStringLiteral("link"), QStringLiteral("Make PATH a symbolic link to the line."),
        QStringLiteral("PATH"));
    add(QStringLiteral("probe-baud"),
        QStringLiteral("Rate answered before the link is opened (default 19200); an "
                       "RS-485 configuration write changes it for the next link."),
        QStringLiteral("BAUD"));
    add(QStringLiteral("firmware"),
        QStringLiteral("Firmware version byte, 22 is 2.2 (default 22)."), n);
    add(QStringLiteral("factory-number"), QStringLiteral("Factory number (default 1234)."), n);
    add(QStringLiteral("combination"), QStringLiteral("DIP switch combination 0..15 (default 0)."),
        n);
    add(QStringLiteral("counter"),
        QStringLiteral("Seconds counter at start (default 20000000, about 5555 h)."), n);
    add(QStringLiteral("settings"),
        QStringLiteral("Registers 0..7 as 32 hex digits (default: the factory settings)."),
        QStringLiteral("HEX"));
    add(QStringLiteral("seed"), QStringLiteral("Seed of the event history and faults (default 1)."),
        n);
    add(QStringLiteral("events"), QStringLiteral("Entries of history to seed (default 300)."), n);
    add(QStringLiteral("bad-checks"),
        QStringLiteral("Seeded entries with a wrong check byte (default 3)."), n);
    add(QStringLiteral("new-event-every"),
        QStringLiteral("Start a new incident every S seconds while running (default off)."),
        QStringLiteral("S"));
    add(QStringLiteral("link-idle"),
        QStringLiteral("Seconds without a request before an open link falls back (default 5)."),
        QStringLiteral("S"));
    add(QStringLiteral("pace"), QStringLiteral("Deliver replies at the speed of the line."));
    add(QStringLiteral("drop-every"), QStringLiteral("Leave every Nth reply unanswered."), n);
    add(QStringLiteral("corrupt-every"), QStringLiteral("Spoil the CRC of every Nth reply."), n);
    add(QStringLiteral("garbage-every"), QStringLiteral("Send garbage before every Nth reply."), n);
    add(QStringLiteral("garbage-after"),
        QStringLiteral("Send the garbage after the reply instead."));
    add(QStringLiteral("exception-every"),
        QStringLiteral("Answer every Nth request with a Modbus exception."), n);
    add(QStringLiteral("exception-code"), QStringLiteral("Exception code (default 4)."), n);
    add(QStringLiteral("stop-after"), QStringLiteral("Stop answering after N replies."), n);
    add(QStringLiteral("refuse-status"),
        QStringLiteral("Answer every status poll with a Modbus exception."));
    add(QStringLiteral("refuse-events-after"),
        QStringLiteral("Answer the event blocks after the first N with a Modbus exception."), n);
    add(QStringLiteral("misstore"),
        QStringLiteral("Keep settings byte N (2..13) of the next settings write with its lowest "
                       "bit flipped."),
        n);
    add(QStringLiteral("delay"), QStringLiteral("Hold every reply back MS milliseconds."),
        QStringLiteral("MS"));
    add(QStringLiteral("fault-connect"),
        QStringLiteral("Apply the faults while connecting too (default: the open link only)."));
    add(QStringLiteral("exit-after"), QStringLiteral("Exit after S seconds."), QStringLiteral("S"));
    add(QStringLiteral("exit-after-replies"), QStringLiteral("Exit after N replies."), n);
    add(QStringLiteral("dump"),
        QStringLiteral("Write the controller's registers to FILE on exit and on SIGUSR1."),
        QStringLiteral("FILE"));
    add(QStringLiteral("verbose"), QStringLiteral("Log every request and reply in hex."));
    add(QStringLiteral("quiet"), QStringLiteral("Log nothing."));

    ParsedOptions result;
    if (!parser.parse(arguments)) {
        result.message = parser.errorText();
        result.isError = true;
        return result;
    }
    if (parser.isSet(help)) {
        result.message = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.message =
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        result.isError = true;
        return result;
    }

    SimOptions o;
    QString error;
    qint64 v = 0;
    auto integer = [&](const char* name, Range range, auto apply) {
        v = 0;
        if (!error.isEmpty() || !parser.isSet(QLatin1String(name)))
            return;
        if (readInt(parser, QLatin1String(name), range, v, error))
            apply(v);
    };
    auto seconds = [&](const char* name, double& target) {
        if (!error.isEmpty() || !parser.isSet(QLatin1String(name)))
            return;
        bool ok = false;
        const double s = parser.value(QLatin1String(name)).toDouble(&ok);
        if (ok && s > 0 && s < 1e6)
            target = s;
        else
            error = QStringLiteral("--%1: expected a number of seconds above 0, got \"%2\"")
                        .arg(QLatin1String(name), parser.value(QLatin1String(name)));
    };
    constexpr qint64 big = 1'000'000'000;

    integer("probe-baud", {1, 115200}, [&](qint64 x) { o.controller.probeBaud = int(x); });
    if (error.isEmpty() && !std::ranges::count(serialRates, o.controller.probeBaud))
        error = QStringLiteral("--probe-baud: %1 is not a serial rate (1200 to 115200)")
                    .arg(o.controller.probeBaud);
    integer("firmware", {0, 255},
            [&](qint64 x) { o.controller.firmwareVersion = std::uint8_t(x); });
    integer("factory-number", {0, 65535},
            [&](qint64 x) { o.controller.factoryNumber = std::uint16_t(x); });
    integer("combination", {0, 15}, [&](qint64 x) { o.controller.combination = std::uint8_t(x); });
    integer("counter", {0, 0xFFFFFFFFLL},
            [&](qint64 x) { o.controller.counterStart = std::uint32_t(x); });
    integer("link-idle", {1, 3600}, [&](qint64 x) { o.controller.linkIdleMs = int(x * 1000); });
    integer("seed", {0, 0xFFFFFFFFLL}, [&](qint64 x) { o.seed = std::uint32_t(x); });
    integer("events", {0, 100000}, [&](qint64 x) { o.events = int(x); });
    integer("bad-checks", {0, 256}, [&](qint64 x) { o.badChecks = int(x); });
    integer("new-event-every", {1, 86400}, [&](qint64 x) { o.newEventEverySeconds = int(x); });
    integer("drop-every", {1, big}, [&](qint64 x) { o.faults.dropEvery = int(x); });
    integer("corrupt-every", {1, big}, [&](qint64 x) { o.faults.corruptEvery = int(x); });
    integer("garbage-every", {1, big}, [&](qint64 x) { o.faults.garbageEvery = int(x); });
    integer("exception-every", {1, big}, [&](qint64 x) { o.faults.exceptionEvery = int(x); });
    integer("exception-code", {1, 255},
            [&](qint64 x) { o.faults.exceptionCode = std::uint8_t(x); });
    integer("stop-after", {1, big}, [&](qint64 x) { o.faults.stopAfter = int(x); });
    integer("refuse-events-after", {0, big},
            [&](qint64 x) { o.faults.refuseEventsAfter = int(x); });
    integer("misstore", {2, 13}, [&](qint64 x) { o.controller.misstoreByte = int(x); });
    integer("delay", {1, 600000}, [&](qint64 x) { o.faults.delayMs = int(x); });
    integer("exit-after-replies", {1, big}, [&](qint64 x) { o.exitAfterReplies = int(x); });
    seconds("exit-after", o.exitAfterSeconds);

    if (error.isEmpty() && parser.isSet(QStringLiteral("settings"))) {
        const QByteArray text = parser.value(QStringLiteral("settings")).toLatin1();
        const QByteArray bytes = QByteArray::fromHex(text);
        if (text.size() != 32 || bytes.size() != 16 || bytes.toHex() != text.toLower())
            error = QStringLiteral("--settings: expected 32 hex digits, got \"%1\"")
                        .arg(parser.value(QStringLiteral("settings")));
        else
            std::copy(bytes.begin(), bytes.end(), o.controller.settings.bytes);
    }
    if (!error.isEmpty()) {
        result.message = error;
        result.isError = true;
        return result;
    }
    o.linkPath = parser.value(QStringLiteral("link"));
    o.dumpPath = parser.value(QStringLiteral("dump"));
    o.pace = parser.isSet(QStringLiteral("pace"));
    o.faults.garbageAfter = parser.isSet(QStringLiteral("garbage-after"));
    o.faults.duringConnect = parser.isSet(QStringLiteral("fault-connect"));
    o.faults.refuseStatus = parser.isSet(QStringLiteral("refuse-status"));
    o.verbose = parser.isSet(QStringLiteral("verbose"));
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    result.options = o;
    return result;
}
