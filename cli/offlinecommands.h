#pragma once

#include "cli/clicommand.h"

// The commands that work on files alone: events, settings, labels.
void registerOfflineCommands(CommandTable& table);

ExitCode runEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runSettingsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runLabelsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
