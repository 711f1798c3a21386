#include "pages/cbinary.h"

#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "pagekit/appcontext.h"
#include "pages/entryfields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace SettingsRecord;

namespace {

// The four columns of eight bits; bit 0 of each record byte is the top row.
struct BitColumn {
    int group; // 0 "Program działania", 1 "Wyjście programowalne"
    int firstSlot;
};
constexpr std::array<BitColumn, 4> bitColumns{{{0, 0}, {0, 8}, {0, 16}, {1, 24}}};
constexpr int rowsPerColumn = 8;

// Captions of the boxes of flags 0..11. The boxes are too narrow to show them; they
// name the box for accessibility, and the user reads the slot's name beside it.
constexpr std::array<const char*, 12> flagCaptions{"Zezwolenie na SZR",
                                                   "Zezwolenie na PPZ",
                                                   "Zezwolenie na SPP",
                                                   "Zezwolenie na AZZ",
                                                   "Blok. po pr. SZR i AZZ",
                                                   "Blok. po npr. SZR i AZZ",
                                                   nullptr,
                                                   nullptr,
                                                   "Odciążanie toru 1",
                                                   "Odciążanie toru 2",
                                                   "Odciążanie toru 3",
                                                   "Odciążanie toru 4"};

} // namespace

CBinary::CBinary(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("Program działania"), parent), m_context(context)
{
    std::array<QGroupBox*, 2> groups{new QGroupBox(QStringLiteral("Program działania"), this),
                                     new QGroupBox(QStringLiteral("Wyjście programowalne"), this)};
    std::array<QGridLayout*, 2> grids{new QGridLayout(groups[0]), new QGridLayout(groups[1])};
    std::array<int, 2> columnsInGroup{};

    for (const BitColumn& column : bitColumns) {
        QGroupBox* group = groups[column.group];
        QGridLayout* grid = grids[column.group];
        const int gridColumn = 2 * columnsInGroup[column.group]++;
        for (int row = 0; row < rowsPerColumn; ++row) {
            const int slot = column.firstSlot + row;
            auto* box = new QCheckBox(group);
            if (slot < int(flagCaptions.size()) && flagCaptions[slot])
                box->setAccessibleName(QString::fromUtf8(flagCaptions[slot]));
            auto* name = new QLineEdit(group);
            name->setFrame(false);
            name->setMaxLength(wideSlot - 1);
            name->setMinimumWidth(170);
            grid->addWidget(box, row, gridColumn);
            grid->addWidget(name, row, gridColumn + 1);
            grid->setColumnStretch(gridColumn + 1, 1);
            m_boxes[slot] = box;
            m_nameEdits[slot] = name;

            if (slot >= flagCount) {
                const int output = slot - flagCount;
                connect(box, &QCheckBox::clicked, this, [this, output] { selectOutput(output); });
            }
        }
    }

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(groups[0], 3);
    layout->addWidget(groups[1], 1);
    layout->setAlignment(Qt::AlignTop);
}

void CBinary::onSetActive()
{
    loadFromRecord();
    const bool locked = m_context.locked();
    for (QLineEdit* edit : m_nameEdits)
        edit->setReadOnly(locked);
}

bool CBinary::onKillActive()
{
    storeToRecord();
    m_context.data().settingsValid = true;
    return true;
}

void CBinary::loadFromRecord()
{
    m_loaded = true;
    const DeviceData& data = m_context.data();
    const SettingsImage& settings = data.image().settings;
    for (int k = 0; k < flagCount; ++k)
        m_flags[k] = flag(settings, k);
    for (int k = 0; k < outputCount; ++k)
        m_outputs[k] = output(settings, k);
    for (int slot = 0; slot < flagOutputSlotCount; ++slot) {
        m_bitNames[slot] = slotText(data.currentFlagOutputSet().names[slot]);
        // A bit without a name does not exist in this combination: its box keeps the
        // loaded state, so the bit passes through the store unchanged.
        m_boxes[slot]->setEnabled(!m_bitNames[slot].isEmpty());
    }
    showState();
}

void CBinary::storeToRecord()
{
    if (!m_loaded)
        loadFromRecord();
    readControls();
    DeviceData& data = m_context.data();
    SettingsImage& settings = data.image().settings;
    for (int k = 0; k < flagCount; ++k)
        setFlag(settings, k, m_flags[k]);
    for (int k = 0; k < outputCount; ++k)
        setOutput(settings, k, m_outputs[k]);
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        storeSlotText(data.currentFlagOutputSet().names[slot], m_bitNames[slot]);
}

void CBinary::selectOutput(int output)
{
    // The outputs are one choice: the clicked item is the only one set, and a click on
    // the item already set leaves it set. Names typed meanwhile are read first.
    readControls();
    for (int k = 0; k < outputCount; ++k)
        m_outputs[k] = k == output;
    showState();
}

void CBinary::readControls()
{
    for (int k = 0; k < flagCount; ++k)
        m_flags[k] = m_boxes[k]->isChecked();
    for (int k = 0; k < outputCount; ++k)
        m_outputs[k] = m_boxes[flagCount + k]->isChecked();
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        m_bitNames[slot] = m_nameEdits[slot]->text();
}

void CBinary::showState()
{
    for (int k = 0; k < flagCount; ++k)
        m_boxes[k]->setChecked(m_flags[k]);
    for (int k = 0; k < outputCount; ++k)
        m_boxes[flagCount + k]->setChecked(m_outputs[k]);
    for (int slot = 0; slot < flagOutputSlotCount; ++slot) {
        m_nameEdits[slot]->setText(m_bitNames[slot]);
        m_nameEdits[slot]->setCursorPosition(0);
    }
}
