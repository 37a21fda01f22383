#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace pluvix::view {

// Window measures are kept in twips; Qt works in logical pixels and handles high DPI itself.
inline constexpr float twipsPerPixel = 15.0f;

constexpr float pxToTwips(float px) {
    return px * twipsPerPixel;
}
constexpr float twipsToPx(float twips) {
    return twips / twipsPerPixel;
}

// A control's place and size in twips, single precision as the window keeps it.
struct TwipsRect {
    float Left = 0.0f;
    float Top = 0.0f;
    float Width = 0.0f;
    float Height = 0.0f;

    friend constexpr bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

inline QRectF toPixels(const TwipsRect& r) {
    return {twipsToPx(r.Left), twipsToPx(r.Top), twipsToPx(r.Width), twipsToPx(r.Height)};
}

inline QPointF pxToTwips(QPointF px) {
    return {double(pxToTwips(float(px.x()))), double(pxToTwips(float(px.y())))};
}

inline QSizeF pxToTwips(QSizeF px) {
    return {double(pxToTwips(float(px.width()))), double(pxToTwips(float(px.height())))};
}

} // namespace pluvix::view
