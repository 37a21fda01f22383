#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QDateTime;
class QTimeZone;

namespace pluvix::acquisition {

// Image names carry their UTC time at fixed characters (1-based): year 4-7, month 8-9,
// day 10-11, hour 16-17, minute 18-19. hourMinute becomes "15:03" and imageName becomes
// "09/15/2005  15:03 UTC"; a short name gives short or empty pieces, never an error.
void FormatImageTime(QString& imageName, QString& hourMinute);
// The same characters as a UTC moment; nullopt when they do not make a valid date and time.
std::optional<QDateTime> imageTimeUtc(const QString& imageName);

// Where the clock's hands go: hour is local and may lie outside 0..23 or be a fraction.
struct LocalClockTime {
    float hour;
    int minute;
};

// The local time the clock shows for a UTC hour-and-minute text. The text is read as a time of
// day when it is one or two digits of hour (0-23), a colon, and one or two digits of minute
// (0-59), blanks around it allowed ("15:03", "5:3"); anything else gives nullopt and the clock
// stays as it was. The offset is biasMinutes / 60 when autoUTCOffset is 1 (no bias counts as 0),
// otherwise localUTCTimeOffset whole hours.
std::optional<LocalClockTime> PastImageTimeValues(const QString& hourMinute, qint16 autoUTCOffset,
                                                  qint16 localUTCTimeOffset,
                                                  std::optional<qint32> biasMinutes);

// Minutes to add to local time for UTC, of the system time zone now: the negated standard
// offset, less 60 while daylight time is in force whatever the zone's real shift. nullopt
// when the zone cannot be told.
std::optional<qint32> GetTimeZoneBias();
std::optional<qint32> GetTimeZoneBias(const QTimeZone& zone, const QDateTime& at);

} // namespace pluvix::acquisition
