#pragma once

#include "model/deviceimage.h"

#include <QList>
#include <QString>

// The fields in which two settings records differ, named as the pages and the printout
// name them: time rows with value and unit, program flags and programmable outputs by
// their label names, the RS-485 address and line parameters, reserved bytes, combination.
namespace SettingsDiff {

struct Difference {
    QString name;
    QString held;   // the tool's record
    QString device; // the controller's
};

enum class Scope {
    Everything,    // what a compare looks at: all 16 bytes and the combination
    SettingsWrite, // what the settings write would change: registers 0..6
    Stored,        // what the controller keeps of a settings write: registers 1..6
};

// In the order time rows, flags, outputs, RS-485, reserved bytes, combination. Names come
// from the label sets given (those of the held combination).
QList<Difference> differences(const SettingsImage& held, unsigned heldCombination,
                              const SettingsImage& device, unsigned deviceCombination,
                              const LabelSet& labels, const FlagOutputLabelSet& names,
                              Scope scope = Scope::Everything);

} // namespace SettingsDiff
