#pragma once

#include "model/deviceimage.h"

#include <cstdint>
#include <optional>

class DeviceData;

// The fixed catalogue of switchgear circuits (0..7, shown 1..8), transfer variants
// (0..3, shown A..D) and the 16 combination indexes of the controller's DIP switch.
namespace Catalogue {

struct Combination {
    std::uint8_t circuit;
    std::uint8_t variant;
};

// Not in circuit order: positions 5 and 7 belong to circuit 7, position 6 to circuit 3.
inline constexpr Combination combinationTable[combinationCount] = {
    {0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {6, 0}, {2, 0}, {6, 1},
    {3, 0}, {3, 1}, {3, 2}, {3, 3}, {4, 0}, {4, 1}, {5, 0}, {5, 1},
};

// Bit v set when circuit allows variant v.
inline constexpr std::uint8_t variantMask[circuitCount] = {0x03, 0x07, 0x01, 0x0F,
                                                           0x03, 0x03, 0x03, 0x00};

// What findCombination gives when the pair is not in the table.
inline constexpr unsigned noCombination = combinationCount;

// Circuit and variant of a combination; an index above 15 gives those of combination 0.
int circuitOf(unsigned combination);
int variantOf(unsigned combination);
// The first combination whose pair is (circuit, variant), or noCombination.
unsigned findCombination(int circuit, int variant);
bool isVariantAllowed(int circuit, int variant);
// The combination of the controller's selector byte (low nibble circuit + 1, high nibble
// variant + 1), or 0 when no combination matches.
unsigned combinationOfSelector(std::uint8_t selector);

// Sets combinationIndex with its circuit, variant and both current label sets.
// Refused (false, nothing changed) for an index above 15.
bool selectCombination(DeviceData& data, unsigned combination);

// Stores a circuit and variant the user chose; an unchosen value keeps the stored one.
// A pair that is not in the table keeps the held combination and puts circuit and
// variant back to its pair. Label sets and deviceCombination follow combinationIndex.
void storeCircuitVariant(DeviceData& data, std::optional<int> circuit, std::optional<int> variant);

} // namespace Catalogue
