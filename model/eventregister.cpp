#include "model/eventregister.h"

#include "model/catalogue.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>

namespace EventRegister {

namespace {

const EventEntry& entryAt(const DeviceImage& image, int slot)
{
    Q_ASSERT(slot >= 0 && slot < entryCount);
    return image.entries[slot];
}

} // namespace

std::uint8_t checkByte(const EventEntry& entry)
{
    std::uint8_t check = 0xAA;
    for (int i = 0; i < 11; ++i)
        check ^= entry.bytes[i];
    return check;
}

bool isEntryValid(const EventEntry& entry)
{
    return entry.bytes[11] == checkByte(entry);
}

bool stateBit(const EventEntry& entry, int k)
{
    Q_ASSERT(k >= 0 && k < signalCount);
    return (entry.bytes[4 + k / 8] >> (k % 8)) & 1;
}

std::uint32_t counter(const EventEntry& entry)
{
    return std::uint32_t(entry.bytes[0]) | std::uint32_t(entry.bytes[1]) << 8 |
           std::uint32_t(entry.bytes[2]) << 16 | std::uint32_t(entry.bytes[3]) << 24;
}

int slotOfRow(const DeviceImage& image, int row)
{
    return (image.writePosition - 1 - row) & 0xFF;
}

int predecessorSlot(int slot)
{
    return (slot - 1) & 0xFF;
}

const LabelSet& nameSet(const DeviceImage& image)
{
    return image
        .labelSets[image.deviceCombination < combinationCount ? image.deviceCombination : 0];
}

LabelSet& nameSet(DeviceImage& image)
{
    return image
        .labelSets[image.deviceCombination < combinationCount ? image.deviceCombination : 0];
}

QString rowNumberText(const DeviceImage& image, int row)
{
    const QString number = QString::number(row + 1);
    return isEntryValid(image.entries[slotOfRow(image, row)]) ? number : number + u'?';
}

std::int32_t entryTime(const DeviceImage& image, int slot)
{
    return static_cast<std::int32_t>(image.timeBase + counter(entryAt(image, slot)));
}

std::optional<QDateTime> localTime(std::uint32_t timeBase, std::uint32_t counter)
{
    const auto t = static_cast<std::int32_t>(timeBase + counter);
    if (t < 0)
        return std::nullopt;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(t, Qt::LocalTime);
    return local.isValid() ? std::optional(local) : std::nullopt;
}

QString timeText(const DeviceImage& image, int slot)
{
    const std::optional<QDateTime> local = localTime(image.timeBase, counter(entryAt(image, slot)));
    if (!local)
        return stringText(StringId::unknownTime);
    const QDate d = local->date();
    const QTime tm = local->time();
    return QStringLiteral("%1_%2_%3 %4:%5:%6")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(tm.hour())
        .arg(tm.minute())
        .arg(tm.second());
}

QString counterText(const DeviceImage& image, int slot)
{
    return QString::number(counter(entryAt(image, slot)));
}

QString eventText(const DeviceImage& image, int slot)
{
    const EventEntry& entry = entryAt(image, slot);
    const LabelSet& names = nameSet(image);
    if (stateBit(entry, restartBit))
        return slotText(names.signalNames[restartBit]);

    const EventEntry& before = image.entries[predecessorSlot(slot)];
    QString text;
    for (int k = 0; k < signalCount; ++k) {
        const bool now = stateBit(entry, k);
        if (now == stateBit(before, k))
            continue;
        text += slotText(names.signalNames[k]);
        text += now ? QLatin1String("_^,") : QLatin1String("_v,");
    }
    return text;
}

QString deviceLine(const DeviceImage& image)
{
    // The variant is shown as a number here, not as a letter.
    return fillText(StringId::deviceLine,
                    {QString::number(image.registerFactoryNumber),
                     QString::number(Catalogue::circuitOf(image.deviceCombination) + 1),
                     QString::number(Catalogue::variantOf(image.deviceCombination) + 1)});
}

void beginRead(RegisterRead& read, std::uint8_t liveWritePosition, std::uint16_t factoryNumber,
               std::uint8_t deviceSelector)
{
    read.writePosition = liveWritePosition;
    read.readIndex = readRequested;
    read.factoryNumber = factoryNumber;
    read.deviceCombination =
        static_cast<std::uint8_t>(Catalogue::combinationOfSelector(deviceSelector));
}

int storeEntries(RegisterRead& read, QByteArrayView bytes)
{
    if (read.readIndex < 0 || read.readIndex >= entryCount)
        return 0;
    const int present = std::min<int>(static_cast<int>(bytes.size() / entrySize), entriesPerBlock);
    const int stored = std::min(present, entryCount - read.readIndex);
    if (stored > 0)
        std::memcpy(read.entries + read.readIndex, bytes.data(),
                    static_cast<std::size_t>(stored) * entrySize);
    read.readIndex += present;
    return stored;
}

void takeRead(DeviceImage& image, const RegisterRead& read, std::uint32_t timeBase)
{
    std::memcpy(image.entries, read.entries, sizeof image.entries);
    image.writePosition = read.writePosition;
    image.registerFactoryNumber = read.factoryNumber;
    image.deviceCombination = read.deviceCombination;
    image.timeBase = timeBase;
    image.readIndex = complete;
}

bool isComplete(const DeviceImage& image)
{
    return image.readIndex >= complete;
}

void applyStatus(DeviceImage& image, std::uint32_t counter, std::uint8_t livePosition,
                 std::int64_t nowSecs)
{
    if (image.timeBase == 0)
        image.timeBase = static_cast<std::uint32_t>(nowSecs - counter);
    image.liveWritePosition = livePosition;
}

void resetReadState(DeviceImage& image)
{
    image.timeBase = 0;
    image.liveWritePosition = 0;
    image.readIndex = notRead;
}

} // namespace EventRegister
