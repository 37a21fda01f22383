#pragma once

#include "BitmapFont.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace pluvix::radarserver::strip {

// The label strip under the map of every radar frame, drawn or relayed: a rule on its first row,
// the station large on the left with the product's title and subtitle beside it, the time below.
inline constexpr int Top = 500;

void drawHeading(const font::Target& target, QByteArrayView station, QByteArrayView title,
                 QByteArrayView subtitle, uchar text, uchar dim, uchar rule);
void drawTime(const font::Target& target, qint64 utcSecs, uchar colour);

} // namespace pluvix::radarserver::strip
