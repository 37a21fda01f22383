#include "view/MapGeometry.h"

#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <algorithm>
#include <cmath>

namespace pluvix::view {

namespace {

float finiteOrOverflow(float value) {
    if (!std::isfinite(value))
        throw core::RuntimeError::overflow();
    return value;
}

// The fraction of the old size at which the fixed point lies.
float fixedPointFraction(float offset, float size) {
    if (!std::isfinite(size) || size <= 0.0f)
        return 0.5f;
    return finiteOrOverflow(finiteOrOverflow(offset) / size);
}

} // namespace

MapRect zoomedMapRect(int zoom, const ClientArea& client, const MapRect& old) {
    const float side = float(zoom) * twipsPerZoomLevel;
    const float halfWidth = client.Width / 2.0f;
    const float halfHeight = (client.Height - client.StatusBarHeight) / 2.0f;

    const float fx = fixedPointFraction(halfWidth - old.Left, old.Width);
    const float fy = fixedPointFraction(halfHeight - old.Top, old.Height);

    const double left = double(halfWidth) - double(fx) * double(side);
    const double top = double(halfHeight) - double(fy) * double(side);
    return {core::toSingle(left), core::toSingle(top), side, side};
}

MapRect zoomedMapRectAt(int zoom, const MapRect& old, float pointX, float pointY) {
    const float side = float(std::clamp(zoom, minZoomLevel, maxZoomLevel)) * twipsPerZoomLevel;
    const float fx = fixedPointFraction(pointX - old.Left, old.Width);
    const float fy = fixedPointFraction(pointY - old.Top, old.Height);
    return {core::toSingle(double(pointX) - double(fx) * double(side)),
            core::toSingle(double(pointY) - double(fy) * double(side)), side, side};
}

int WheelNotches::add(int angleDelta) {
    constexpr int notch = 120;
    m_rest += angleDelta;
    const int whole = m_rest / notch; // towards zero, so the rest keeps the delta's sign
    m_rest -= whole * notch;
    return whole;
}

ZoomedMap fittedMap(const ClientArea& client) {
    const float room = std::min(client.Width, client.Height - client.StatusBarHeight);
    const int zoom =
        std::clamp(int(std::floor(room / twipsPerZoomLevel)), minZoomLevel, maxZoomLevel);
    const float side = float(zoom) * twipsPerZoomLevel;
    return {zoom,
            {(client.Width - side) / 2.0f, (client.Height - client.StatusBarHeight - side) / 2.0f,
             side, side}};
}

MapRect centredOn(const ClientArea& client, const MapRect& map, float fractionX, float fractionY) {
    const double x = double(client.Width) / 2.0 - double(fractionX) * double(map.Width);
    const double y = double(client.Height - client.StatusBarHeight) / 2.0 -
                     double(fractionY) * double(map.Height);
    return {core::toSingle(x), core::toSingle(y), map.Width, map.Height};
}

DragOffset dragOffsetFromBackground(float x, float y, const MapRect& map) {
    return {core::toInt32(double(x - map.Left)), core::toInt32(double(y - map.Top))};
}

DragOffset dragOffsetFromMap(float x, float y) {
    return {core::toInt32(double(x)), core::toInt32(double(y))};
}

MapRect dropOnBackground(const MapRect& map, float x, float y, DragOffset offset) {
    return {core::toSingle(double(x) - offset.X), core::toSingle(double(y) - offset.Y), map.Width,
            map.Height};
}

MapRect dropOnMap(const MapRect& map, float x, float y, DragOffset offset) {
    const float left = finiteOrOverflow(map.Left + x);
    const float top = finiteOrOverflow(map.Top + y);
    return {core::toSingle(double(left) - offset.X), core::toSingle(double(top) - offset.Y),
            map.Width, map.Height};
}

CenteredBullseye centerBullseye(float popupX, float popupY, const ClientArea& client,
                                const MapRect& map) {
    if (map.Width == 0.0f || map.Height == 0.0f)
        throw core::RuntimeError::divisionByZero();
    CenteredBullseye result;
    result.BullsEyeY = finiteOrOverflow(popupY / map.Height);
    result.BullsEyeX = finiteOrOverflow(popupX / map.Width);
    result.map = {client.Width / 2.0f - popupX,
                  (client.Height - client.StatusBarHeight) / 2.0f - popupY, map.Width, map.Height};
    return result;
}

bool isStatusPanelCollapsed(float statusPanelHeight) {
    return statusPanelHeight == statusPanelHiddenHeight;
}

float timeLabelTopOver(float panelTop, float timeLabelHeight) {
    return panelTop - timeLabelHeight;
}

ResizeLayout resizeLayout(float clientWidth, float clientHeight, float statusPanelHeight,
                          float clockWidth, float clockHeight, float timeLabelHeight) {
    ResizeLayout layout;
    layout.panelRect = {0.0f, clientHeight - statusPanelHeight, clientWidth + 30.0f,
                        statusPanelHeight};
    layout.clockLeft = clientWidth - clockWidth;
    if (isStatusPanelCollapsed(statusPanelHeight)) {
        layout.clockTop = clientHeight - clockHeight - 30.0f;
        layout.clockFaceBitmap = false;
    } else {
        layout.clockTop = layout.panelRect.Top + 60.0f;
        layout.clockFaceBitmap = true;
    }
    layout.timeLabelTop = timeLabelTopOver(layout.panelRect.Top, timeLabelHeight);
    return layout;
}

} // namespace pluvix::view
