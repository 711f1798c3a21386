#include "model/settingsdiff.h"

#include "model/catalogue.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

namespace {

using namespace SettingsRecord;

constexpr int rs485Offset = 15;
constexpr int reservedOffsets[] = {0, 1, 14};
constexpr int settingsWriteBytes = 14;

QString timeText(int row, std::uint8_t code)
{
    const TimeValue t = decodeTime(row, code);
    const int unit = t.unit == TimeUnit::Seconds        ? StringId::unitSeconds
                     : t.unit == TimeUnit::Milliseconds ? StringId::unitMilliseconds
                                                        : StringId::unitMinutes;
    return QString::number(t.value) + u' ' + stringText(unit);
}

QString bitText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString byteText(std::uint8_t b)
{
    return QStringLiteral("0x") + QString::number(b, 16).rightJustified(2, u'0').toUpper();
}

// A flag or output name from its label slot; a bit without a name keeps its number.
QString bitName(int group, const FlagOutputLabelSet& names, int slot, int bit)
{
    QString name = slotText(names.names[slot]);
    if (name.trimmed().isEmpty())
        name = fillText(StringId::diffBit, {QString::number(bit)});
    return stringText(group) + QStringLiteral(": ") + name;
}

QString combinationText(unsigned combination)
{
    return QStringLiteral("%1 (%2, %3)")
        .arg(combination)
        .arg(fillText(StringId::printoutCircuit,
                      {QString::number(Catalogue::circuitOf(combination) + 1)}),
             fillText(StringId::printoutVariant,
                      {QString(QChar(u'A' + Catalogue::variantOf(combination)))}));
}

QString lineParameters(std::uint8_t rs485)
{
    return stringText(StringId::printoutLineParameters38400 + ((rs485 >> 5) & 3));
}

} // namespace

namespace SettingsDiff {

QList<Difference> differences(const SettingsImage& held, unsigned heldCombination,
                              const SettingsImage& device, unsigned deviceCombination,
                              const LabelSet& labels, const FlagOutputLabelSet& names, Scope scope)
{
    QList<Difference> list;
    for (int row = 0; row < timeRowCount; ++row) {
        const std::uint8_t a = timeCode(held, row);
        const std::uint8_t b = timeCode(device, row);
        if (a == b)
            continue;
        QString name = slotText(labels.timeDescriptions[row]);
        if (name.trimmed().isEmpty())
            name = stringText(StringId::timeDescriptionFirst + row);
        list.append({name, timeText(row, a), timeText(row, b)});
    }
    for (int k = 0; k < flagCount; ++k) {
        if (flag(held, k) != flag(device, k))
            list.append({bitName(StringId::printoutProgram, names, k, k), bitText(flag(held, k)),
                         bitText(flag(device, k))});
    }
    for (int k = 0; k < outputCount; ++k) {
        if (output(held, k) != output(device, k))
            list.append({bitName(StringId::printoutOutput, names, flagCount + k, k),
                         bitText(output(held, k)), bitText(output(device, k))});
    }
    const bool everything = scope == Scope::Everything;
    const std::uint8_t rsHeld = held.bytes[rs485Offset];
    const std::uint8_t rsDevice = device.bytes[rs485Offset];
    if (everything && rsHeld != rsDevice) {
        const QString rs485 = stringText(StringId::printoutRs485) + QStringLiteral(": ");
        const bool addressDiffers = address(held) != address(device);
        const bool rateDiffers = ((rsHeld ^ rsDevice) & 0x60) != 0;
        if (addressDiffers)
            list.append({rs485 + stringText(StringId::printoutAddress),
                         QString::number(address(held)), QString::number(address(device))});
        if (rateDiffers)
            list.append({rs485 + stringText(StringId::printoutParameters), lineParameters(rsHeld),
                         lineParameters(rsDevice)});
        // Bit 7 is neither: the byte itself shows it.
        if ((rsHeld ^ rsDevice) & 0x80)
            list.append(
                {stringText(StringId::printoutRs485), byteText(rsHeld), byteText(rsDevice)});
    }
    // Register 0 is also the command register: the controller does not keep what a
    // settings write puts there.
    for (int offset : reservedOffsets) {
        if (scope == Scope::Stored)
            break;
        if (!everything && offset >= settingsWriteBytes)
            continue;
        if (held.bytes[offset] != device.bytes[offset])
            list.append({fillText(StringId::diffReservedByte, {QString::number(offset)}),
                         byteText(held.bytes[offset]), byteText(device.bytes[offset])});
    }
    if (everything && heldCombination != deviceCombination)
        list.append({stringText(StringId::diffCombination), combinationText(heldCombination),
                     combinationText(deviceCombination)});
    return list;
}

} // namespace SettingsDiff
