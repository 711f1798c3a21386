#include "model/devicedata.h"

DeviceData::DeviceData() : m_image(std::make_unique<DeviceImage>()) {}

void DeviceData::selectLabelSets(unsigned combination)
{
    if (combination >= combinationCount)
        return;
    m_labelSet = static_cast<int>(combination);
    m_flagOutputSet = static_cast<int>(combination);
}

void DeviceData::selectLabelSet(unsigned combination)
{
    if (combination >= combinationCount)
        return;
    m_labelSet = static_cast<int>(combination);
}
