#include "files/settingsprintout.h"

#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <algorithm>

namespace {

using SettingsRecord::minuteRow;
using SettingsRecord::timeCodeOffset;

// Settings bytes of the program flags, eight bits each: flags 0..7, 8..15, 16..23.
constexpr int flagByte[3] = {11, 12, 2};
constexpr int outputByte = 3;
constexpr int rs485Byte = 15;

PrintoutRow rule(int advance)
{
    return {advance, {{PrintoutColumn::Rule, QString(90, QLatin1Char('-'))}}};
}

PrintoutRow heading(int advance, int id)
{
    return {advance, {{PrintoutColumn::Label, stringText(id)}}};
}

// A named bit: printed only when it has a name in this combination.
void appendBit(QList<PrintoutRow>& rows, const QString& name, bool set)
{
    if (name.isEmpty())
        return;
    rows.append({1,
                 {{PrintoutColumn::Label, name},
                  {PrintoutColumn::Text,
                   stringText(set ? StringId::printoutBitOn : StringId::printoutBitOff)}}});
}

} // namespace

PrintoutTime printoutTime(int row, quint8 code)
{
    if (row == minuteRow)
        return {std::clamp((code - 1) * 10, 10, 2550), stringText(StringId::unitMinutes)};
    if (code & 0x80)
        return {std::max((code - 1) & 0x7F, 1), stringText(StringId::unitSeconds)};
    return {std::max((code - 1) * 100, 500), stringText(StringId::unitMilliseconds)};
}

QString printoutLineParameters(quint8 rs485Config)
{
    return stringText(StringId::printoutLineParameters38400 + ((rs485Config >> 5) & 3));
}

QList<PrintoutRow> settingsPrintoutRows(const DeviceData& data)
{
    const DeviceImage& image = data.image();
    const quint8* settings = image.settings.bytes;
    const LabelSet& labels = data.currentLabelSet();
    const FlagOutputLabelSet& names = data.currentFlagOutputSet();

    QList<PrintoutRow> rows;
    rows.append(rule(1));

    // The description of a circuit lives in the label set numbered like the circuit.
    const QString circuitText = image.circuit < circuitCount
                                    ? slotText(image.labelSets[image.circuit].circuitDescription)
                                    : QString();
    rows.append({2,
                 {{PrintoutColumn::Label,
                   fillText(StringId::printoutCircuit, {QString::number(image.circuit + 1)})},
                  {PrintoutColumn::Text, circuitText}}});
    const QString variantText = image.variant < variantCount
                                    ? slotText(labels.variantDescriptions[image.variant])
                                    : QString();
    rows.append({1,
                 {{PrintoutColumn::Label,
                   fillText(StringId::printoutVariant, {QString(QChar(u'A' + image.variant))})},
                  {PrintoutColumn::Text, variantText}}});
    rows.append({1,
                 {{PrintoutColumn::Label, stringText(StringId::printoutFactoryNumber)},
                  {PrintoutColumn::Text, QString::number(image.factoryNumber)}}});

    rows.append(rule(3));
    rows.append({1,
                 {{PrintoutColumn::Label, stringText(StringId::printoutValueHead)},
                  {PrintoutColumn::Unit, stringText(StringId::printoutUnitHead)},
                  {PrintoutColumn::Text, stringText(StringId::printoutSettingHead)}}});
    for (int row = 0; row < timeRowCount; ++row) {
        const PrintoutTime time = printoutTime(row, settings[timeCodeOffset[row]]);
        rows.append({1,
                     {{PrintoutColumn::Label, QString::number(time.value)},
                      {PrintoutColumn::Unit, time.unit},
                      {PrintoutColumn::Text, slotText(labels.timeDescriptions[row])}}});
    }

    rows.append(heading(3, StringId::printoutProgram));
    rows.append(rule(1));
    for (int group = 0; group < 3; ++group) {
        for (int bit = 0; bit < 8; ++bit)
            appendBit(rows, slotText(names.names[group * 8 + bit]),
                      settings[flagByte[group]] & (1u << bit));
    }

    rows.append(heading(3, StringId::printoutOutput));
    rows.append(rule(1));
    for (int bit = 0; bit < outputCount; ++bit)
        appendBit(rows, slotText(names.names[flagCount + bit]), settings[outputByte] & (1u << bit));

    rows.append(heading(3, StringId::printoutRs485));
    rows.append(rule(1));
    rows.append({1,
                 {{PrintoutColumn::Label, stringText(StringId::printoutParameters)},
                  {PrintoutColumn::Text, printoutLineParameters(settings[rs485Byte])}}});
    rows.append({1,
                 {{PrintoutColumn::Label, stringText(StringId::printoutAddress)},
                  {PrintoutColumn::Text, QString::number(settings[rs485Byte] & 0x1F)}}});
    return rows;
}

int printoutColumnX(PrintoutColumn column, int width)
{
    static constexpr double fraction[] = {0.05, 0.1, 0.25, 0.4};
    return static_cast<int>(width * fraction[static_cast<int>(column)]);
}

PrintoutMetrics printoutMetrics(int printableHeight)
{
    const int fontHeight = printableHeight / 80;
    // A page too small for one line still gets a line height, so nothing divides by zero.
    const int lineHeight = std::max(static_cast<int>(fontHeight * 1.05), 1);
    return {fontHeight, lineHeight, printableHeight / lineHeight - 1};
}

QList<PrintoutPlacement> placePrintoutRows(const QList<PrintoutRow>& rows, int linesPerPage)
{
    QList<PrintoutPlacement> placements;
    placements.reserve(rows.size());
    int page = 0;
    int line = 0;
    for (const PrintoutRow& row : rows) {
        line += row.advance;
        if (line >= linesPerPage) {
            line = 1;
            ++page;
        }
        placements.append({page, line});
    }
    return placements;
}
