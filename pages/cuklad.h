#pragma once

#include "model/deviceimage.h"
#include "pagekit/cpropertypage.h"

#include <array>

class AppContext;
class QCheckBox;
class QLineEdit;

// "Układ i wariant": the circuit and transfer variant of the settings, chosen here only
// for settings prepared offline (online the controller's DIP switch decides), and the
// descriptions of the eight circuits and of the current set's four variants.
class CUklad : public CPropertyPage {
    Q_OBJECT
public:
    explicit CUklad(AppContext& context, QWidget* parent = nullptr);

    void onSetActive() override;
    bool onKillActive() override;

    QCheckBox* circuitBox(int circuit) const { return m_circuitBoxes[circuit]; }
    QLineEdit* circuitEdit(int circuit) const { return m_circuitEdits[circuit]; }
    QCheckBox* variantBox(int variant) const { return m_variantBoxes[variant]; }
    QLineEdit* variantEdit(int variant) const { return m_variantEdits[variant]; }

private:
    void loadFromRecord();
    void storeToRecord();
    void selectCircuit(int circuit);
    void selectVariant(int variant);
    void readChecks();
    void readDescriptions();
    void showState();

    AppContext& m_context;
    std::array<QCheckBox*, circuitCount> m_circuitBoxes{};
    std::array<QLineEdit*, circuitCount> m_circuitEdits{};
    std::array<QCheckBox*, variantCount> m_variantBoxes{};
    std::array<QLineEdit*, variantCount> m_variantEdits{};

    std::array<bool, circuitCount> m_circuitChecks{};
    std::array<QString, circuitCount> m_circuitTexts;
    std::array<bool, variantCount> m_variantChecks{};
    std::array<QString, variantCount> m_variantTexts;
    // The label set the variant descriptions were loaded from; they go back there even
    // when the choice made here moves the current set to another combination.
    int m_variantSet = 0;
    bool m_online = false;
    bool m_loaded = false;
};
