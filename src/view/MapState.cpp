#include "view/MapState.h"

#include "core/RuntimeError.h"

namespace pluvix::view {

void MapState::setRect(const MapRect& rect) {
    if (rect == m_rect)
        return;
    m_rect = rect;
    emit rectChanged(m_rect);
}

void MapState::moveZoom(int level) {
    level = qBound(minZoomLevel, level, maxZoomLevel);
    if (level == m_zoom)
        return;
    m_zoom = level;
    emit zoomChanged(m_zoom);
}

void MapState::setZoom(int level) {
    if (level < minZoomLevel || level > maxZoomLevel)
        throw core::RuntimeError::invalidPropertyValue();
    moveZoom(level);
}

bool MapState::zoomIn() {
    if (m_zoom >= maxZoomLevel)
        return false;
    moveZoom(m_zoom + 1);
    return true;
}

bool MapState::zoomOut() {
    if (m_zoom <= minZoomLevel)
        return false;
    moveZoom(m_zoom - 1);
    return true;
}

void MapState::fitToZoom(const ClientArea& client) {
    setRect(zoomedMapRect(m_zoom, client, m_rect));
}

bool MapState::zoomAt(int steps, QPointF inClientArea) {
    const int level = qBound(minZoomLevel, m_zoom + steps, maxZoomLevel);
    if (level == m_zoom)
        return false;
    // The rectangle first: the zoom's followers then find the map at its new size already.
    setRect(zoomedMapRectAt(level, m_rect, float(inClientArea.x()), float(inClientArea.y())));
    moveZoom(level);
    return true;
}

void MapState::fitInto(const ClientArea& client) {
    const ZoomedMap fitted = fittedMap(client);
    setRect(fitted.map);
    moveZoom(fitted.zoom);
}

void MapState::centreOnSite(const ClientArea& client) {
    setRect(centredOn(client, m_rect));
}

void MapState::grabOnMap(QPointF relativeToMap) {
    m_beforeDrag = m_rect;
    m_grab = dragOffsetFromMap(float(relativeToMap.x()), float(relativeToMap.y()));
}

void MapState::grabOnBackground(QPointF inClientArea) {
    m_beforeDrag = m_rect;
    m_grab = dragOffsetFromBackground(float(inClientArea.x()), float(inClientArea.y()), m_rect);
}

void MapState::drop(QPointF inClientArea, bool onMap) {
    const float x = float(inClientArea.x());
    const float y = float(inClientArea.y());
    setRect(onMap ? dropOnMap(m_rect, x - m_rect.Left, y - m_rect.Top, m_grab)
                  : dropOnBackground(m_rect, x, y, m_grab));
}

void MapState::dragTo(QPointF inClientArea) {
    setRect(dropOnBackground(m_rect, float(inClientArea.x()), float(inClientArea.y()), m_grab));
}

QPointF MapState::centreBullseyeAtPopup(const ClientArea& client) {
    const auto centred = centerBullseye(float(m_popup.x()), float(m_popup.y()), client, m_rect);
    setRect(centred.map);
    return {double(centred.BullsEyeX), double(centred.BullsEyeY)};
}

} // namespace pluvix::view
