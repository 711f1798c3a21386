// bench_eventregister: the texts of all 256 rows of the events list, as the list and
// the printout ask for them. Prints QtTest's figures per full list.

#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QTest>

using namespace EventRegister;

namespace {

EventEntry makeEntry(std::uint32_t counter, const QList<int>& bits)
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
    e.bytes[11] = checkByte(e);
    return e;
}

} // namespace

class BenchEventRegister : public QObject {
    Q_OBJECT

private slots:
    void listTexts();
};

void BenchEventRegister::listTexts()
{
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    LabelStore(data, QString(), {}).defaultFill();
    DeviceImage& image = data.image();
    image.timeBase = 1425715000u;
    // Two signals change in every entry.
    for (int s = 0; s < 256; ++s)
        image.entries[s] = makeEntry(s * 60u, {s % 56, (s * 7) % 55});
    qsizetype characters = 0;
    QBENCHMARK
    {
        characters = 0;
        for (int r = 0; r < 256; ++r) {
            const int s = slotOfRow(image, r);
            characters += rowNumberText(image, r).size() + timeText(image, s).size() +
                          counterText(image, s).size() + eventText(image, s).size();
        }
    }
    // The work cannot be optimised away, and an empty list would measure nothing.
    QVERIFY(characters > 256 * 10);
}

QTEST_GUILESS_MAIN(BenchEventRegister)
#include "bench_eventregister.moc"
