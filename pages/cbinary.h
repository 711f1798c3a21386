#pragma once

#include "model/deviceimage.h"
#include "pagekit/cpropertypage.h"

#include <array>

class AppContext;
class QCheckBox;
class QLineEdit;

// "Program działania": the 24 program flags and the 8 programmable-output bits, each a
// box with the editable name of its slot in the current flag and output label set.
// A slot without a name marks a bit the combination does not have.
class CBinary : public CPropertyPage {
    Q_OBJECT
public:
    explicit CBinary(AppContext& context, QWidget* parent = nullptr);

    void onSetActive() override;
    bool onKillActive() override;

    // Slots 0..23 are the program flags, 24..31 the outputs.
    QCheckBox* bitBox(int slot) const { return m_boxes[slot]; }
    QLineEdit* nameEdit(int slot) const { return m_nameEdits[slot]; }

private:
    void loadFromRecord();
    void storeToRecord();
    void selectOutput(int output);
    void readControls();
    void showState();

    AppContext& m_context;
    std::array<QCheckBox*, flagOutputSlotCount> m_boxes{};
    std::array<QLineEdit*, flagOutputSlotCount> m_nameEdits{};

    std::array<bool, flagCount> m_flags{};
    std::array<bool, outputCount> m_outputs{};
    std::array<QString, flagOutputSlotCount> m_bitNames;
    bool m_loaded = false;
};
