#include "model/catalogue.h"

#include "model/devicedata.h"

namespace Catalogue {

namespace {

const Combination& entry(unsigned combination)
{
    return combinationTable[combination < combinationCount ? combination : 0];
}

} // namespace

int circuitOf(unsigned combination)
{
    return entry(combination).circuit;
}

int variantOf(unsigned combination)
{
    return entry(combination).variant;
}

unsigned findCombination(int circuit, int variant)
{
    for (unsigned c = 0; c < combinationCount; ++c) {
        if (combinationTable[c].circuit == circuit && combinationTable[c].variant == variant)
            return c;
    }
    return noCombination;
}

bool isVariantAllowed(int circuit, int variant)
{
    if (circuit < 0 || circuit >= circuitCount || variant < 0 || variant >= variantCount)
        return false;
    return (variantMask[circuit] >> variant) & 1;
}

unsigned combinationOfSelector(std::uint8_t selector)
{
    const unsigned c = findCombination((selector & 0x0F) - 1, (selector >> 4) - 1);
    return c == noCombination ? 0 : c;
}

bool selectCombination(DeviceData& data, unsigned combination)
{
    if (combination >= combinationCount)
        return false;
    DeviceImage& image = data.image();
    image.combinationIndex = combination;
    image.circuit = combinationTable[combination].circuit;
    image.variant = combinationTable[combination].variant;
    data.selectLabelSets(combination);
    return true;
}

void storeCircuitVariant(DeviceData& data, std::optional<int> circuit, std::optional<int> variant)
{
    DeviceImage& image = data.image();
    const int c = circuit.value_or(image.circuit);
    const int v = variant.value_or(image.variant);
    const unsigned found = findCombination(c, v);
    // An invalid pair never reaches the record: the held combination gives the pair back.
    selectCombination(data, found != noCombination ? found : image.combinationIndex);
    image.deviceCombination = static_cast<std::uint8_t>(image.combinationIndex);
}

} // namespace Catalogue
