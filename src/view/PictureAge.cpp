#include "view/PictureAge.h"

#include <algorithm>

namespace pluvix::view {

namespace {

QString twoDigits(qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

qint64 staleAgeSeconds(qint16 pollIntervalSeconds) {
    return std::max<qint64>(3 * qint64(std::max<qint16>(pollIntervalSeconds, 0)),
                            minStaleAgeSeconds);
}

qint64 pictureAgeSeconds(const QDateTime& pictureTime, const QDateTime& now) {
    return std::max<qint64>(pictureTime.secsTo(now), 0);
}

QString ageText(qint64 ageSeconds) {
    const qint64 minutes = std::max<qint64>(ageSeconds, 0) / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    const qint64 hours = minutes / 60;
    if (hours < 24)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(twoDigits(minutes % 60));
    return QStringLiteral("%1 d %2 h").arg(hours / 24).arg(twoDigits(hours % 24));
}

QString pictureAgeBadge(const PictureAgeInput& in) {
    if (!in.pictureTime.isValid() || !in.now.isValid())
        return {};
    const qint64 age = pictureAgeSeconds(in.pictureTime, in.now);
    if (age <= staleAgeSeconds(in.pollIntervalSeconds))
        return {};
    QString text = QStringLiteral("Picture %1 old").arg(ageText(age));
    if (in.serverSilentSince && in.serverSilentSince->isValid()) {
        const QString since =
            in.serverSilentSince->toTimeZone(in.localZone).toString(QStringLiteral("HH:mm"));
        text += QStringLiteral(", server not answering since %1").arg(since);
    }
    return text;
}

QString trayToolTip(const QString& stationLabel, const QString& pictureTimeText,
                    std::optional<qint64> ageSeconds) {
    QString tip = stationLabel;
    if (!pictureTimeText.isEmpty())
        tip += QStringLiteral("\nPicture of %1").arg(pictureTimeText);
    if (ageSeconds)
        tip += QStringLiteral("\n%1 old").arg(ageText(*ageSeconds));
    return tip;
}

} // namespace pluvix::view
