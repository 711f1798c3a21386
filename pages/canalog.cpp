#include "pages/canalog.h"

#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "pagekit/appcontext.h"
#include "pages/entryfields.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

using namespace SettingsRecord;

namespace {

struct ShownTime {
    double value;
    QString unit;
};

// What a row shows for a stored code. The minima raise codes the tool never stores
// (and 100 ms) to what the row can be left with.
ShownTime shownTime(int row, std::uint8_t code)
{
    const TimeValue decoded = decodeTime(row, code);
    switch (decoded.unit) {
    case TimeUnit::Minutes:
        return {std::clamp(decoded.value, 10.0, 2550.0), QStringLiteral("[min]")};
    case TimeUnit::Seconds:
        return {std::max(decoded.value, 1.0), QStringLiteral("[s]")};
    case TimeUnit::Milliseconds:
        break;
    }
    return {std::max(decoded.value, 200.0), QStringLiteral("[ms]")};
}

} // namespace

Canalog::Canalog(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("Nastawy czasów"), parent), m_context(context)
{
    auto* group = new QGroupBox(QStringLiteral("Nastawy"), this);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    for (int row = 0; row < timeRowCount; ++row) {
        auto* value = new QLineEdit(group);
        value->setAlignment(Qt::AlignCenter);
        value->setFixedWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) +
                             16);

        auto* unit = new QLineEdit(group);
        unit->setAlignment(Qt::AlignCenter);
        unit->setReadOnly(true);
        unit->setFocusPolicy(Qt::NoFocus);
        unit->setFixedWidth(unit->fontMetrics().horizontalAdvance(QStringLiteral("[min]")) + 20);

        auto* description = new QLineEdit(group);
        description->setFrame(false);
        description->setMaxLength(wideSlot - 1);
        description->setMinimumWidth(520);

        grid->addWidget(value, row, 0);
        grid->addWidget(unit, row, 1);
        grid->addWidget(description, row, 2);
        m_valueEdits[row] = value;
        m_unitEdits[row] = unit;
        m_descriptionEdits[row] = description;

        m_units[row] = row == minuteRow ? QStringLiteral("[min]") : QStringLiteral("[ms]");
    }
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
}

void Canalog::onSetActive()
{
    loadFromRecord();
    const bool locked = m_context.locked();
    for (QLineEdit* edit : m_descriptionEdits)
        edit->setReadOnly(locked);
}

bool Canalog::onKillActive()
{
    const bool stored = storeToRecord();
    m_context.data().settingsValid = true;
    return stored;
}

void Canalog::loadFromRecord()
{
    m_loaded = true;
    DeviceData& data = m_context.data();
    for (int row = 0; row < timeRowCount; ++row) {
        const ShownTime shown = shownTime(row, timeCode(data.image().settings, row));
        m_values[row] = shown.value;
        m_units[row] = shown.unit;
        m_descriptions[row] = slotText(data.currentLabelSet().timeDescriptions[row]);
        showRow(row);
    }
    showDescriptions();
}

bool Canalog::storeToRecord()
{
    if (!m_loaded)
        loadFromRecord();

    // Rows are read top-down and reading stops at the first entry that is no number,
    // as the toolkit's field exchange does; the rows before it are stored.
    int refused = -1;
    for (int row = 0; row < timeRowCount; ++row) {
        const std::optional<double> value = parseNumber(m_valueEdits[row]->text());
        if (!value) {
            refused = row;
            break;
        }
        m_values[row] = *value;
    }
    for (int row = 0; row < timeRowCount; ++row)
        m_descriptions[row] = m_descriptionEdits[row]->text();

    DeviceData& data = m_context.data();
    SettingsImage& settings = data.image().settings;
    const int rowsRead = refused < 0 ? timeRowCount : refused;
    for (int row = 0; row < rowsRead; ++row)
        setTimeCode(settings, row, encodeTime(row, m_values[row], timeCode(settings, row)));
    for (int row = 0; row < timeRowCount; ++row)
        storeSlotText(data.currentLabelSet().timeDescriptions[row], m_descriptions[row]);

    if (refused < 0)
        return true;

    // The page stays active: the stored rows show what they now hold, in the unit they
    // now have, so that the next leave does not read a typed value in the wrong unit.
    // The rows from the refused one on were not stored and keep their text and unit.
    for (int row = 0; row < rowsRead; ++row) {
        const ShownTime shown = shownTime(row, timeCode(settings, row));
        m_values[row] = shown.value;
        m_units[row] = shown.unit;
        showRow(row);
    }
    promptEntry(m_valueEdits[refused], promptNumber);
    return false;
}

void Canalog::showRow(int row)
{
    m_valueEdits[row]->setText(QString::number(m_values[row], 'g', 6));
    m_unitEdits[row]->setText(m_units[row]);
}

void Canalog::showDescriptions()
{
    for (int row = 0; row < timeRowCount; ++row) {
        m_descriptionEdits[row]->setText(m_descriptions[row]);
        m_descriptionEdits[row]->setCursorPosition(0);
    }
}
