// The playback controls: Play (and Space) sews the pattern in the frame
// from its first stitch at the chosen speed; the position slider scrubs
// through it, playing or not; the speed slider sets stitches per second on
// a logarithmic scale (10 to a million), starting where a whole pattern
// takes about twenty seconds.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstddef>

class QAbstractButton;
class QSlider;

namespace app {

class PatternView;

class PlaybackControl : public QObject {
public:
    PlaybackControl(PatternView& view, QAbstractButton* play, QSlider* speed, QSlider* position);

    // A new pattern of count list elements (0: nothing to play).
    void Reset(std::size_t count);
    void Toggle();
    void Stop();
    bool Playing() const { return m_timer.isActive(); }
    // Scrubs to list element pos (the picture of everything before it).
    void Seek(std::size_t pos);
    std::size_t Position() const { return m_pos; }
    double StitchesPerSecond() const;

    static constexpr double kSecondsPerPattern = 20.0;

private:
    void Tick();
    void ShowState();

    PatternView& m_view;
    QPointer<QAbstractButton> m_play;
    QPointer<QSlider> m_speed;
    QPointer<QSlider> m_position;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::size_t m_count = 0;
    std::size_t m_pos = 0;
    double m_carry = 0; // stitches not drawn yet at the last tick
};

} // namespace app
