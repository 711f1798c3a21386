#pragma once

#include "model/deviceimage.h"
#include "pagekit/cpropertypage.h"

#include <array>

class AppContext;
class QLineEdit;

// "Nastawy czasów": the eight time settings of the record with their units and the
// descriptions of the current label set.
class Canalog : public CPropertyPage {
    Q_OBJECT
public:
    explicit Canalog(AppContext& context, QWidget* parent = nullptr);

    void onSetActive() override;
    bool onKillActive() override;

    QLineEdit* valueEdit(int row) const { return m_valueEdits[row]; }
    QLineEdit* unitEdit(int row) const { return m_unitEdits[row]; }
    QLineEdit* descriptionEdit(int row) const { return m_descriptionEdits[row]; }

private:
    void loadFromRecord();
    // Returns false when an entry was refused; the page then stays active.
    bool storeToRecord();
    void showRow(int row);
    void showDescriptions();

    AppContext& m_context;
    std::array<QLineEdit*, timeRowCount> m_valueEdits{};
    std::array<QLineEdit*, timeRowCount> m_unitEdits{};
    std::array<QLineEdit*, timeRowCount> m_descriptionEdits{};

    // Held in double precision: a single-precision 0.7 s would store 600 ms.
    std::array<double, timeRowCount> m_values{};
    std::array<QString, timeRowCount> m_units;
    std::array<QString, timeRowCount> m_descriptions;
    bool m_loaded = false;
};
