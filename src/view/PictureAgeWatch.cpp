#include "view/PictureAgeWatch.h"

#include "acquisition/ImageTime.h"
#include "platform/Clock.h"
#include "view/PictureAge.h"

namespace pluvix::view {

PictureAgeWatch::PictureAgeWatch(const platform::Clock& clock,
                                 std::function<qint16()> pollIntervalSeconds, QTimeZone localZone)
    : m_clock(clock), m_pollInterval(std::move(pollIntervalSeconds)),
      m_localZone(std::move(localZone)) {}

void PictureAgeWatch::showPicture(const QString& imageName) {
    const QDateTime time = acquisition::imageTimeUtc(imageName).value_or(QDateTime());
    if (time == m_pictureTime)
        return;
    m_pictureTime = time;
    // A new picture always reaches the tray, even at the same age in minutes.
    m_ageMinutes.reset();
    refresh();
    if (!m_ageMinutes)
        emit ageChanged();
}

void PictureAgeWatch::notePoll(bool serverAnswered) {
    if (serverAnswered)
        m_silentSince.reset();
    else if (!m_silentSince)
        m_silentSince = m_clock.now();
    refresh();
}

std::optional<qint64> PictureAgeWatch::ageSeconds() const {
    if (!m_pictureTime.isValid())
        return std::nullopt;
    return pictureAgeSeconds(m_pictureTime, m_clock.now());
}

QString PictureAgeWatch::pictureTimeText() const {
    if (!m_pictureTime.isValid())
        return {};
    return m_pictureTime.toString(QStringLiteral("HH:mm")) + QStringLiteral(" UTC");
}

void PictureAgeWatch::refresh() {
    const QString badge = pictureAgeBadge({m_pictureTime, m_clock.now(),
                                           m_pollInterval ? m_pollInterval() : qint16(60),
                                           m_silentSince, m_localZone});
    if (badge != m_badge) {
        m_badge = badge;
        emit badgeChanged(m_badge);
    }
    const auto age = ageSeconds();
    const std::optional<qint64> minutes = age ? std::optional(*age / 60) : std::nullopt;
    if (minutes != m_ageMinutes) {
        m_ageMinutes = minutes;
        emit ageChanged();
    }
}

} // namespace pluvix::view
