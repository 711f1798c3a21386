#include "sim/eventsimulator.h"

#include "model/eventregister.h"

#include <algorithm>
#include <set>

namespace {

// State bits of the snapshot, as the controller numbers its signals.
enum Signal : int {
    U1Present = 0,
    W2Open = 1,
    W2Closed = 2,
    U2Absent = 3,
    LocalControl = 5,
    OvercurrentTrip = 8,
    W1Closed = 12,
    U2Present = 13,
    U1Absent = 14,
    W1Open = 15,
    W1ClosePulse = 30,
    W1OpenPulse = 31,
    W2ClosePulse = 32,
    W2OpenPulse = 33,
    TransferDone1 = 40,
    Return12 = 48,
    ReturnDone = 51,
    ManualControl = 54,
    RestartBit = 55,
};

} // namespace

EventSimulator::EventSimulator(std::uint32_t seed) : m_random(seed)
{
    set(U1Present, true);
    set(U2Present, true);
    set(W1Closed, true);
    set(W2Open, true);
}

std::uint32_t EventSimulator::uniform(std::uint32_t low, std::uint32_t high)
{
    // Plain modulo keeps the sequence the same with every standard library.
    return low + static_cast<std::uint32_t>(m_random() % (std::uint64_t(high) - low + 1));
}

std::uint32_t EventSimulator::nextGap()
{
    return uniform(600, 86400);
}

void EventSimulator::set(int bit, bool on)
{
    if (on)
        m_state |= std::uint64_t(1) << bit;
    else
        m_state &= ~(std::uint64_t(1) << bit);
}

bool EventSimulator::has(int bit) const
{
    return (m_state >> bit) & 1;
}

EventEntry EventSimulator::makeEntry(std::uint32_t counter, std::uint64_t state)
{
    EventEntry entry{};
    for (int i = 0; i < 4; ++i)
        entry.bytes[i] = static_cast<std::uint8_t>((counter >> (8 * i)) & 0xFF);
    for (int i = 0; i < 7; ++i)
        entry.bytes[4 + i] = static_cast<std::uint8_t>((state >> (8 * i)) & 0xFF);
    entry.bytes[11] = EventRegister::checkByte(entry);
    return entry;
}

void EventSimulator::snapshot(std::uint32_t counter)
{
    m_out.push_back(makeEntry(counter, m_state));
}

void EventSimulator::transferToReserve(std::uint32_t t)
{
    t += uniform(2, 10); // start delay after the loss
    set(W1OpenPulse, true);
    snapshot(t);
    set(W1OpenPulse, false);
    set(W1Closed, false);
    set(W1Open, true);
    snapshot(t + 1);
    set(W2ClosePulse, true);
    snapshot(t + 2);
    set(W2ClosePulse, false);
    set(W2Open, false);
    set(W2Closed, true);
    set(TransferDone1, true);
    snapshot(t + 3);
}

void EventSimulator::returnToMain(std::uint32_t t)
{
    set(W2OpenPulse, true);
    set(Return12, true);
    snapshot(t);
    set(W2OpenPulse, false);
    set(W2Closed, false);
    set(W2Open, true);
    set(W1ClosePulse, true);
    snapshot(t + 1);
    set(W1ClosePulse, false);
    set(W1Open, false);
    set(W1Closed, true);
    set(TransferDone1, false);
    set(Return12, false);
    set(ReturnDone, true);
    snapshot(t + 2);
    set(ReturnDone, false);
}

std::vector<EventEntry> EventSimulator::nextIncident(std::uint32_t t)
{
    m_out.clear();
    const bool u1Lost = has(U1Absent);
    const bool u2Lost = has(U2Absent);
    const bool onReserve = has(W2Closed);
    const bool manual = has(ManualControl);
    const bool tripped = has(OvercurrentTrip);

    // An abnormal state usually ends before anything else happens.
    if ((u1Lost || u2Lost || manual || tripped) && uniform(0, 9) < 7) {
        if (u1Lost) {
            set(U1Absent, false);
            set(U1Present, true);
            snapshot(t);
            if (onReserve)
                returnToMain(t + uniform(20, 120));
        } else if (u2Lost) {
            set(U2Absent, false);
            set(U2Present, true);
            snapshot(t);
        } else if (tripped) {
            set(OvercurrentTrip, false);
            snapshot(t);
            set(W1ClosePulse, true);
            snapshot(t + uniform(30, 300));
            set(W1ClosePulse, false);
            set(W1Open, false);
            set(W1Closed, true);
            snapshot(EventRegister::counter(m_out.back()) + 1);
        } else {
            set(ManualControl, false);
            snapshot(t);
        }
        return m_out;
    }

    const std::uint32_t pick = uniform(0, 99);
    if (pick < 35 && !u1Lost && !onReserve) {
        // Loss of the main supply; transfer unless the reserve is gone or manual.
        set(U1Present, false);
        set(U1Absent, true);
        snapshot(t);
        if (!u2Lost && !manual && !tripped)
            transferToReserve(t);
    } else if (pick < 55 && !u1Lost) {
        // A dip shorter than the start delay: no transfer.
        set(U1Present, false);
        set(U1Absent, true);
        snapshot(t);
        set(U1Absent, false);
        set(U1Present, true);
        snapshot(t + uniform(1, 2));
    } else if (pick < 70 && !u2Lost) {
        set(U2Present, false);
        set(U2Absent, true);
        snapshot(t);
    } else if (pick < 80 && !manual) {
        set(ManualControl, true);
        snapshot(t);
    } else if (pick < 86 && !tripped && !onReserve && has(W1Closed)) {
        set(OvercurrentTrip, true);
        set(W1OpenPulse, true);
        snapshot(t);
        set(W1OpenPulse, false);
        set(W1Closed, false);
        set(W1Open, true);
        snapshot(t + 1);
    } else if (pick < 90) {
        set(LocalControl, !has(LocalControl));
        snapshot(t);
    } else {
        // A power cycle of the controller: one snapshot with the restart bit.
        m_out.push_back(makeEntry(t, m_state | (std::uint64_t(1) << RestartBit)));
    }
    return m_out;
}

SeededRegister seedRegister(EventSimulator& simulator, int count, int badChecks,
                            std::uint32_t endCounter)
{
    std::vector<EventEntry> history;
    std::uint32_t t = 0;
    while (int(history.size()) < count) {
        for (const EventEntry& entry : simulator.nextIncident(t))
            history.push_back(entry);
        t = EventRegister::counter(history.back()) + simulator.nextGap();
    }
    history.resize(std::size_t(std::max(count, 0)));

    // Shift the history so it ends a little before now; squeeze it when the counter is
    // younger than the history.
    const std::uint32_t last = history.empty() ? 0 : EventRegister::counter(history.back());
    const std::uint32_t margin = std::min<std::uint32_t>(endCounter, 900);
    const std::uint32_t room = endCounter - margin;
    const double scale = last > room ? double(room) / double(last) : 1.0;
    const std::uint32_t offset = last > room ? 0 : room - last;
    SeededRegister seeded;
    for (std::size_t i = 0; i < history.size(); ++i) {
        EventEntry entry = history[i];
        const auto counter =
            static_cast<std::uint32_t>(double(EventRegister::counter(entry)) * scale + offset);
        std::uint64_t state = 0;
        for (int b = 0; b < 7; ++b)
            state |= std::uint64_t(entry.bytes[4 + b]) << (8 * b);
        seeded.entries[i % entryCount] = EventSimulator::makeEntry(counter, state);
    }
    seeded.writePosition = static_cast<std::uint8_t>(history.size() % entryCount);

    // Spoil the check byte of a few entries still held in the ring.
    const int held = std::min<int>(int(history.size()), entryCount);
    std::set<int> spoiled;
    while (int(spoiled.size()) < std::min(badChecks, held))
        spoiled.insert(int(simulator.uniform(0, std::uint32_t(held - 1))));
    for (int slot : spoiled)
        seeded.entries[slot].bytes[11] ^= static_cast<std::uint8_t>(simulator.uniform(1, 255));
    return seeded;
}
