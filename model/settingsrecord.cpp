#include "model/settingsrecord.h"

#include "model/catalogue.h"
#include "model/devicedata.h"

#include <algorithm>
#include <cmath>

namespace SettingsRecord {

namespace {

constexpr std::uint8_t secondsBit = 0x80;

// Byte and bit of program flag k: bits 0..7 in byte 11, 8..15 in byte 12, 16..23 in byte 2.
constexpr int flagByte[3] = {11, 12, 2};
constexpr int outputByte = 3;
constexpr int rs485Byte = 15;
constexpr std::uint8_t addressMask = 0x1F;
constexpr std::uint8_t baudMask = 0x60;
constexpr std::uint8_t baudCodes[4] = {0x60, 0x40, 0x20, 0x00};

// In double: in single precision 2.3 s * 10 + 1 truncates to code 23 (2200 ms).
std::uint8_t truncatedCode(double value)
{
    return static_cast<std::uint8_t>(static_cast<int>(std::trunc(value)));
}

std::uint8_t secondsCode(double seconds)
{
    return static_cast<std::uint8_t>((truncatedCode(seconds + 1) & 0x7F) | secondsBit);
}

void setBit(std::uint8_t& byte, int bit, bool on)
{
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    byte = on ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

// The combination a 20-byte settings answer carries: the high nibble of data byte 19.
unsigned answerCombination(QByteArrayView answer)
{
    return static_cast<std::uint8_t>(answer[19]) >> 4;
}

} // namespace

void applyDefaults(DeviceData& data)
{
    DeviceImage& image = data.image();
    image.settings = defaultImage;
    image.factoryNumber = 0;
    image.deviceCombination = 0;
    image.liveWritePosition = 0;
    image.timeBase = 0;
    image.readIndex = -2;
    Catalogue::selectCombination(data, 0);
}

TimeValue decodeTime(int row, std::uint8_t code)
{
    if (row == minuteRow)
        return {(code - 1) * 10.0, TimeUnit::Minutes};
    if (code & secondsBit)
        return {static_cast<double>((code - 1) & 0x7F), TimeUnit::Seconds};
    return {(code - 1) * 100.0, TimeUnit::Milliseconds};
}

std::uint8_t encodeTime(int row, double value, std::uint8_t currentCode)
{
    // Pages refuse what is not a number; should one get here, the row keeps its code.
    if (std::isnan(value))
        return currentCode;

    if (row == minuteRow) {
        value = std::clamp(value, 10.0, 1260.0);
        return truncatedCode(value / 10 + 1);
    }

    if (currentCode & secondsBit) {
        value = std::min(value, 126.0);
        if (value < 12) {
            // Below 0.1 s the step code would fall under 2, which the tool never stores.
            value = std::max(value, 0.1);
            return truncatedCode(value * 10 + 1);
        }
        return secondsCode(value);
    }

    if (value > 12600) {
        value = std::clamp(value / 1000, 1.0, 126.0);
        return secondsCode(value);
    }
    value = std::max(value, 100.0);
    return truncatedCode(value / 100 + 1);
}

std::uint8_t timeCode(const SettingsImage& image, int row)
{
    Q_ASSERT(row >= 0 && row < timeRowCount);
    return image.bytes[timeCodeOffset[row]];
}

void setTimeCode(SettingsImage& image, int row, std::uint8_t code)
{
    Q_ASSERT(row >= 0 && row < timeRowCount);
    image.bytes[timeCodeOffset[row]] = code;
}

bool flag(const SettingsImage& image, int k)
{
    Q_ASSERT(k >= 0 && k < flagCount);
    return (image.bytes[flagByte[k / 8]] >> (k % 8)) & 1;
}

void setFlag(SettingsImage& image, int k, bool on)
{
    Q_ASSERT(k >= 0 && k < flagCount);
    setBit(image.bytes[flagByte[k / 8]], k % 8, on);
}

bool output(const SettingsImage& image, int k)
{
    Q_ASSERT(k >= 0 && k < outputCount);
    return (image.bytes[outputByte] >> k) & 1;
}

void setOutput(SettingsImage& image, int k, bool on)
{
    Q_ASSERT(k >= 0 && k < outputCount);
    setBit(image.bytes[outputByte], k, on);
}

int address(const SettingsImage& image)
{
    return image.bytes[rs485Byte] & addressMask;
}

int baudIndex(const SettingsImage& image)
{
    switch (image.bytes[rs485Byte] & baudMask) {
    case 0x60:
        return 0;
    case 0x40:
        return 1;
    case 0x20:
        return 2;
    default:
        return 3;
    }
}

std::uint8_t composeRs485(int address, std::optional<int> baudIndex)
{
    int a = ((address % 32) + 32) % 32;
    if (a == 0)
        a = 1;
    const int index = baudIndex.value_or(2);
    const std::uint8_t baud = index >= 0 && index < 4 ? baudCodes[index] : baudCodes[2];
    return static_cast<std::uint8_t>(a | baud);
}

void setRs485(SettingsImage& image, int address, std::optional<int> baudIndex)
{
    image.bytes[rs485Byte] = composeRs485(address, baudIndex);
}

bool applySettingsAnswer(DeviceData& data, QByteArrayView answer)
{
    if (answer.size() != settingsAnswerSize)
        return false;
    std::copy_n(answer.data(), sizeof(SettingsImage), data.image().settings.bytes);
    Catalogue::selectCombination(data, answerCombination(answer));
    data.settingsValid = true;
    return true;
}

bool matchesSettingsAnswer(const DeviceImage& image, QByteArrayView answer)
{
    if (answer.size() != settingsAnswerSize)
        return false;
    const QByteArrayView held(reinterpret_cast<const char*>(image.settings.bytes),
                              sizeof(SettingsImage));
    return answer.first(sizeof(SettingsImage)) == held &&
           answerCombination(answer) == image.combinationIndex;
}

bool applyProbeAnswer(DeviceData& data, QByteArrayView answer)
{
    if (answer.size() != 2)
        return false;
    const unsigned c = (static_cast<std::uint8_t>(answer[1]) >> 4) & 7;
    data.image().combinationIndex = c;
    data.selectLabelSet(c);
    return true;
}

QByteArray settingsWritePayload(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes), settingsWriteSize);
}

QByteArray rs485WritePayload(const SettingsImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.bytes + 14), rs485WriteSize);
}

} // namespace SettingsRecord
