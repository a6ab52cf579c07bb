#include "app/playback_control.h"

#include "app/pattern_view.h"

#include <QAbstractButton>
#include <QSlider>
#include <algorithm>
#include <climits>
#include <cmath>

namespace app {

namespace {

// The speed slider: stitches per second = 10^(value / 10).
constexpr int kSpeedMin = 10, kSpeedMax = 60;
constexpr int kTickMs = 40;

} // namespace

PlaybackControl::PlaybackControl(PatternView& view, QAbstractButton* play, QSlider* speed, QSlider* position)
    : m_view(view), m_play(play), m_speed(speed), m_position(position) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    if (m_play) connect(m_play, &QAbstractButton::clicked, this, [this] { Toggle(); });
    if (m_speed) {
        m_speed->setRange(kSpeedMin, kSpeedMax);
        m_speed->setToolTip("Playback speed");
    }
    if (m_position) {
        m_position->setToolTip("Stitch order: drag to scrub");
        connect(m_position, &QSlider::sliderMoved, this,
                [this](int v) { Seek(static_cast<std::size_t>(v)); });
        connect(m_position, &QSlider::actionTriggered, this, [this](int) {
            // Page and arrow steps on the slider itself.
            if (!m_position->isSliderDown()) Seek(static_cast<std::size_t>(m_position->sliderPosition()));
        });
    }
    Reset(0);
}

double PlaybackControl::StitchesPerSecond() const {
    return std::pow(10.0, (m_speed ? m_speed->value() : 30) / 10.0);
}

void PlaybackControl::Reset(std::size_t count) {
    m_timer.stop();
    m_count = count;
    m_pos = count;
    m_carry = 0;
    if (m_speed) {
        const double perSecond = std::max(1.0, static_cast<double>(count) / kSecondsPerPattern);
        m_speed->setValue(
            std::clamp(static_cast<int>(std::lround(10.0 * std::log10(perSecond))), kSpeedMin, kSpeedMax));
    }
    if (m_position) {
        m_position->setRange(0, static_cast<int>(std::min<std::size_t>(count, INT_MAX)));
        m_position->setValue(m_position->maximum());
    }
    ShowState();
}

void PlaybackControl::ShowState() {
    const bool any = m_count > 0;
    if (m_play) {
        m_play->setEnabled(any);
        m_play->setText(Playing() ? "Pause" : "Play");
    }
    if (m_speed) m_speed->setEnabled(any);
    if (m_position) {
        m_position->setEnabled(any);
        const QSignalBlocker quiet(m_position);
        m_position->setValue(static_cast<int>(std::min<std::size_t>(m_pos, INT_MAX)));
    }
}

void PlaybackControl::Toggle() {
    if (m_count == 0) return;
    if (Playing()) {
        m_timer.stop();
    } else {
        // From the start again once the whole pattern has been sewn.
        if (m_pos >= m_count) m_pos = 0;
        m_carry = 0;
        m_view.SetPlayback(m_pos);
        m_clock.start();
        m_timer.start();
    }
    ShowState();
}

void PlaybackControl::Stop() {
    m_timer.stop();
    m_pos = m_count;
    m_view.SetPlayback(std::nullopt);
    ShowState();
}

void PlaybackControl::Seek(std::size_t pos) {
    if (m_count == 0) return;
    m_pos = std::min(pos, m_count);
    m_carry = 0;
    m_view.SetPlayback(m_pos);
    ShowState();
}

void PlaybackControl::Tick() {
    const double seconds = m_clock.restart() / 1000.0;
    m_carry += seconds * StitchesPerSecond();
    const double step = std::floor(m_carry);
    m_carry -= step;
    m_pos = std::min(m_count, m_pos + static_cast<std::size_t>(step));
    m_view.SetPlayback(m_pos);
    if (m_pos >= m_count) m_timer.stop();
    ShowState();
}

} // namespace app
