#include "TitleStrip.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>

namespace pluvix::radarserver::strip {

void drawHeading(const font::Target& target, QByteArrayView station, QByteArrayView title,
                 QByteArrayView subtitle, uchar text, uchar dim, uchar rule) {
    if (Top < target.height)
        std::fill_n(target.pixels + qsizetype(Top) * target.stride, target.width, rule);
    font::drawText(target, 8, Top + 6, station, text, 2);
    font::drawText(target, 64, Top + 6, title, text);
    font::drawText(target, 64, Top + 17, subtitle, dim);
}

void drawTime(const font::Target& target, qint64 utcSecs, uchar colour) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc());
    font::drawText(target, 8, Top + 31, when.toString(u"MM/dd/yyyy  HH:mm 'UTC'").toLatin1(),
                   colour, 2);
}

} // namespace pluvix::radarserver::strip
