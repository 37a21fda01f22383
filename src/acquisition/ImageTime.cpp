#include "acquisition/ImageTime.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace pluvix::acquisition {

namespace {

// 1-based piece that is shorter or empty past the end of the text.
QString piece(const QString& text, qsizetype start1, qsizetype length) {
    return text.mid(start1 - 1, length);
}

} // namespace

void FormatImageTime(QString& imageName, QString& hourMinute) {
    const QString year = piece(imageName, 4, 4);
    const QString month = piece(imageName, 8, 2);
    const QString day = piece(imageName, 10, 2);
    const QString hour = piece(imageName, 16, 2);
    const QString minute = piece(imageName, 18, 2);
    hourMinute = hour + QLatin1Char(':') + minute;
    imageName = month + QLatin1Char('/') + day + QLatin1Char('/') + year + QStringLiteral("  ") +
                hour + QLatin1Char(':') + minute + QStringLiteral(" UTC");
}

std::optional<QDateTime> imageTimeUtc(const QString& imageName) {
    const auto number = [&](qsizetype start1, qsizetype length) {
        const QString text = piece(imageName, start1, length);
        bool ok = text.size() == length;
        for (const QChar c : text)
            ok = ok && c.isDigit();
        return ok ? text.toInt() : -1;
    };
    const int year = number(4, 4);
    const QDate date(year, number(8, 2), number(10, 2));
    const QTime time(number(16, 2), number(18, 2));
    // A year of non-digits must not pass as a year before Christ.
    if (year < 0 || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc());
}

std::optional<LocalClockTime> PastImageTimeValues(const QString& hourMinute, qint16 autoUTCOffset,
                                                  qint16 localUTCTimeOffset,
                                                  std::optional<qint32> biasMinutes) {
    static const QRegularExpression timeOfDay(QStringLiteral("^ *([0-9]{1,2}):([0-9]{1,2}) *$"));
    const auto match = timeOfDay.match(hourMinute);
    if (!match.hasMatch())
        return std::nullopt;
    const int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    if (hour > 23 || minute > 59)
        return std::nullopt;

    const float offset = autoUTCOffset == 1 ? static_cast<float>(biasMinutes.value_or(0)) / 60.0f
                                            : static_cast<float>(localUTCTimeOffset);
    return LocalClockTime{static_cast<float>(hour) - offset, minute};
}

std::optional<qint32> GetTimeZoneBias() {
    return GetTimeZoneBias(QTimeZone::systemTimeZone(), QDateTime::currentDateTimeUtc());
}

std::optional<qint32> GetTimeZoneBias(const QTimeZone& zone, const QDateTime& at) {
    if (!zone.isValid() || !at.isValid())
        return std::nullopt;
    const qint32 bias = -zone.standardTimeOffset(at) / 60;
    // The daylight correction is a fixed hour, not the zone's own shift.
    return zone.isDaylightTime(at) ? bias - 60 : bias;
}

} // namespace pluvix::acquisition
