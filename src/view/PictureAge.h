#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QtGlobal>

#include <optional>

namespace pluvix::view {

// A picture is never called old before this, however often the server is polled.
inline constexpr qint64 minStaleAgeSeconds = 20 * 60;

// Age past which the shown picture counts as old: three poll intervals or the minimum, whichever
// is longer. A non-positive interval counts as no polling rhythm at all.
qint64 staleAgeSeconds(qint16 pollIntervalSeconds);

// Seconds from the picture's time to now; a picture from the future (clocks apart) is 0 old.
qint64 pictureAgeSeconds(const QDateTime& pictureTime, const QDateTime& now);

// "45 min", "3 h 05 min", "2 d 03 h": minutes under an hour, hours and minutes under a day,
// days and hours beyond; always rounded down.
QString ageText(qint64 ageSeconds);

struct PictureAgeInput {
    QDateTime pictureTime; // invalid: no picture shown
    QDateTime now;
    qint16 pollIntervalSeconds = 60;
    // Set while polls fail: when the first failing poll happened.
    std::optional<QDateTime> serverSilentSince;
    QTimeZone localZone = QTimeZone::systemTimeZone();
};

// The badge over the map, empty when the picture is fresh (or there is none):
// "Picture 3 h 05 min old", with ", server not answering since 14:35" (local time) while polls
// fail.
QString pictureAgeBadge(const PictureAgeInput& in);

// The tray icon's tooltip: station, the picture's time and its age, one per line. The time text
// is what the time label shows ("14:35 UTC"); without a picture only the station is given.
QString trayToolTip(const QString& stationLabel, const QString& pictureTimeText,
                    std::optional<qint64> ageSeconds);

} // namespace pluvix::view
