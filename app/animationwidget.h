#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QString>
#include <QWidget>

// An animation clip: frames of equal size side by side in one image.
struct AnimationClip {
    QString resource;
    QSize frameSize;
    int frameCount = 0;
    int periodMs = 0;
};

// The clips of the login strip: 150 shows the link, 152 plays while the tool is idle.
AnimationClip linkClip();
AnimationClip idleClip();

// Plays a range of frames of a clip, like the animation control of a dialog: an
// opened clip shows its first frame, a stopped one keeps the frame it reached.
class AnimationWidget : public QWidget {
    Q_OBJECT
public:
    explicit AnimationWidget(QWidget* parent = nullptr);

    bool open(const AnimationClip& clip);
    // Plays frames from..to (clamped to the clip) `repeat` times, or without end
    // when repeat is negative.
    void play(int from, int to, int repeat = -1);
    void stop();
    // Shows a frame (clamped to the clip) without playing.
    void seek(int frame);
    // One period of the clip: the next frame, or the end of the range.
    void advance();

    bool isPlaying() const { return m_timer.isActive(); }
    int currentFrame() const { return m_frame; }
    int frameCount() const { return m_clip.frameCount; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    AnimationClip m_clip;
    QImage m_strip; // kept as stored (indexed); a frame is converted when it is drawn
    QBasicTimer m_timer;
    int m_frame = 0;
    int m_from = 0;
    int m_to = 0;
    int m_repeatsLeft = 0;
};
