#pragma once

#include "model/deviceimage.h"

#include <memory>

// The data the main frame owns: the device image, the two current label sets and
// the flag that settings are present. Everything that edits the device data gets a
// reference to the one instance.
class DeviceData {
public:
    DeviceData();

    DeviceImage& image() { return *m_image; }
    const DeviceImage& image() const { return *m_image; }

    LabelSet& currentLabelSet() { return m_image->labelSets[m_labelSet]; }
    const LabelSet& currentLabelSet() const { return m_image->labelSets[m_labelSet]; }
    FlagOutputLabelSet& currentFlagOutputSet()
    {
        return m_image->flagOutputLabelSets[m_flagOutputSet];
    }
    const FlagOutputLabelSet& currentFlagOutputSet() const
    {
        return m_image->flagOutputLabelSets[m_flagOutputSet];
    }
    int currentLabelSetIndex() const { return m_labelSet; }
    int currentFlagOutputSetIndex() const { return m_flagOutputSet; }

    // Moves both current sets to a combination (values above 15 are ignored).
    void selectLabelSets(unsigned combination);
    // Moves only the label set, as the probe answer of the connection does.
    void selectLabelSet(unsigned combination);

    bool settingsValid = false;

private:
    std::unique_ptr<DeviceImage> m_image;
    int m_labelSet = 0;
    int m_flagOutputSet = 0;
};
