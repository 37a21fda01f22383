#pragma once

#include "GifWriter.h"
#include "WorldFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QRgb>
#include <QString>

namespace pluvix::radarserver::relay {

// One upstream picture and where to put it.
struct FrameInput {
    QImage upstream; // decoded upstream picture (any format; Indexed8/ARGB32 typical)
    WorldFile world;
    double siteLatitude;  // degrees, north positive
    double siteLongitude; // degrees, east positive (Guam is +144.8)
    double
        milesAcross; // what the 600 px width spans: 225 / 0.721 short-range, 225 / 0.319 long-range
    bool countyLines;                   // true at the short-range scale
    QString stationTitle, productTitle; // texts for the title strip
    QDateTime validUtc;                 // the frame's time
};

// The frame the viewer gets, as the drawn frames: 600 x 550, the map above a 50-pixel title
// strip. The site sits on pixel (300, 250), the middle of the map part, where the viewer's
// "centre on the site" expects it; north up, in an azimuthal equidistant projection, so distances
// and bearings from the site are true. Echo colours are the upstream's own; where it is
// transparent or absent, a dark background with boundary lines.
namespace frame {
inline constexpr int Width = 600;
inline constexpr int Height = 550;
inline constexpr int MapHeight = 500;
inline constexpr int SiteX = 300;
inline constexpr int SiteY = MapHeight / 2;
inline constexpr QRgb BackgroundColour = 0xff10141a;
inline constexpr QRgb CountyColour = 0xff3d434b;
inline constexpr QRgb StateColour = 0xff868c94;
inline constexpr QRgb OutlineColour = 0xff587c96;
} // namespace frame

// The station title shows large and is cut to four characters (a station code), the product
// title to one line. Safe to call from several threads at once.
// Empty (width 0) when the input cannot be placed: no picture, an invalid world file or one
// that puts the picture off the globe, a site off the globe or a scale that is not a distance.
IndexedImage renderFrame(const FrameInput& input);
// The same as a GIF; empty when renderFrame is.
QByteArray renderFrameGif(const FrameInput& input);

} // namespace pluvix::radarserver::relay
