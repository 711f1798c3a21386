#include "files/settingsprintout.h"

#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <algorithm>

namespace {

using SettingsRecord::minuteRow;

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

QString printoutLineParameters(int baudIndex)
{
    // The texts run from 38400 down to 4800 baud.
    return stringText(StringId::printoutLineParameters38400 + 3 - baudIndex);
}

QList<PrintoutRow> settingsPrintoutRows(const DeviceData& data)
{
    const DeviceImage& image = data.image();
    const SettingsImage& settings = image.settings;
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
        const PrintoutTime time = printoutTime(row, SettingsRecord::timeCode(settings, row));
        rows.append({1,
                     {{PrintoutColumn::Label, QString::number(time.value)},
                      {PrintoutColumn::Unit, time.unit},
                      {PrintoutColumn::Text, slotText(labels.timeDescriptions[row])}}});
    }

    rows.append(heading(3, StringId::printoutProgram));
    rows.append(rule(1));
    for (int k = 0; k < flagCount; ++k)
        appendBit(rows, slotText(names.names[k]), SettingsRecord::flag(settings, k));

    rows.append(heading(3, StringId::printoutOutput));
    rows.append(rule(1));
    for (int bit = 0; bit < outputCount; ++bit)
        appendBit(rows, slotText(names.names[flagCount + bit]),
                  SettingsRecord::output(settings, bit));

    rows.append(heading(3, StringId::printoutRs485));
    rows.append(rule(1));
    rows.append(
        {1,
         {{PrintoutColumn::Label, stringText(StringId::printoutParameters)},
          {PrintoutColumn::Text, printoutLineParameters(SettingsRecord::baudIndex(settings))}}});
    rows.append({1,
                 {{PrintoutColumn::Label, stringText(StringId::printoutAddress)},
                  {PrintoutColumn::Text, QString::number(SettingsRecord::address(settings))}}});
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
