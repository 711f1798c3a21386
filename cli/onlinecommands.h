#pragma once

#include "cli/clicommand.h"

// The commands that talk to a controller over a serial port: status, read-settings,
// write-settings and restore, compare, read-events, write-factory-number, write-rs485,
// reset, report.
void registerOnlineCommands(CommandTable& table);

ExitCode runStatusCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runReadSettingsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runCompareCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runReadEventsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runWriteFactoryNumberCommand(const CliCommand& self, const QStringList& arguments,
                                      CliIo& io);
ExitCode runWriteRs485Command(const CliCommand& self, const QStringList& arguments, CliIo& io);
ExitCode runResetCommand(const CliCommand& self, const QStringList& arguments, CliIo& io);
