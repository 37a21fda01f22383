#pragma once

#include "view/Twips.h"

#include <QtGlobal>

#include <array>

namespace pluvix::view {

// Place and size of the map picture in the client area; may lie partly or wholly outside.
using MapRect = TwipsRect;

inline constexpr int minZoomLevel = 1;
inline constexpr int maxZoomLevel = 12;
inline constexpr float twipsPerZoomLevel = 3000.0f;

// What the resize and zoom rules need to know about the window, in twips.
struct ClientArea {
    float Width = 0.0f;
    float Height = 0.0f;
    float StatusBarHeight = 0.0f; // the status panel's height
};

// New square map rectangle for zoom level `zoom`, keeping the map point under the centre of the
// area above the status bar in place. Throws RuntimeError::overflow() when a coordinate leaves
// single range. A degenerate old rectangle (zero, negative or not finite size) zooms around
// the map's middle instead of dividing by its size.
MapRect zoomedMapRect(int zoom, const ClientArea& client, const MapRect& old);

// New square map rectangle for zoom level `zoom` (kept within the zoom limits) that keeps the map
// point under (pointX, pointY), client-area twips, in place: the wheel's zoom. A degenerate old
// rectangle zooms around its middle; overflow as for zoomedMapRect.
MapRect zoomedMapRectAt(int zoom, const MapRect& old, float pointX, float pointY);

// Whole wheel notches in a stream of wheel angle deltas (120 per notch); smooth wheels and touch
// pads send parts of a notch, which add up.
class WheelNotches {
public:
    int add(int angleDelta);

private:
    int m_rest = 0;
};

struct ZoomedMap {
    int zoom = minZoomLevel;
    MapRect map;
};

// The largest zoom level whose map fits the area above the status bar, centred there (the
// smallest level when none fits).
ZoomedMap fittedMap(const ClientArea& client);

// Where the radar stands in the servers' pictures, as fractions of the picture: in the middle of
// the map part, above the 50-pixel label strip of a 550-pixel picture.
inline constexpr float radarSiteX = 0.5f;
inline constexpr float radarSiteY = 250.0f / 550.0f;

// The map moved, at its size, so that the point at (fractionX, fractionY) of it sits in the
// middle of the area above the status bar. Overflow as for zoomedMapRect.
MapRect centredOn(const ClientArea& client, const MapRect& map, float fractionX = radarSiteX,
                  float fractionY = radarSiteY);

// Grab point of a drag, in whole twips from the map's top-left corner (halves to even).
struct DragOffset {
    qint32 X = 0;
    qint32 Y = 0;
    friend constexpr bool operator==(const DragOffset&, const DragOffset&) = default;
};

// Mouse down on the background at (x, y) in the client area.
DragOffset dragOffsetFromBackground(float x, float y, const MapRect& map);
// Mouse down on the map at (x, y) relative to the map.
DragOffset dragOffsetFromMap(float x, float y);

// Drop at (x, y) in the client area.
MapRect dropOnBackground(const MapRect& map, float x, float y, DragOffset offset);
// Drop at (x, y) relative to the map.
MapRect dropOnMap(const MapRect& map, float x, float y, DragOffset offset);

// The right-clicked point (popupX, popupY, relative to the map) becomes the bullseye and is
// scrolled to the middle of the area above the status bar. Throws RuntimeError::divisionByZero()
// for a map of zero size.
struct CenteredBullseye {
    float BullsEyeX = 0.0f;
    float BullsEyeY = 0.0f;
    MapRect map;
};
CenteredBullseye centerBullseye(float popupX, float popupY, const ClientArea& client,
                                const MapRect& map);

// Fixed elements after a resize.
inline constexpr float statusPanelShownHeight = 615.0f;
inline constexpr float statusPanelHiddenHeight = 15.0f;
inline constexpr float clockSide = 510.0f;

struct ResizeLayout {
    TwipsRect panelRect;
    float clockLeft = 0.0f;
    float clockTop = 0.0f;
    bool clockFaceBitmap = true; // false: plain background in the window-text colour
    float timeLabelTop = 0.0f;
};

// `statusPanelHeight` is the status panel's current height; exactly 15 means the panel is
// collapsed.
ResizeLayout resizeLayout(float clientWidth, float clientHeight, float statusPanelHeight,
                          float clockWidth, float clockHeight, float timeLabelHeight);

bool isStatusPanelCollapsed(float statusPanelHeight);

// The time label sits directly on top of the status panel.
float timeLabelTopOver(float panelTop, float timeLabelHeight);

// Places inside the status panel.
namespace panel {
inline constexpr TwipsRect historyCaption{45, 105, 2745, 255};
inline constexpr TwipsRect zoomCaption{60, 330, 2745, 255};
inline constexpr TwipsRect historySlider{780, 75, 1395, 180};
inline constexpr TwipsRect zoomSlider{780, 315, 1395, 180};
inline constexpr TwipsRect pictureNumber{2205, 60, 375, 240};
inline constexpr TwipsRect optionsButton{2670, 45, 825, 240};
inline constexpr TwipsRect loopSwitch{2670, 285, 825, 240};
inline constexpr TwipsRect progressBar{45, 45, 3480, 480};

inline constexpr int presetCount = 8;
// Two rows of four: the top row reads 1 3 5 7, the bottom row 2 4 6 8.
constexpr TwipsRect presetButton(int i) {
    return {3660.0f + 240.0f * float(i / 2), (i % 2 == 0) ? 45.0f : 285.0f, 240.0f, 240.0f};
}
} // namespace panel

} // namespace pluvix::view
