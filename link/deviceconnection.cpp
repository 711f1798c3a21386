#include "link/deviceconnection.h"

#include "model/settingsrecord.h"

DeviceConnection::DeviceConnection(const QString& portName, const QString& labelsDirectory,
                                   const LogSink& log)
    : labels(data, labelsDirectory, log), link(data, labels, line, log)
{
    // As the communication page is created: default settings, the labels of code 20.
    SettingsRecord::applyDefaults(data);
    labels.setLabelFileCode(LabelStore::startCode);
    link.setSelectedPort(portName);
}

QList<SettingsDiff::Difference> DeviceConnection::settingsDifferences() const
{
    const auto& device = link.deviceSettings();
    if (!device)
        return {};
    const DeviceImage& image = data.image();
    return SettingsDiff::differences(image.settings, image.combinationIndex, device->image,
                                     device->combination, data.currentLabelSet(),
                                     data.currentFlagOutputSet());
}
