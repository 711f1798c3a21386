#include "events/timelineview.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace {

namespace L = TimelineLayout;

constexpr int pickDistance = 4;    // pixels from an entry that a click still takes it
constexpr double wheelStep = 1.25; // zoom of one wheel notch
constexpr double minSecondsPerPixel = 0.01;

} // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(L::nameWidth + 200, timelineHeight(4));
}

void TimelineView::setTrace(SignalTrace::Trace trace, const std::array<QString, signalCount>& names)
{
    m_trace = std::move(trace);
    m_picture.names = names;
    m_picture.markedPoints.clear();
    updateRows();
    fit();
}

void TimelineView::setOnlyChanging(bool only)
{
    m_onlyChanging = only;
    updateRows();
    update();
}

void TimelineView::updateRows()
{
    if (m_onlyChanging) {
        m_picture.rows = changingSignals(m_trace);
    } else {
        m_picture.rows.clear();
        for (int k = 0; k < signalCount; ++k)
            m_picture.rows.append(k);
    }
    setMinimumHeight(timelineHeight(int(m_picture.rows.size())));
    updateGeometry();
}

void TimelineView::setMarkedRows(const QList<int>& rows)
{
    m_picture.markedPoints.clear();
    for (int i = 0; i < m_trace.points.size(); ++i)
        if (rows.contains(m_trace.points[i].row))
            m_picture.markedPoints.append(i);
    update();
}

void TimelineView::fit()
{
    m_fitted = true;
    m_scale = fitScale(m_trace, traceArea(size()).width());
    update();
}

double TimelineView::xOf(double position) const
{
    return traceArea(size()).left() + m_scale.x(position);
}

double TimelineView::positionAt(double x) const
{
    return m_scale.positionAt(x - traceArea(size()).left());
}

int TimelineView::pointNear(double x) const
{
    const QRect area = traceArea(size());
    if (x < area.left() - pickDistance || x > area.right() + pickDistance)
        return -1;
    int best = -1;
    double bestDistance = pickDistance + 0.5;
    for (int i = 0; i < m_trace.points.size(); ++i) {
        const double d = std::abs(xOf(double(m_trace.points[i].position)) - x);
        // The newest of entries drawn at the same place: the one the list shows first.
        if (d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

QSize TimelineView::sizeHint() const
{
    return {1200, timelineHeight(int(m_picture.rows.size()))};
}

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintTimeline(painter, size(), m_picture, m_scale);
    if (m_cursorX && !m_trace.points.isEmpty())
        paintCursor(painter, *m_cursorX);
}

void TimelineView::paintCursor(QPainter& p, double x)
{
    const QRect area = traceArea(size());
    if (x < area.left() || x > area.right())
        return;
    const auto position = std::int64_t(std::floor(positionAt(x)));
    const int point = SignalTrace::pointAt(m_trace, position);
    p.setPen(QPen(Qt::darkGreen, 1));
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));

    // Before the last counter restart the axis is not the calendar: the time is approximate.
    const bool dated = point >= 0 && m_trace.points[point].position == m_trace.points[point].time;
    const QString time =
        (dated ? QString() : QStringLiteral("≈ ")) +
        QDateTime::fromSecsSinceEpoch(position, Qt::LocalTime).toString(u"yyyy-MM-dd HH:mm:ss");
    const QRectF label(x + 3, 0, p.fontMetrics().horizontalAdvance(time) + 6, L::axisHeight - 4);
    p.fillRect(label, QColor(240, 255, 240));
    p.drawText(label, Qt::AlignCenter, time);

    for (int r = 0; r < m_picture.rows.size(); ++r) {
        const QRectF box(L::nameWidth - 14, area.top() + r * L::rowHeight + 5, 8, 8);
        p.setPen(Qt::darkGreen);
        p.setBrush(point >= 0 && m_trace.isSet(m_picture.rows[r], point) ? QBrush(Qt::darkGreen)
                                                                         : QBrush());
        p.drawRect(box);
    }
}

void TimelineView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_fitted)
        fit();
}

void TimelineView::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const double x = event->position().x() - traceArea(size()).left();
    const double factor = std::pow(wheelStep, -notches);
    if (m_scale.secondsPerPixel * factor < minSecondsPerPixel)
        return;
    m_scale = m_scale.zoomedAround(x, factor);
    m_fitted = false;
    update();
    event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragFrom = event->position();
    m_dragStart = m_scale.start;
    m_dragged = false;
}

void TimelineView::mouseMoveEvent(QMouseEvent* event)
{
    m_cursorX = event->position().x();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const double dx = event->position().x() - m_dragFrom->x();
        if (m_dragged || std::abs(dx) > pickDistance) {
            m_scale.start = m_dragStart - dx * m_scale.secondsPerPixel;
            m_dragged = true;
            m_fitted = false;
        }
    }
    update();
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragFrom)
        return;
    if (!m_dragged) {
        // The entry where the button went down, whatever the hand did before it came up.
        const int point = pointNear(m_dragFrom->x());
        if (point >= 0)
            emit entryClicked(m_trace.points[point].row);
    }
    m_dragFrom.reset();
}

void TimelineView::leaveEvent(QEvent* event)
{
    m_cursorX.reset();
    update();
    QWidget::leaveEvent(event);
}
