#include "pages/cuklad.h"

#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/textcodec.h"
#include "pagekit/appcontext.h"
#include "pages/entryfields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <optional>

using namespace Catalogue;

namespace {

template <std::size_t N> std::optional<int> lowestChecked(const std::array<bool, N>& checks)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (checks[i])
            return static_cast<int>(i);
    }
    return std::nullopt;
}

QLineEdit* descriptionEdit(QWidget* parent, int slotWidth)
{
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setMaxLength(slotWidth - 1);
    return edit;
}

} // namespace

CUklad::CUklad(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("Układ i wariant"), parent), m_context(context)
{
    auto* circuits = new QGroupBox(QStringLiteral("Bieżący Układ"), this);
    auto* circuitGrid = new QGridLayout(circuits);
    for (int c = 0; c < circuitCount; ++c) {
        m_circuitBoxes[c] = new QCheckBox(QStringLiteral("Układ%1").arg(c + 1), circuits);
        m_circuitEdits[c] = descriptionEdit(circuits, wideSlot);
        m_circuitEdits[c]->setMinimumWidth(560);
        circuitGrid->addWidget(m_circuitBoxes[c], c, 0);
        circuitGrid->addWidget(m_circuitEdits[c], c, 1);
        connect(m_circuitBoxes[c], &QCheckBox::clicked, this, [this, c] { selectCircuit(c); });
    }
    circuitGrid->setColumnStretch(1, 1);

    auto* variants = new QGroupBox(QStringLiteral("Bieżący Wariant"), this);
    auto* variantGrid = new QGridLayout(variants);
    for (int v = 0; v < variantCount; ++v) {
        m_variantBoxes[v] = new QCheckBox(variants);
        m_variantBoxes[v]->setAccessibleName(QString(QLatin1Char(char('A' + v))));
        m_variantEdits[v] = descriptionEdit(variants, narrowSlot);
        m_variantEdits[v]->setMinimumWidth(260);
        variantGrid->addWidget(m_variantBoxes[v], v, 0);
        variantGrid->addWidget(m_variantEdits[v], v, 1);
        connect(m_variantBoxes[v], &QCheckBox::clicked, this, [this, v] { selectVariant(v); });
    }
    variantGrid->setColumnStretch(1, 1);

    auto* dipNote = new QLabel(
        QStringLiteral("Bieżący układ nastawia się przełącznikiem \"DIP\" znajdującym się na "
                       "tylnej ściance sterownika."),
        this);
    auto* onlineNote = new QLabel(
        QStringLiteral("Niniejsze okno w trybie \"Online\" służy tylko do odczytu ustawionego w "
                       "automacie układu rozdzielni i wariantu przełączeń."),
        this);
    for (QLabel* note : {dipNote, onlineNote})
        note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(circuits);
    layout->addWidget(variants);
    layout->addWidget(dipNote);
    layout->addWidget(onlineNote);
    layout->addStretch(1);
}

void CUklad::onSetActive()
{
    // Online the controller's switch decides; the state is sampled here only.
    m_online = m_context.isConnected();
    for (QCheckBox* box : m_circuitBoxes)
        box->setEnabled(!m_online);
    loadFromRecord();
    const bool locked = m_context.locked();
    for (QLineEdit* edit : m_circuitEdits)
        edit->setReadOnly(locked);
    for (QLineEdit* edit : m_variantEdits)
        edit->setReadOnly(locked);
}

bool CUklad::onKillActive()
{
    storeToRecord();
    m_context.data().settingsValid = true;
    return true;
}

void CUklad::loadFromRecord()
{
    m_loaded = true;
    const DeviceData& data = m_context.data();
    const DeviceImage& image = data.image();
    for (int c = 0; c < circuitCount; ++c)
        m_circuitTexts[c] = slotText(image.labelSets[c].circuitDescription);
    m_variantSet = data.currentLabelSetIndex();
    for (int v = 0; v < variantCount; ++v)
        m_variantTexts[v] = slotText(image.labelSets[m_variantSet].variantDescriptions[v]);

    for (int c = 0; c < circuitCount; ++c)
        m_circuitChecks[c] = c == image.circuit;
    for (int v = 0; v < variantCount; ++v) {
        m_variantChecks[v] = v == image.variant;
        m_variantBoxes[v]->setEnabled(!m_online && isVariantAllowed(image.circuit, v));
    }
    showState();
}

void CUklad::storeToRecord()
{
    if (!m_loaded)
        loadFromRecord();
    readChecks();
    readDescriptions();

    DeviceData& data = m_context.data();
    // An unchosen circuit or variant keeps the stored one; a pair the catalogue does not
    // have leaves the combination as it was.
    storeCircuitVariant(data, lowestChecked(m_circuitChecks), lowestChecked(m_variantChecks));

    DeviceImage& image = data.image();
    for (int c = 0; c < circuitCount; ++c)
        storeSlotText(image.labelSets[c].circuitDescription, m_circuitTexts[c]);
    for (int v = 0; v < variantCount; ++v)
        storeSlotText(image.labelSets[m_variantSet].variantDescriptions[v], m_variantTexts[v]);
}

void CUklad::selectCircuit(int circuit)
{
    // The descriptions are read first, so that text typed since the last refresh
    // survives it; the checks are the page's own (the click has already toggled the box).
    readDescriptions();
    const bool checked = !m_circuitChecks[circuit];
    m_circuitChecks.fill(false);
    m_circuitChecks[circuit] = checked;
    m_variantChecks.fill(false);
    m_variantChecks[0] = isVariantAllowed(circuit, 0);
    for (int v = 0; v < variantCount; ++v)
        m_variantBoxes[v]->setEnabled(isVariantAllowed(circuit, v));
    showState();
}

void CUklad::selectVariant(int variant)
{
    readDescriptions();
    m_variantChecks.fill(false);
    m_variantChecks[variant] = true;
    showState();
}

void CUklad::readChecks()
{
    for (int c = 0; c < circuitCount; ++c)
        m_circuitChecks[c] = m_circuitBoxes[c]->isChecked();
    for (int v = 0; v < variantCount; ++v)
        m_variantChecks[v] = m_variantBoxes[v]->isChecked();
}

void CUklad::readDescriptions()
{
    for (int c = 0; c < circuitCount; ++c)
        m_circuitTexts[c] = m_circuitEdits[c]->text();
    for (int v = 0; v < variantCount; ++v)
        m_variantTexts[v] = m_variantEdits[v]->text();
}

void CUklad::showState()
{
    for (int c = 0; c < circuitCount; ++c) {
        m_circuitBoxes[c]->setChecked(m_circuitChecks[c]);
        m_circuitEdits[c]->setText(m_circuitTexts[c]);
        m_circuitEdits[c]->setCursorPosition(0);
    }
    for (int v = 0; v < variantCount; ++v) {
        m_variantBoxes[v]->setChecked(m_variantChecks[v]);
        m_variantEdits[v]->setText(m_variantTexts[v]);
        m_variantEdits[v]->setCursorPosition(0);
    }
}
