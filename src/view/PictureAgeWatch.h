#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimeZone>

#include <functional>
#include <optional>

namespace pluvix::platform {
class Clock;
}

namespace pluvix::view {

// How old the shown picture is and whether the server answers: the badge over the map and the
// age the tray's tool tip gives. The picture's time comes from its name; the age moves on only
// when refresh() is called (the poll timer's tick), so no timer of its own runs.
class PictureAgeWatch final : public QObject {
    Q_OBJECT
public:
    PictureAgeWatch(const platform::Clock& clock, std::function<qint16()> pollIntervalSeconds,
                    QTimeZone localZone = QTimeZone::systemTimeZone());

    // The shown element's image name; a name without a valid time counts as no picture.
    void showPicture(const QString& imageName);
    // A poll ended; the first failing poll of a run of them is when the server went silent.
    void notePoll(bool serverAnswered);
    // The clock moved on.
    void refresh();

    QString badge() const { return m_badge; }
    // "14:35 UTC"; empty without a picture.
    QString pictureTimeText() const;
    std::optional<qint64> ageSeconds() const;

signals:
    void badgeChanged(const QString& text);
    // The picture, or its age in whole minutes, changed.
    void ageChanged();

private:
    const platform::Clock& m_clock;
    std::function<qint16()> m_pollInterval;
    QTimeZone m_localZone;
    QDateTime m_pictureTime;
    std::optional<QDateTime> m_silentSince;
    QString m_badge;
    std::optional<qint64> m_ageMinutes;
};

} // namespace pluvix::view
