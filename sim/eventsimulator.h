#pragma once

#include "sim/simcontroller.h"

#include <cstdint>
#include <random>
#include <vector>

// A switchgear on two mains supplies (circuit 1) as its controller records it: supply
// losses and dips, transfers to the reserve and back, breaker trips, manual operation,
// restarts. Each incident becomes the snapshots the controller would write.
class EventSimulator {
public:
    explicit EventSimulator(std::uint32_t seed);

    // One incident, 1 to 6 snapshots with rising counters, the first at `counter`.
    std::vector<EventEntry> nextIncident(std::uint32_t counter);
    // Seconds from one incident to the next: ten minutes to a day.
    std::uint32_t nextGap();
    // A number in [low, high].
    std::uint32_t uniform(std::uint32_t low, std::uint32_t high);

    std::uint64_t state() const { return m_state; }

    static EventEntry makeEntry(std::uint32_t counter, std::uint64_t state);

private:
    void snapshot(std::uint32_t counter);
    void set(int bit, bool on);
    bool has(int bit) const;
    void transferToReserve(std::uint32_t t);
    void returnToMain(std::uint32_t t);

    std::mt19937 m_random;
    std::uint64_t m_state = 0;
    std::vector<EventEntry> m_out;
};

struct SeededRegister {
    EventRegisterEntries entries{};
    std::uint8_t writePosition = 0;
};

// `count` entries of history ending shortly before `endCounter` (the ring wraps past 256),
// `badChecks` of the entries held with a wrong check byte. Slots never written stay zero.
SeededRegister seedRegister(EventSimulator& simulator, int count, int badChecks,
                            std::uint32_t endCounter);
