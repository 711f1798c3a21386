#pragma once

#include "model/deviceimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

class DeviceData;

// The controller's settings as the tool holds them: the 16-byte SettingsImage (holding
// registers 0..7 in wire order) and its context fields in DeviceImage.
namespace SettingsRecord {

enum class TimeUnit { Milliseconds, Seconds, Minutes };

struct TimeValue {
    double value;
    TimeUnit unit;
};

// Row 3 holds minutes; the other rows hold seconds or 100 ms steps by bit 7 of the code.
inline constexpr int minuteRow = 3;
// Image offset of the time code of each row (row 7, the pulse duration, sits at 13).
inline constexpr int timeCodeOffset[timeRowCount] = {4, 5, 6, 7, 8, 9, 10, 13};

inline constexpr SettingsImage defaultImage = {{0x00, 0x00, 0x00, 0x01, 0x65, 0xBD, 0x33, 0x3D,
                                                0x15, 0x65, 0x95, 0x2F, 0x02, 0x06, 0x00, 0x21}};

// Baud rates of the controller's own RS-485 port by baud index.
inline constexpr int rs485BaudRates[4] = {4800, 9600, 19200, 38400};

// Defaults of the settings record and its context (the communication page's creation):
// image, combination 0 with its circuit, variant and label sets, deviceCombination 0,
// factory number 0, and an empty register state (readIndex -2, timeBase 0,
// liveWritePosition 0).
void applyDefaults(DeviceData& data);

TimeValue decodeTime(int row, std::uint8_t code);
// `value` is in the unit of `currentCode`; the result may switch the unit.
std::uint8_t encodeTime(int row, double value, std::uint8_t currentCode);

std::uint8_t timeCode(const SettingsImage& image, int row);
void setTimeCode(SettingsImage& image, int row, std::uint8_t code);

// Program flag bit k, k = 0..23.
bool flag(const SettingsImage& image, int k);
void setFlag(SettingsImage& image, int k, bool on);
// Programmable output bit k, k = 0..7.
bool output(const SettingsImage& image, int k);
void setOutput(SettingsImage& image, int k, bool on);

// The controller's RS-485 address (bits 0..4) and baud index (0 = 4800 .. 3 = 38400).
int address(const SettingsImage& image);
int baudIndex(const SettingsImage& image);
std::uint8_t composeRs485(int address, std::optional<int> baudIndex);
void setRs485(SettingsImage& image, int address, std::optional<int> baudIndex);

// Register views for the device link.
inline constexpr int settingsAnswerSize = 20; // registers 0..9
inline constexpr int settingsWriteSize = 14;  // registers 0..6
inline constexpr int rs485WriteSize = 2;      // register 7

// Stores a settings answer: image, combination with circuit, variant and label sets,
// settingsValid. Refused (false, nothing changed) unless it holds 20 bytes.
bool applySettingsAnswer(DeviceData& data, QByteArrayView answer);
// Whether the controller holds what the record holds: all 16 image bytes and the
// combination. False for an answer that does not hold 20 bytes.
bool matchesSettingsAnswer(const DeviceImage& image, QByteArrayView answer);
// The probe answer (2 data bytes) moves combinationIndex to bits 4..6 of byte 1 and
// only the current label set with it. Refused unless it holds 2 bytes.
bool applyProbeAnswer(DeviceData& data, QByteArrayView answer);
QByteArray settingsWritePayload(const SettingsImage& image);
QByteArray rs485WritePayload(const SettingsImage& image);

} // namespace SettingsRecord
