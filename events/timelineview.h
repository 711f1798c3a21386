#pragma once

#include "files/timelinepainter.h"
#include "model/signaltrace.h"

#include <QWidget>
#include <optional>

// The signal timeline on screen: the wheel zooms around the pointer, dragging pans, a
// cursor line follows the pointer with its time and the states then, and a click on an
// entry reports the events list's row of it.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    explicit TimelineView(QWidget* parent = nullptr);

    // A new register (or none: an empty trace); the whole of it is shown.
    void setTrace(SignalTrace::Trace trace, const std::array<QString, signalCount>& names);
    void setOnlyChanging(bool only);
    // Marks the entries of these list rows.
    void setMarkedRows(const QList<int>& rows);
    void fit();

    const TimelineScale& scale() const { return m_scale; }
    const SignalTrace::Trace& trace() const { return m_trace; }
    const TimelinePicture& picture() const { return m_picture; }
    QList<int> shownSignals() const { return m_picture.rows; }
    // x in the widget of an axis position, and back.
    double xOf(double position) const;
    double positionAt(double x) const;
    // The point drawn within a few pixels of x, or -1.
    int pointNear(double x) const;

    QSize sizeHint() const override;

signals:
    void entryClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateRows();
    void paintCursor(QPainter& painter, double x);

    SignalTrace::Trace m_trace;
    TimelinePicture m_picture{m_trace, {}, {}, {}};
    TimelineScale m_scale;
    bool m_onlyChanging = true;
    bool m_fitted = true; // follows the width until zoomed or panned
    std::optional<double> m_cursorX;
    std::optional<QPointF> m_dragFrom;
    double m_dragStart = 0; // the scale's start when the button went down
    bool m_dragged = false;
};
