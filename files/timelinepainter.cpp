#include "files/timelinepainter.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace {

namespace L = TimelineLayout;

constexpr QColor background(255, 255, 255);
constexpr QColor gridColour(225, 225, 225);
constexpr QColor traceColour(0, 70, 160);
constexpr QColor restartColour(200, 0, 0);
constexpr QColor badCheckColour(230, 120, 0);
constexpr QColor markColour(255, 230, 120);

// Tick steps of the time axis, in seconds.
constexpr std::int64_t tickSteps[] = {1,     2,     5,     10,     30,     60,
                                      120,   300,   600,   1800,   3600,   7200,
                                      21600, 43200, 86400, 172800, 604800, 2592000};

std::int64_t tickStep(double secondsPerPixel)
{
    // At least 110 pixels between labels.
    for (std::int64_t step : tickSteps)
        if (double(step) / secondsPerPixel >= 110)
            return step;
    return tickSteps[std::size(tickSteps) - 1];
}

QString tickText(std::int64_t position, std::int64_t step)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(position, Qt::LocalTime);
    return t.toString(step < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

void paintAxis(QPainter& p, const QRect& area, const TimelineScale& scale)
{
    const std::int64_t step = tickStep(scale.secondsPerPixel);
    const double last = scale.positionAt(area.width());
    // Ticks on round local times (midnight, whole hours), with the zone's offset at the start.
    const auto first = std::int64_t(std::floor(scale.start));
    const std::int64_t local =
        first + QDateTime::fromSecsSinceEpoch(first, Qt::LocalTime).offsetFromUtc();
    for (std::int64_t tick = first - (local % step + step) % step; tick <= last; tick += step) {
        const double x = area.left() + scale.x(double(tick));
        if (x < area.left())
            continue;
        p.setPen(gridColour);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 2, L::margin + p.fontMetrics().ascent()), tickText(tick, step));
    }
}

} // namespace

TimelineScale TimelineScale::zoomedAround(double x, double factor) const
{
    TimelineScale zoomed;
    zoomed.secondsPerPixel = secondsPerPixel * factor;
    zoomed.start = start + x * secondsPerPixel - x * zoomed.secondsPerPixel;
    return zoomed;
}

QList<int> changingSignals(const SignalTrace::Trace& trace)
{
    QList<int> rows;
    for (int k = 0; k < signalCount; ++k)
        if (trace.changes(k))
            rows.append(k);
    return rows;
}

QRect traceArea(QSize size)
{
    return QRect(L::nameWidth, L::axisHeight, std::max(1, size.width() - L::nameWidth - L::margin),
                 std::max(1, size.height() - L::axisHeight - L::margin));
}

int timelineHeight(int rowCount)
{
    return L::axisHeight + rowCount * L::rowHeight + L::margin;
}

TimelineScale fitScale(const SignalTrace::Trace& trace, int traceWidth)
{
    if (trace.points.isEmpty())
        return {};
    const std::int64_t start = trace.points.front().position;
    const std::int64_t span = trace.points.back().position - start;
    return {double(start), span > 0 ? double(span) / std::max(1, traceWidth) : 1.0};
}

void paintTimeline(QPainter& p, QSize size, const TimelinePicture& picture,
                   const TimelineScale& scale)
{
    const QRect area = traceArea(size);
    const QList<SignalTrace::Point>& points = picture.trace.points;
    p.fillRect(QRect(QPoint(0, 0), size), background);
    if (points.isEmpty())
        return;
    const auto xOf = [&](int point) {
        return area.left() + scale.x(double(points[point].position));
    };

    p.save();
    p.setClipRect(area);
    for (int i : picture.markedPoints)
        if (i >= 0 && i < points.size())
            p.fillRect(QRectF(xOf(i) - 2, area.top(), 5, area.height()), markColour);
    p.restore();
    paintAxis(p, area, scale);

    for (int r = 0; r < picture.rows.size(); ++r) {
        const int k = picture.rows[r];
        const int top = area.top() + r * L::rowHeight;
        const double high = top + 3, low = top + L::rowHeight - 4;
        p.setPen(Qt::black);
        p.drawText(QRect(L::margin, top, L::nameWidth - 2 * L::margin, L::rowHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, picture.names[k]);

        // High while set: up at each interval's first point, down at its end.
        QPainterPath path;
        bool set = picture.trace.isSet(k, 0);
        path.moveTo(xOf(0), set ? high : low);
        for (const SignalTrace::Interval& i : picture.trace.setIntervals[k]) {
            for (const auto& [point, up] : {std::pair{i.first, true}, std::pair{i.end, false}}) {
                if (point <= 0 || point >= points.size() || set == up)
                    continue;
                path.lineTo(xOf(point), set ? high : low);
                path.lineTo(xOf(point), up ? high : low);
                set = up;
            }
        }
        path.lineTo(xOf(int(points.size()) - 1), set ? high : low);
        p.save();
        p.setClipRect(area);
        p.setPen(QPen(traceColour, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.restore();
    }

    p.save();
    p.setClipRect(area);
    for (int i = 0; i < points.size(); ++i) {
        if (points[i].restart) {
            p.setPen(QPen(restartColour, 1, Qt::DashLine));
            p.drawLine(QPointF(xOf(i), area.top()), QPointF(xOf(i), area.bottom()));
        }
        if (!points[i].valid)
            p.fillRect(QRectF(xOf(i) - 3, area.top(), 6, 6), badCheckColour);
    }
    p.restore();
}

QString saveTimeline(const QString& path, const TimelinePicture& picture, QSize size,
                     std::optional<TimelineScale> shownScale)
{
    const TimelineScale scale =
        shownScale ? *shownScale : fitScale(picture.trace, traceArea(size).width());
    const bool svg =
        QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        QPainter painter(&generator);
        paintTimeline(painter, size, picture, scale);
    } else {
        QImage image(size, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            paintTimeline(painter, size, picture, scale);
        }
        if (!image.save(&buffer, "PNG"))
            return QStringLiteral("%1: the picture could not be encoded").arg(path);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return {};
}
