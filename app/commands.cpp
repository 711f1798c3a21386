#include "app/commands.h"

bool isCommandEnabled(Command command, const CommandState& s)
{
    switch (command) {
    case Command::OpenSettings:
    case Command::ReadSettings:
    case Command::RestoreBackup:
    case Command::WriteSettings:
    case Command::CompareSettings:
    case Command::ReadEvents:
    case Command::ServiceReport:
        if (s.sequenceRunning)
            return false;
        break;
    default:
        break;
    }
    switch (command) {
    case Command::Exit:
    case Command::About:
    case Command::OpenSettings: // not while a write sends the held settings (above)
        return true;
    // A port held open by a controller that never comes online can still be let go.
    case Command::Connect:
        return !s.portOpen && !s.connected;
    case Command::Disconnect:
        return s.portOpen || s.connected;
    case Command::ReadSettings:
    case Command::RestoreBackup:
        return s.connected;
    case Command::SaveSettings:
    case Command::PrintSettings:
    case Command::PreviewSettings:
    case Command::PdfSettings:
        return s.settingsValid;
    case Command::WriteSettings:
    case Command::CompareSettings:
        return s.connected && s.settingsValid;
    // Saving while the register is being read would store a half-filled register.
    case Command::OpenEvents:
    case Command::SaveEvents:
        return !s.readingEvents;
    case Command::ReadEvents:
    case Command::ServiceReport:
        return s.connected && !s.readingEvents;
    case Command::PrintEvents:
    case Command::ExportEventsCsv:
    case Command::PreviewEvents:
    case Command::PdfEvents:
    case Command::ShowTimeline:
        return s.eventsListBuilt && !s.readingEvents;
    }
    return false;
}

bool needsCommunicationPage(Command command)
{
    return command != Command::Exit && command != Command::About &&
           command != Command::ShowTimeline;
}
