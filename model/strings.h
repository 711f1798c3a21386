#pragma once

#include <QString>
#include <QStringList>

// The system's texts by numeric id. Ids below 1000 are the system's own; texts added
// for mended faults and for texts that had no id take ids from 1000 on.
QString stringText(int id);

// Whether a text with this id exists.
bool hasStringText(int id);

// Text `id` with its conversions (%d, %u, %s, %c; "%%" is a percent sign) replaced by
// `values` in order. Values are inserted as they are, never read as a format, so label
// texts may be passed.
QString fillText(int id, const QStringList& values);

namespace StringId {
// Built-in label texts (the default fill).
inline constexpr int circuitDescriptionFirst = 2;  // circuits 0..7: ids 2..9
inline constexpr int timeDescriptionFirst = 10;    // time rows 0..7: ids 10..17
inline constexpr int variantDescriptionFirst = 18; // variants A..D: ids 18..21
inline constexpr int signalNameFirst = 22;         // state bits 0..55: ids 22..77

// "Default text 1".."Default text 32" for flag and output slots 0..31; the ids are not
// in slot order.
constexpr int flagOutputDefault(int slot)
{
    return slot < 20 ? 78 + slot : slot == 20 ? 109 : 98 + (slot - 21);
}

inline constexpr int documentTemplate = 128;

// Device link messages.
inline constexpr int deviceNotConnected = 113;
inline constexpr int readStarted = 114;
inline constexpr int writeSettingsStarted = 115;
inline constexpr int compareStarted = 116;
inline constexpr int crcError = 117;
inline constexpr int frameTypeError = 118;
inline constexpr int unknownError = 119;
inline constexpr int timeLimitPassed = 120;
inline constexpr int timeLimitCount = 121; // "%d"
inline constexpr int settingsIdentical = 122;
inline constexpr int settingsDifferent = 123;
inline constexpr int settingsRead = 124;
inline constexpr int readingEventRegister = 125;
inline constexpr int eventRegisterRead = 126;
inline constexpr int readIncomplete = 127;
inline constexpr int rs485Written = 129;
inline constexpr int factoryNumberWritten = 130;
inline constexpr int settingsWritten = 131;
inline constexpr int badWrite = 132;
inline constexpr int portOpenProblem = 133; // "COM%d"
inline constexpr int deviceNotAnswering = 134;
inline constexpr int connectionEstablished = 135; // "COM%d"
inline constexpr int connectionAttempt = 136;     // "COM%d"
inline constexpr int alreadyConnected = 137;
inline constexpr int disconnecting = 138;
inline constexpr int alreadyDisconnected = 139;
inline constexpr int disconnected = 140;
inline constexpr int resetSent = 141;
inline constexpr int writingRs485 = 142;
inline constexpr int deviceNotConnected2 = 143;
inline constexpr int sendingFactoryNumber = 144;
inline constexpr int resetCommand = 145;

// Events list.
inline constexpr int columnNumber = 146;
inline constexpr int columnTime = 147;
inline constexpr int columnCounter = 148;
inline constexpr int columnEvents = 149;
inline constexpr int deviceLine = 165; // "%u" x 3
inline constexpr int noEventsRead = 184;

// Label files (texts without an id of their own).
inline constexpr int labelFileLoading = 1000; // followed by the full path
inline constexpr int labelFileMissing = 1001;
inline constexpr int labelFileInvalid = 1002;
inline constexpr int labelFileSaved = 1003;
inline constexpr int labelFileSaveProblem = 1004;
inline constexpr int labelFileDefault = 1005;
// Time text of an entry whose calendar time cannot be shown.
inline constexpr int unknownTime = 1006;

// Settings and events files.
inline constexpr int settingsFileInvalid = 1100; // a combination above 15
inline constexpr int eventsFileInvalid = 1101;   // a device combination above 15
inline constexpr int settingsReadProblem = 1102;
inline constexpr int settingsFileWrongSize = 1103;
inline constexpr int settingsWriteProblem = 1104;
inline constexpr int combinationMismatch = 1105;
inline constexpr int factoryNumberMismatch = 1106;
inline constexpr int settingsLoaded = 1107;
inline constexpr int settingsSaved = 1108;
inline constexpr int eventsDiskReadProblem = 1109;
inline constexpr int eventsFileReadProblem = 1110;
inline constexpr int eventsFileWrongSize = 1111;
inline constexpr int eventsWriteProblem = 1112;
inline constexpr int eventsLoaded = 1113;
inline constexpr int eventsSaved = 1114;

// Settings printout.
inline constexpr int printoutCircuit = 1120; // "%u"
inline constexpr int printoutVariant = 1121; // "%c"
inline constexpr int printoutFactoryNumber = 1122;
inline constexpr int printoutValueHead = 1123;
inline constexpr int printoutUnitHead = 1124;
inline constexpr int printoutSettingHead = 1125;
inline constexpr int printoutProgram = 1126;
inline constexpr int printoutOutput = 1127;
inline constexpr int printoutRs485 = 1128;
inline constexpr int printoutParameters = 1129;
// Line parameters by bits 5 and 6 of the RS-485 byte: 0..3 at ids 1130..1133.
inline constexpr int printoutLineParameters38400 = 1130;
inline constexpr int printoutAddress = 1134;
inline constexpr int printoutBitOn = 1135;
inline constexpr int printoutBitOff = 1136;
inline constexpr int unitSeconds = 1137;
inline constexpr int unitMilliseconds = 1138;
inline constexpr int unitMinutes = 1139;

// Device link.
inline constexpr int exceptionReply = 1200; // "%d": the exception code
inline constexpr int portLost = 1201;       // "COM%d"
inline constexpr int factoryNumberTooLarge = 1202;
inline constexpr int requestNotSent = 1203; // "COM%d"
inline constexpr int statusRefused = 1204;
inline constexpr int registerReadAbandoned = 1205;
// A serial server on the network could not be reached.
inline constexpr int serverRefused = 1206;      // "COM%d"
inline constexpr int serverUnknown = 1207;      // "COM%d"
inline constexpr int serverNotAnswering = 1208; // "COM%d"

// Login strip and printing start.
inline constexpr int passwordWrong = 1300;
inline constexpr int passwordAccepted = 1301;
inline constexpr int printingSettings = 1302;
inline constexpr int printingEvents = 1303;
// Events list export.
inline constexpr int csvFilter = 1451;
inline constexpr int csvSaveProblem = 1452;
inline constexpr int csvSaved = 1453;

// Printing.
inline constexpr int printerNotFound = 1500;
inline constexpr int printerErrorCaption = 1501;
inline constexpr int eventsPageLine = 1502; // "%d/%d": page and pages
inline constexpr int printerCannotStart = 1503;
inline constexpr int printerFailed = 1504;
inline constexpr int pdfSaveProblem = 1505; // "%s": the file
inline constexpr int pdfSaved = 1506;       // followed by the file
inline constexpr int printPreview = 1507;
inline constexpr int pdfFilter = 1509;
inline constexpr int pdfCaption = 1510;
// Traffic monitor, settings differences, port list.
inline constexpr int trafficTitle = 1600;
inline constexpr int trafficSave = 1601;
inline constexpr int trafficClear = 1602;
inline constexpr int requestProbe = 1603;
inline constexpr int requestStatus = 1604;
inline constexpr int requestSettings = 1605;
inline constexpr int requestEventBlock = 1606; // "%d": block 1..16
inline constexpr int requestLinkOpen = 1607;
inline constexpr int requestLinkClose = 1608;
inline constexpr int requestFactoryNumber = 1609; // "%u"
inline constexpr int requestSettingsWrite = 1610;
inline constexpr int requestRs485Write = 1611;
inline constexpr int requestRead = 1612;  // "%u" count, "%u" first register
inline constexpr int requestWrite = 1613; // "%u" count, "%u" first register
inline constexpr int frameUnknown = 1614;
inline constexpr int replyProbe = 1615;      // "%u" combination
inline constexpr int replyStatus = 1616;     // "%s" version, "%u" factory number
inline constexpr int replySettings = 1617;   // "%u" combination
inline constexpr int replyEventBlock = 1618; // "%d"
inline constexpr int replyRead = 1619;       // "%u" data bytes
inline constexpr int replyWrite = 1620;      // "%s" the request
inline constexpr int replyException = 1621;  // "%d" code, "%s" the request
inline constexpr int replyMissing = 1622;    // "%s" the request
inline constexpr int writeFailed = 1623;     // "%s" the request
inline constexpr int statsTitle = 1624;
inline constexpr int statsRequests = 1625;
inline constexpr int statsReplies = 1626;
inline constexpr int statsCrcErrors = 1627;
inline constexpr int statsFrameTypeErrors = 1628;
inline constexpr int statsTimeouts = 1629;
inline constexpr int statsRetries = 1630;
inline constexpr int statsReplyTime = 1631;
inline constexpr int statsReplyTimes = 1632; // "%s" x 3: last, mean, maximum
inline constexpr int columnDirection = 1633;
inline constexpr int columnFrame = 1634;
inline constexpr int columnDescription = 1635;
inline constexpr int diffHeld = 1636;
inline constexpr int diffDevice = 1637;
inline constexpr int diffWriteQuestion = 1638;
inline constexpr int diffWrite = 1639;
inline constexpr int diffCancel = 1640;
inline constexpr int writeSettingsCancelled = 1641;
inline constexpr int diffReservedByte = 1642; // "%u": image offset
inline constexpr int diffCombination = 1643;
inline constexpr int refreshPorts = 1644;
inline constexpr int textFileFilter = 1645;
inline constexpr int fileWriteProblem = 1646;
inline constexpr int diffBit = 1647; // "%u"
// Backups before a settings write, the check after it, restoring a backup.
inline constexpr int readBackStarted = 1800;
inline constexpr int backupSaved = 1801;  // "%s": the file
inline constexpr int backupFailed = 1802; // "%s": the file
inline constexpr int settingsVerified = 1803;
inline constexpr int settingsNotVerified = 1804;
inline constexpr int verifyQuestion = 1805;
inline constexpr int restoreBackup = 1806;
inline constexpr int restoreTitle = 1807;
inline constexpr int backupDate = 1808;
inline constexpr int backupTime = 1809;
inline constexpr int columnDifferences = 1810;
inline constexpr int noDifferences = 1811;
inline constexpr int noBackups = 1812;
inline constexpr int backupOtherDevice = 1813;
inline constexpr int closeButton = 1814;
inline constexpr int restoreStarted = 1815; // "%s": the file
inline constexpr int restoreMenu = 1816;
// The service report.
inline constexpr int reportTitle = 1820;
inline constexpr int reportStatus = 1821;
inline constexpr int reportSettings = 1822;
inline constexpr int reportEvents = 1823;
inline constexpr int reportChanges = 1824;
inline constexpr int reportNoChanges = 1825;
inline constexpr int reportSaved = 1826;  // "%s": the folder
inline constexpr int reportFailed = 1827; // "%s": the folder
inline constexpr int reportMenu = 1828;
inline constexpr int statusVersion = 1830;
inline constexpr int statusHours = 1831;
inline constexpr int statusFactoryNumber = 1832;
inline constexpr int statusLabelFile = 1833;
inline constexpr int reportDate = 1834;
inline constexpr int reportTimeline = 1835;
} // namespace StringId
