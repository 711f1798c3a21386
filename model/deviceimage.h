#pragma once

// The one block of device data the main frame owns. The first regions are copied
// whole to and from label files, settings files, events files and frames, so their
// sizes and offsets are fixed.

#include <cstddef>
#include <cstdint>

constexpr int combinationCount = 16;
constexpr int timeRowCount = 8;
constexpr int signalCount = 56;
constexpr int variantCount = 4;
constexpr int circuitCount = 8;
constexpr int flagCount = 24;
constexpr int outputCount = 8;
constexpr int flagOutputSlotCount = 32;
constexpr int entryCount = 256;
constexpr int wideSlot = 96;   // time descriptions, circuit description, flag and output names
constexpr int narrowSlot = 32; // signal names, variant descriptions

// Texts of one circuit-and-variant combination; Windows-1250 bytes, zero-terminated.
struct LabelSet {
    char timeDescriptions[timeRowCount][wideSlot];
    char signalNames[signalCount][narrowSlot];
    char variantDescriptions[variantCount][narrowSlot];
    char circuitDescription[wideSlot];
};

// Names of the 24 program flags (slots 0..23) and 8 programmable outputs (24..31).
struct FlagOutputLabelSet {
    char names[flagOutputSlotCount][wideSlot];
};

// One snapshot of the controller's event register: seconds counter (little-endian),
// 56 state bits, check byte.
struct EventEntry {
    std::uint8_t bytes[12];
};

// The controller's holding registers 0..7 in wire order (high byte first).
struct SettingsImage {
    std::uint8_t bytes[16];
};

struct DeviceImage {
    LabelSet labelSets[combinationCount];
    FlagOutputLabelSet flagOutputLabelSets[combinationCount];
    EventEntry entries[entryCount];
    std::uint8_t rowEntry[entryCount];
    SettingsImage settings;
    std::int32_t readIndex;
    std::uint32_t combinationIndex;
    std::uint8_t variant;
    std::uint8_t circuit;
    std::uint32_t timeBase;
    std::uint8_t liveWritePosition;
    std::uint8_t writePosition;
    std::uint8_t deviceCombination;
    std::uint8_t deviceSelector;
    std::uint16_t registerFactoryNumber;
    std::uint16_t factoryNumber;
};

constexpr std::size_t labelAreaSize = 93696;
constexpr std::size_t labelSetsSize = 44544;
constexpr std::size_t registerSize = 3072;

static_assert(sizeof(LabelSet) == 2784);
static_assert(offsetof(LabelSet, signalNames) == 768);
static_assert(offsetof(LabelSet, variantDescriptions) == 2560);
static_assert(offsetof(LabelSet, circuitDescription) == 2688);
static_assert(sizeof(FlagOutputLabelSet) == 3072);
static_assert(sizeof(EventEntry) == 12);
static_assert(sizeof(SettingsImage) == 16);
static_assert(offsetof(DeviceImage, flagOutputLabelSets) == labelSetsSize);
static_assert(offsetof(DeviceImage, entries) == labelAreaSize);
static_assert(sizeof(DeviceImage::entries) == registerSize);
static_assert(offsetof(DeviceImage, settings) == labelAreaSize + registerSize + entryCount);
static_assert(sizeof(DeviceImage) == 97064);
