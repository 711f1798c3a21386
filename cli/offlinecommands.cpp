#include "cli/offlinecommands.h"

void registerOfflineCommands(CommandTable& table)
{
    table.add(
        {QStringLiteral("events"),
         QStringLiteral("FILE.rzd [--signal NAME]... [--from TIME] [--to TIME] [--csv | --pdf OUT] "
                        "[--labels-dir DIR] [--log]"),
         runEventsCommand});
    table.add({QStringLiteral("settings"),
               QStringLiteral("FILE.nst [--json | --pdf OUT] [--labels-dir DIR] [--log]"),
               runSettingsCommand});
    table.add({QStringLiteral("labels"),
               QStringLiteral("[--labels-dir DIR] [--code N] [--combination C]"),
               runLabelsCommand});
}
