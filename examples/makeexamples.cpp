// Writes the example files of examples/: a settings file, an events file and the label
// file they name. The output depends on nothing but this program, so running it again
// reproduces the committed files byte for byte:
//     build/examples/tavrel-makeexamples examples

#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstring>
#include <vector>

namespace {

// An installation with two mains feeds, a bus coupler and a generator set (circuit 7,
// variant A), label file code 22.
constexpr unsigned combination = 5;
constexpr quint8 labelFileCode = 22;
constexpr quint16 factoryNumber = 1207;

// Signals of the default names used by the register below.
enum Signal {
    U1Present = 0,
    W2Open = 1,
    W2Closed = 2,
    U2Absent = 3,
    LocalControl = 5,
    W3Open = 9,
    W1Closed = 12,
    U2Present = 13,
    U1Absent = 14,
    W1Open = 15,
    W3Closed = 22,
    Ready1 = 24,
    Ready2 = 26,
    Ready3 = 28,
    W1PulseOn = 30,
    W1PulseOff = 31,
    W2PulseOn = 32,
    W2PulseOff = 33,
    W3PulseOn = 34,
    W3PulseOff = 35,
    GeneratorPulseOn = 38,
    Transfer1 = 40,
    Transfer2 = 41,
    ManualControl = 54,
    Restart = 55,
};

void nameFlagsAndOutputs(DeviceImage& image)
{
    const char* const flags[flagCount] = {"Zezwolenie na SZR",
                                          "Zezwolenie na PPZ",
                                          "Zezwolenie na SPP",
                                          "Zezwolenie na AZZ",
                                          "Blok. po pr. SZR i AZZ",
                                          "Blok. po npr. SZR i AZZ",
                                          "",
                                          "",
                                          "Odciążanie toru 1",
                                          "Odciążanie toru 2",
                                          "Odciążanie toru 3",
                                          "Odciążanie toru 4",
                                          "Powrót automatyczny",
                                          "Praca z agregatem",
                                          "",
                                          "",
                                          "",
                                          "",
                                          "",
                                          "",
                                          "",
                                          "",
                                          "",
                                          ""};
    const char* const outputs[outputCount] = {
        "Alarm zbiorczy", "Praca z agregatu", "Gotowość SZR", "", "", "", "", ""};
    for (FlagOutputLabelSet& set : image.flagOutputLabelSets) {
        for (int k = 0; k < flagCount; ++k)
            setSlotText(set.names[k], QString::fromUtf8(flags[k]));
        for (int k = 0; k < outputCount; ++k)
            setSlotText(set.names[flagCount + k], QString::fromUtf8(outputs[k]));
    }
}

void setSettings(DeviceData& data)
{
    const SettingsImage settings = {{0x00, 0x00, 0x00, 0x02, 0x51, 0xAE, 0x1F, 0x0D, 0x10, 0x8D,
                                     0x9A, 0x1B, 0x13, 0x09, 0x00, 0x45}};
    data.image().settings = settings;
    data.image().factoryNumber = factoryNumber;
    Catalogue::selectCombination(data, combination);
}

// Builds the controller's register entry by entry, as its ring would hold it.
class RegisterWriter {
public:
    explicit RegisterWriter(quint32 counter) : m_counter(counter)
    {
        for (Signal s : {U1Present, U2Present, W1Closed, W2Closed, W3Open, Ready1, Ready2, Ready3})
            set(s, true);
    }

    void set(Signal s, bool on)
    {
        const quint8 mask = quint8(1u << (s % 8));
        m_state[s / 8] = on ? quint8(m_state[s / 8] | mask) : quint8(m_state[s / 8] & ~mask);
    }
    void record(quint32 seconds)
    {
        m_counter += seconds;
        EventEntry entry;
        for (int i = 0; i < 4; ++i)
            entry.bytes[i] = quint8(m_counter >> (8 * i));
        std::memcpy(entry.bytes + 4, m_state, sizeof m_state);
        entry.bytes[11] = EventRegister::checkByte(entry);
        m_entries.push_back(entry);
    }
    // The controller's counter starts again from zero after a restart.
    void restart(quint32 seconds)
    {
        m_counter = 0;
        set(Restart, true);
        record(seconds);
        set(Restart, false);
    }
    void pulse(Signal pulse, Signal from, Signal to)
    {
        set(pulse, true);
        record(1);
        set(pulse, false);
        set(from, false);
        set(to, true);
        record(1);
    }

    quint32 counter() const { return m_counter; }
    std::vector<EventEntry>& entries() { return m_entries; }

private:
    quint8 m_state[7] = {};
    quint32 m_counter;
    std::vector<EventEntry> m_entries;
};

// Supply 1 fails and the coupler takes its load, then supply 1 returns.
void transferAndReturn(RegisterWriter& r, quint32 gap, quint32 outage)
{
    r.set(U1Present, false);
    r.set(U1Absent, true);
    r.record(gap);
    r.pulse(W1PulseOff, W1Closed, W1Open);
    r.set(Transfer1, true);
    r.pulse(W3PulseOn, W3Open, W3Closed);
    r.set(U1Absent, false);
    r.set(U1Present, true);
    r.record(outage);
    r.pulse(W3PulseOff, W3Closed, W3Open);
    r.set(Transfer1, false);
    r.pulse(W1PulseOn, W1Open, W1Closed);
}

// Both supplies fail; the generator set is started and supply 2 returns first.
void generatorRun(RegisterWriter& r, quint32 gap)
{
    r.set(U1Present, false);
    r.set(U1Absent, true);
    r.record(gap);
    r.set(U2Present, false);
    r.set(U2Absent, true);
    r.record(2);
    r.set(Transfer2, true);
    r.pulse(W2PulseOff, W2Closed, W2Open);
    r.set(GeneratorPulseOn, true);
    r.record(1);
    r.set(GeneratorPulseOn, false);
    r.set(U2Absent, false);
    r.set(U2Present, true);
    r.record(1800);
    r.set(Transfer2, false);
    r.pulse(W2PulseOn, W2Open, W2Closed);
    r.set(U1Absent, false);
    r.set(U1Present, true);
    r.record(600);
}

void serviceVisit(RegisterWriter& r, quint32 gap)
{
    r.set(LocalControl, true);
    r.record(gap);
    r.set(ManualControl, true);
    r.record(120);
    r.set(ManualControl, false);
    r.record(900);
    r.set(LocalControl, false);
    r.record(60);
}

void setRegister(DeviceData& data)
{
    // Some 58 days of operation before the history below begins.
    RegisterWriter r(5'000'000);
    quint32 seed = 12345;
    const auto next = [&seed](quint32 range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int incident = 0; incident < 30; ++incident) {
        const quint32 gap = 20'000 + next(200'000);
        if (incident % 7 == 3)
            generatorRun(r, gap);
        else if (incident % 5 == 4)
            serviceVisit(r, gap);
        else
            transferAndReturn(r, gap, 30 + next(900));
    }
    // A power failure restarts the controller; its counter starts again.
    r.restart(4);
    transferAndReturn(r, 3'600, 120);
    serviceVisit(r, 86'400);

    std::vector<EventEntry>& entries = r.entries();
    // A stored entry whose check byte was damaged.
    entries[entries.size() - 40].bytes[11] ^= 0x10;

    DeviceImage& image = data.image();
    for (std::size_t i = 0; i < entries.size(); ++i)
        image.entries[i % entryCount] = entries[i];
    image.writePosition = quint8(entries.size() % entryCount);
    image.liveWritePosition = image.writePosition;
    // The register was read 10 minutes after its last entry, on 2026-11-20 at 14:32 local
    // time; the time base is fixed from the counter at that moment.
    const quint32 readAt = 1'795'181'520; // 2026-11-20 13:32:00 UTC
    image.timeBase = readAt - (r.counter() + 600);
    image.registerFactoryNumber = factoryNumber;
    image.deviceCombination = combination;
    image.readIndex = EventRegister::complete;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        err << "Usage: tavrel-makeexamples DIR\n";
        return 2;
    }
    const QDir dir(arguments[1]);
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        err << "Cannot create " << dir.path() << '\n';
        return 1;
    }
    const LogSink quiet = [](const QString&) {};

    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore labels(data, dir.path(), quiet);
    labels.setLabelFileCode(labelFileCode);
    labels.defaultFill(); // whatever an earlier run left in the directory
    nameFlagsAndOutputs(data.image());
    setSettings(data);
    setRegister(data);

    const bool saved =
        labels.saveLabelFile() &&
        saveSettingsFile(dir.filePath(QStringLiteral("settings.nst")), data, labelFileCode,
                         quiet) == FileStatus::Ok &&
        saveEventsFile(dir.filePath(QStringLiteral("events.rzd")), data, quiet) == FileStatus::Ok;
    if (!saved) {
        err << "Cannot write the examples into " << dir.path() << '\n';
        return 1;
    }
    return 0;
}
