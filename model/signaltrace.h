#pragma once

#include "model/deviceimage.h"

#include <QList>
#include <array>
#include <cstdint>

// The held register as the signals' traces over time: what the timeline draws and its
// export writes.
namespace SignalTrace {

struct Point {
    int row = 0; // the events list's row, 0 the newest
    int slot = 0;
    std::int32_t time = 0; // the entry's date as the list shows it
    // Seconds on the time axis, never decreasing from one point to the next. Equal to the
    // date after the last counter restart; entries before one keep their spacing but are
    // moved to end where the next run starts, since the length of the gap is not recorded.
    // An entry with a wrong check byte lies between its neighbours.
    std::int64_t position = 0;
    bool valid = true;    // check byte right
    bool restart = false; // the restart bit
};

// Points first .. end-1 have the signal set; end is the point that clears it, or the
// number of points when it is still set in the newest entry.
struct Interval {
    int first = 0;
    int end = 0;
    friend bool operator==(const Interval&, const Interval&) = default;
};

struct Trace {
    QList<Point> points; // oldest first; none while no register is held
    std::array<QList<Interval>, signalCount> setIntervals;

    // Set in some entries and clear in others.
    bool changes(int signal) const;
    bool isSet(int signal, int point) const;
};

Trace traceOf(const DeviceImage& image);

// The newest point at or before an axis position: the entry whose states hold then; -1
// before the first.
int pointAt(const Trace& trace, std::int64_t position);

} // namespace SignalTrace
