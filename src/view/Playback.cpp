#include "view/Playback.h"

#include "core/NumberText.h"
#include "settings/SettingsRecord.h"
#include "view/LoopPlayer.h"

namespace pluvix::view {

Playback::Playback(settings::SettingsRecord& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {
    m_timer.setObjectName(QStringLiteral("Timer2"));
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(200);
}

void Playback::setPosition(int position) {
    position = qBound(m_minimum, position, m_maximum);
    if (position == m_position)
        return;
    m_position = position;
    emit positionChanged(m_position);
}

void Playback::setRange(int minimum, int maximum) {
    maximum = qMax(minimum, maximum);
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    emit rangeChanged(m_minimum, m_maximum);
    setPosition(m_position);
}

void Playback::setMinimum(int minimum) {
    setRange(minimum, qMax(m_maximum, minimum));
}

void Playback::setMaximum(int maximum) {
    setRange(qMin(m_minimum, maximum), maximum);
}

// Both step in the order a slider takes them, so each step clamps as it always has.
void Playback::showFullHistory() {
    setPosition(10);
    setMinimum(1);
    setMaximum(10);
}

void Playback::followHistory(int first, int last) {
    setMinimum(first + 1);
    setMaximum(last + 1);
    setPosition(last + 1);
}

void Playback::stepNewerOrBack(bool newer) {
    if (newer) {
        if (m_position < m_maximum)
            setPosition(m_position + 1);
    } else if (m_position > m_minimum) {
        setPosition(m_position - 1);
    }
}

void Playback::setLooping(bool on) {
    if (on == m_looping)
        return;
    m_looping = on;
    m_settings.PlayLoop = on ? 1 : 0;
    if (on) {
        m_pauseCount = loopSwitchOnPauseCount;
        m_timer.start();
        emit loopingChanged(true);
        return;
    }
    m_timer.stop();
    emit loopingChanged(false);
    setPosition(m_maximum);
}

void Playback::loopTick() {
    LoopState state;
    state.checked = m_looping;
    state.Min = m_minimum;
    state.Max = m_maximum;
    state.Value = m_position;
    state.HistoryImageCount = m_settings.HistoryImageCount;
    state.LoopDelay = m_settings.LoopDelay;
    state.LoopPauseCount = m_pauseCount;
    const auto step = PlayImagesStep(state);
    m_pauseCount = step.LoopPauseCount;
    if (step.valueChanged)
        setPosition(step.Value);
}

void Playback::setSpeed(int speed) {
    m_settings.PlaySpeed = qint16(speed);
    m_timer.setInterval(core::timerIntervalForSpeed(m_settings.PlaySpeed));
}

void Playback::setLoopLength(int menuIndex) {
    m_settings.HistoryImageCount = playHistoryCount(menuIndex);
}

} // namespace pluvix::view
