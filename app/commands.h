#pragma once

// Menu commands by their resource ids.
enum class Command : int {
    Exit = 57665,
    About = 57664,
    Connect = 32777,
    Disconnect = 32778,
    OpenSettings = 32771,
    SaveSettings = 32772,
    ReadSettings = 32779,
    WriteSettings = 32780,
    CompareSettings = 32783,
    PrintSettings = 32781,
    OpenEvents = 32776,
    SaveEvents = 32775,
    ReadEvents = 32784,
    PrintEvents = 32782,
    ExportEventsCsv = 32790,
    PreviewSettings = 32791,
    PdfSettings = 32792,
    PreviewEvents = 32793,
    PdfEvents = 32794,
    ShowTimeline = 32795,
    RestoreBackup = 32796,
    ServiceReport = 32797,
};

// The state the menu rules look at, taken when a menu opens.
struct CommandState {
    // The port is open: from the first probe of a connection to the end of the link,
    // whether or not the controller answers the status polls.
    bool portOpen = false;
    bool connected = false;
    bool settingsValid = false;
    bool readingEvents = false;
    bool eventsListBuilt = false;
    // A checked write, a restore or a report is talking to the controller: the engine
    // holds one pending settings command, and another would take its place.
    bool sequenceRunning = false;
};

bool isCommandEnabled(Command command, const CommandState& state);

// Exit, About and the timeline window leave the sheet alone; every other command first brings the
// communication page to the front.
bool needsCommunicationPage(Command command);
