#pragma once

#include "sim/faultplan.h"
#include "sim/simcontroller.h"

#include <QString>
#include <QStringList>
#include <optional>

struct SimOptions {
    ControllerConfig controller;
    FaultConfig faults;
    QString linkPath;
    bool pace = false;
    double exitAfterSeconds = 0;
    int exitAfterReplies = 0;
    int newEventEverySeconds = 0;
    std::uint32_t seed = 1;
    int events = 300;
    int badChecks = 3;
    QString dumpPath;
    bool verbose = false;
    bool quiet = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty: print `message` and stop
    QString message;                   // help text, or what is wrong with the command line
    bool isError = false;
};

// `arguments` includes the program name, as QCoreApplication::arguments() gives it.
ParsedOptions parseSimOptions(const QStringList& arguments);
