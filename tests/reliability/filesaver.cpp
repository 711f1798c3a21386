// Saves one file the way the tool does, for tests that must run the save in a process of
// its own: one that is killed in the middle, runs as another user or under a file size
// limit. Prints what the tool would show or log, and exits with the FileStatus (0: saved).
//   filesaver settings|events PATH VARIANT [--loop]
//   filesaver labels DIRECTORY VARIANT [--loop]
// VARIANT (0..255) fills the data with that byte, so each save is told apart by its bytes;
// --loop saves VARIANT and VARIANT + 1 alternately until the process is killed.
#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstring>

namespace {

void fill(DeviceData& data, std::uint8_t variant)
{
    DeviceImage& image = data.image();
    std::memset(image.settings.bytes, variant, sizeof image.settings.bytes);
    image.combinationIndex = variant % combinationCount;
    image.factoryNumber = variant;
    std::memset(image.entries, variant, sizeof image.entries);
    image.writePosition = variant;
    image.registerFactoryNumber = variant;
    image.deviceCombination = variant % combinationCount;
    std::memset(image.labelSets, variant, labelAreaSize);
}

int save(const QString& kind, const QString& target, std::uint8_t variant, bool quiet)
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    fill(data, variant);
    QTextStream out(stdout);
    const LogSink log = [&out, quiet](const QString& line) {
        if (!quiet)
            out << "log: " << line << Qt::endl;
    };
    if (kind == QLatin1String("labels")) {
        LabelStore labels(data, target, log);
        return labels.saveLabelFile() ? 0 : int(FileStatus::WriteFailed);
    }
    FileStatus status = FileStatus::WriteFailed;
    QString message;
    if (kind == QLatin1String("settings")) {
        status = saveSettingsFile(target, data, 20, log);
        message = settingsFileMessage(status);
    } else {
        status = saveEventsFile(target, data, log);
        message = eventsFileMessage(status);
    }
    if (status != FileStatus::Ok && !quiet)
        out << "message: " << message << Qt::endl;
    return int(status);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 64;
    const QString& kind = args[1];
    const auto variant = std::uint8_t(args[3].toUInt());
    if (args.size() > 4 && args[4] == QLatin1String("--loop")) {
        // Tells the test that the saves begin, so that its kill lands among them.
        save(kind, args[2], variant, true);
        QTextStream(stdout) << "saving" << Qt::endl;
        for (unsigned n = 0;; ++n)
            save(kind, args[2], std::uint8_t(variant + n % 2), true);
    }
    return save(kind, args[2], variant, false);
}
