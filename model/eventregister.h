#pragma once

#include "model/deviceimage.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// The controller's event register as held in DeviceImage: 256 twelve-byte snapshots of
// 56 signals in a ring, with the read state, the time base and the combination whose
// names describe the signals.
namespace EventRegister {

inline constexpr int entrySize = sizeof(EventEntry);
inline constexpr int restartBit = 55;
inline constexpr int entriesPerBlock = 16;
inline constexpr std::int32_t notRead = -2;
inline constexpr std::int32_t readRequested = -1;
inline constexpr std::int32_t complete = entryCount;

// Check byte: 0xAA XOR bytes 0..10.
std::uint8_t checkByte(const EventEntry& entry);
bool isEntryValid(const EventEntry& entry);
bool stateBit(const EventEntry& entry, int k);
std::uint32_t counter(const EventEntry& entry);

// Row 0 is the newest entry: slot (writePosition - 1 - row) mod 256.
int slotOfRow(const DeviceImage& image, int row);
// The slot one row further down; the predecessor of the slot in row 255 is row 0's.
int predecessorSlot(int slot);

// Label set whose signal names describe the register: that of deviceCombination.
const LabelSet& nameSet(const DeviceImage& image);
LabelSet& nameSet(DeviceImage& image);

QString rowNumberText(const DeviceImage& image, int row);
// Seconds since 1970 UTC of the entry: timeBase + counter, wrapped to 32 bits and signed.
std::int32_t entryTime(const DeviceImage& image, int slot);
// The local date and time of a counter on this time base; nothing for a sum that wraps
// negative (a date past 2038) or names no date.
std::optional<QDateTime> localTime(std::uint32_t timeBase, std::uint32_t counter);
// Local date and time of the entry ("2015_3_7 9:5:0").
QString timeText(const DeviceImage& image, int slot);
QString counterText(const DeviceImage& image, int slot);
// The changes from the predecessor ("W1 zał_^,U1 brak_^,"), or name 55 alone for a restart.
QString eventText(const DeviceImage& image, int slot);
// "Nr Fabryczny: ..., Układ: ..., Wariant: ..." of the register held.
QString deviceLine(const DeviceImage& image);

// A register read from the controller under way. Its blocks gather here, apart from the
// register held, which they replace only when all of them have arrived: a read that ends
// early leaves the held register, its list and its file as they were.
struct RegisterRead {
    EventEntry entries[entryCount]{};
    // -2 no read, -1 requested (waits for the next status answer), 0..255 entries
    // received, 256 complete.
    std::int32_t readIndex = notRead;
    std::uint8_t writePosition = 0;
    std::uint16_t factoryNumber = 0;
    std::uint8_t deviceCombination = 0;
};

// A read is about to start: the ring position, the factory number and the combination of
// the controller now.
void beginRead(RegisterRead& read, std::uint8_t liveWritePosition, std::uint16_t factoryNumber,
               std::uint8_t deviceSelector);
// Stores the whole entries of one register reply (at most 16) from slot readIndex on,
// never past slot 255, and advances readIndex by the entries the reply held. Nothing
// happens while readIndex is outside 0..255. Returns the number of entries stored.
int storeEntries(RegisterRead& read, QByteArrayView bytes);
// A complete read becomes the register held, dated by `timeBase`.
void takeRead(DeviceImage& image, const RegisterRead& read, std::uint32_t timeBase);
bool isComplete(const DeviceImage& image);

// A status answer: the first one after a connection fixes the time base (now minus the
// controller's counter); every one sets liveWritePosition.
void applyStatus(DeviceImage& image, std::uint32_t counter, std::uint8_t livePosition,
                 std::int64_t nowSecs);
// A new connection or the reset command: no register held, time base unset.
void resetReadState(DeviceImage& image);

} // namespace EventRegister
