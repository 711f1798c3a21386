#pragma once

#include "cli/clicommand.h"

// collect: status, new events and settings drift of the controllers of an inventory,
// published to an MQTT broker.
void registerCollectCommand(CommandTable& table);

ExitCode runCollectCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
