#pragma once

#include <QObject>
#include <QTimer>

namespace pluvix::settings {
struct SettingsRecord;
}

namespace pluvix::view {

// Which history picture is shown (1-based, as the history slider counts) within which range,
// and the loop player that steps through them. Loop on/off, speed and loop length are kept in
// the settings record, which only this class writes.
class Playback final : public QObject {
    Q_OBJECT
public:
    explicit Playback(settings::SettingsRecord& settings, QObject* parent = nullptr);

    int position() const { return m_position; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // As a slider: a position outside the range is pulled to the nearer end, and a range
    // whose maximum lies below its minimum is narrowed to the minimum.
    void setPosition(int position);
    void setRange(int minimum, int maximum);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    // Ten pictures with the newest shown: the range after a whole history loads.
    void showFullHistory();
    // The history's elements `first` .. `last` (0-based) with the newest shown.
    void followHistory(int first, int last);
    // One picture newer, or else one older: the hand steps of the picture number.
    void stepNewerOrBack(bool newer);

    bool isLooping() const { return m_looping; }
    // On: the loop starts from the pause count that jumps back at once. Off: back to the newest.
    void setLooping(bool on);
    // One tick of the loop; the timer's owner connects it, inside its error trap.
    void loopTick();
    // Pictures per second, 1 to 10; 0 throws core::RuntimeError::divisionByZero() after the
    // record took it.
    void setSpeed(int speed);
    void setLoopInterval(int milliseconds) { m_timer.setInterval(milliseconds); }
    // "Images to Loop" item; another index throws core::RuntimeError::subscriptOutOfRange().
    void setLoopLength(int menuIndex);
    // Stops the timer for good, as at the shut-down; the loop setting stays.
    void halt() { m_timer.stop(); }
    QTimer& timer() { return m_timer; }

signals:
    void positionChanged(int position);
    void rangeChanged(int minimum, int maximum);
    void loopingChanged(bool on);

private:
    settings::SettingsRecord& m_settings;
    QTimer m_timer;
    int m_minimum = 1;
    int m_maximum = 10;
    int m_position = 10;
    bool m_looping = false;
    qint16 m_pauseCount = 0;
};

} // namespace pluvix::view
