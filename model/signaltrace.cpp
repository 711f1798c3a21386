#include "model/signaltrace.h"

#include "model/eventregister.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace SignalTrace {

namespace {

namespace ER = EventRegister;

// Positions from the newest entry back: a run before a counter restart is shifted to end
// where the next one starts. Only entries with a right check byte steer the axis (all of
// them when none has one); the others are placed between their neighbours afterwards.
void placePoints(QList<Point>& points)
{
    const bool anyValid =
        std::any_of(points.cbegin(), points.cend(), [](const Point& p) { return p.valid; });
    const auto steers = [anyValid](const Point& p) { return p.valid || !anyValid; };

    std::int64_t offset = 0;
    std::optional<std::int64_t> newer;
    // For the others: the offset and the position of the nearest newer steering point.
    std::vector<std::pair<std::int64_t, std::optional<std::int64_t>>> after(points.size());
    for (qsizetype i = points.size() - 1; i >= 0; --i) {
        Point& p = points[i];
        after[i] = {offset, newer};
        if (!steers(p))
            continue;
        p.position = p.time + offset;
        if (newer && p.position > *newer) {
            offset -= p.position - *newer;
            p.position = *newer;
        }
        newer = p.position;
    }

    std::optional<std::int64_t> older;
    for (qsizetype i = 0; i < points.size(); ++i) {
        Point& p = points[i];
        if (steers(p)) {
            older = p.position;
            continue;
        }
        const auto& [shift, next] = after[i];
        if (older && next)
            p.position = std::clamp(p.time + shift, *older, *next);
        else
            p.position = older ? *older : *next;
    }
}

} // namespace

bool Trace::changes(int signal) const
{
    const QList<Interval>& set = setIntervals[signal];
    return !set.isEmpty() &&
           !(set.size() == 1 && set.front().first == 0 && set.front().end == points.size());
}

bool Trace::isSet(int signal, int point) const
{
    return std::any_of(setIntervals[signal].cbegin(), setIntervals[signal].cend(),
                       [point](const Interval& i) { return point >= i.first && point < i.end; });
}

Trace traceOf(const DeviceImage& image)
{
    Trace trace;
    if (!ER::isComplete(image))
        return trace;
    trace.points.reserve(entryCount);
    for (int row = entryCount - 1; row >= 0; --row) {
        const int slot = ER::slotOfRow(image, row);
        const EventEntry& entry = image.entries[slot];
        trace.points.append({row, slot, ER::entryTime(image, slot), 0, ER::isEntryValid(entry),
                             ER::stateBit(entry, ER::restartBit)});
    }
    placePoints(trace.points);

    const int n = int(trace.points.size());
    for (int k = 0; k < signalCount; ++k) {
        int first = -1;
        for (int i = 0; i < n; ++i) {
            const bool set = ER::stateBit(image.entries[trace.points[i].slot], k);
            if (set && first < 0)
                first = i;
            if (!set && first >= 0) {
                trace.setIntervals[k].append({first, i});
                first = -1;
            }
        }
        if (first >= 0)
            trace.setIntervals[k].append({first, n});
    }
    return trace;
}

int pointAt(const Trace& trace, std::int64_t position)
{
    const auto after =
        std::upper_bound(trace.points.cbegin(), trace.points.cend(), position,
                         [](std::int64_t at, const Point& p) { return at < p.position; });
    return int(after - trace.points.cbegin()) - 1;
}

} // namespace SignalTrace
