#pragma once

#include "model/signaltrace.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class QPainter;

// The signal timeline drawn on any paint device: the window, a PNG or an SVG, all through
// the same code.

// How the time axis maps to the picture: the axis position at the traces' left edge and
// the seconds one pixel spans.
struct TimelineScale {
    double start = 0;
    double secondsPerPixel = 1.0;

    // x from the traces' left edge.
    double x(double position) const { return (position - start) / secondsPerPixel; }
    double positionAt(double x) const { return start + x * secondsPerPixel; }
    // The same position stays at x while the seconds per pixel change.
    TimelineScale zoomedAround(double x, double factor) const;
};

// What is drawn.
struct TimelinePicture {
    const SignalTrace::Trace& trace;
    std::array<QString, signalCount> names;
    QList<int> rows;         // signals, top to bottom
    QList<int> markedPoints; // points highlighted (rows selected in the list)
};

namespace TimelineLayout {
inline constexpr int nameWidth = 160;
inline constexpr int rowHeight = 18;
inline constexpr int axisHeight = 30;
inline constexpr int margin = 6;
} // namespace TimelineLayout

// The signals whose state changes somewhere in the register, in bit order.
QList<int> changingSignals(const SignalTrace::Trace& trace);
// Where the traces go in a picture of this size.
QRect traceArea(QSize size);
// The height that shows every row of the picture.
int timelineHeight(int rowCount);
// The whole register across the trace area's width.
TimelineScale fitScale(const SignalTrace::Trace& trace, int traceWidth);

// One path per signal row, so that an exported SVG keeps each trace as one element.
void paintTimeline(QPainter& painter, QSize size, const TimelinePicture& picture,
                   const TimelineScale& scale);

// Saves the picture as SVG or PNG, by the file name's suffix, at this scale or the whole
// register; the old file stays unless a complete picture replaces it. Returns the
// failure's text, empty on success.
QString saveTimeline(const QString& path, const TimelinePicture& picture, QSize size,
                     std::optional<TimelineScale> scale = std::nullopt);
