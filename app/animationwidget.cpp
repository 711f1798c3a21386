#include "app/animationwidget.h"

#include "resources/resources.h"

#include <QPainter>
#include <QTimerEvent>
#include <algorithm>

AnimationClip linkClip()
{
    return {QStringLiteral(":/clips/150.bmp"), QSize(34, 34), 4, 400};
}

AnimationClip idleClip()
{
    return {QStringLiteral(":/clips/152.bmp"), QSize(50, 50), 62, 60};
}

AnimationWidget::AnimationWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool AnimationWidget::open(const AnimationClip& clip)
{
    stop();
    const QImage strip = resourceImage(clip.resource);
    if (strip.isNull() || clip.frameCount <= 0 ||
        strip.width() < clip.frameSize.width() * clip.frameCount)
        return false;
    m_clip = clip;
    m_strip = strip;
    m_frame = 0;
    setFixedSize(clip.frameSize);
    update();
    return true;
}

void AnimationWidget::play(int from, int to, int repeat)
{
    if (m_clip.frameCount == 0)
        return;
    const int last = m_clip.frameCount - 1;
    m_from = std::clamp(from, 0, last);
    m_to = std::clamp(to, m_from, last);
    m_repeatsLeft = repeat;
    m_frame = m_from;
    m_timer.start(m_clip.periodMs, Qt::PreciseTimer, this);
    update();
}

void AnimationWidget::stop()
{
    m_timer.stop();
}

void AnimationWidget::seek(int frame)
{
    if (m_clip.frameCount == 0)
        return;
    m_frame = std::clamp(frame, 0, m_clip.frameCount - 1);
    update();
}

QSize AnimationWidget::sizeHint() const
{
    return m_clip.frameSize.isValid() ? m_clip.frameSize : QSize(1, 1);
}

void AnimationWidget::paintEvent(QPaintEvent*)
{
    if (m_strip.isNull())
        return;
    QPainter p(this);
    const QSize fs = m_clip.frameSize;
    p.drawImage(QPoint(0, 0), m_strip.copy(QRect(QPoint(m_frame * fs.width(), 0), fs)));
}

void AnimationWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    advance();
}

void AnimationWidget::advance()
{
    if (!m_timer.isActive())
        return;
    if (m_frame < m_to) {
        ++m_frame;
    } else if (m_repeatsLeft < 0 || --m_repeatsLeft > 0) {
        m_frame = m_from;
    } else {
        m_timer.stop();
    }
    update();
}
