#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <random>

// Line and controller faults to inject. Every N counts the replies that faults apply to:
// those of the open link, or all of them with `duringConnect`.
struct FaultConfig {
    int dropEvery = 0;
    int corruptEvery = 0;
    int garbageEvery = 0;
    bool garbageAfter = false; // garbage after the reply instead of before it
    int exceptionEvery = 0;
    std::uint8_t exceptionCode = 0x04;
    int stopAfter = 0; // replies; 0 = never stop answering
    int delayMs = 0;
    bool duringConnect = false;
    // A controller that refuses what it should answer: every status poll, or the event
    // blocks after the first N (-1: none refused).
    bool refuseStatus = false;
    int refuseEventsAfter = -1;

    bool any() const
    {
        return dropEvery || corruptEvery || garbageEvery || exceptionEvery || stopAfter ||
               delayMs || refuseStatus || refuseEventsAfter >= 0;
    }
};

// What becomes of one reply: the bytes to send (empty: nothing is sent) and after how long.
struct ReplyPlan {
    QByteArray bytes;
    int delayMs = 0;
    QString note; // the faults applied, for the log; empty when none
};

class FaultPlan {
public:
    explicit FaultPlan(const FaultConfig& config, std::uint32_t seed = 1);

    // `reply` is a whole frame with its CRC answering `request`; `onLink` tells whether
    // the request came on the open link.
    ReplyPlan apply(const QByteArray& reply, bool onLink, const QByteArray& request = {});
    int counted() const { return m_counted; }

private:
    QByteArray garbage();

    FaultConfig m_config;
    std::mt19937 m_random;
    int m_counted = 0;
    int m_eventBlocks = 0;
};
