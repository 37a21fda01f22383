#pragma once

#include "view/MapGeometry.h"

#include <QObject>
#include <QPointF>

namespace pluvix::view {

// Where the map lies and how far it is zoomed, the grab point of a drag and the last
// right-clicked point. The map view and the zoom slider follow it; nothing else keeps a copy.
class MapState final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    MapRect rect() const { return m_rect; }
    void setRect(const MapRect& rect);

    int zoom() const { return m_zoom; }
    // As the slider takes a level: one outside 1..12 is pulled to the nearer end.
    void moveZoom(int level);
    // As a stored or recalled level is taken: one outside 1..12 throws
    // core::RuntimeError::invalidPropertyValue() and changes nothing.
    void setZoom(int level);
    // One level up or down; false at the end, where nothing changes.
    bool zoomIn();
    bool zoomOut();
    // Makes the map the square of the zoom level around the point under the centre of the
    // area above the status panel.
    void fitToZoom(const ClientArea& client);
    // `steps` levels up (negative: down) within 1..12, keeping the map point under `inClientArea`
    // where it is: the wheel's zoom. False at the end, where nothing changes.
    bool zoomAt(int steps, QPointF inClientArea);
    // The whole picture in the area above the status panel, at the largest level that fits.
    void fitInto(const ClientArea& client);
    // The radar site in the middle of the area above the status panel, at the same zoom.
    void centreOnSite(const ClientArea& client);

    // A drag starts at a point relative to the map or in the client area; while it lasts the map
    // follows the mouse, and the drop moves the map so that the grabbed point lands under the
    // mouse. A drop that moves nothing puts the map back where the drag found it.
    void grabOnMap(QPointF relativeToMap);
    void grabOnBackground(QPointF inClientArea);
    DragOffset grabPoint() const { return m_grab; }
    void dragTo(QPointF inClientArea);
    void drop(QPointF inClientArea, bool onMap);
    void abandonDrag() { setRect(m_beforeDrag); }

    // The point a right click on the map chose, relative to the map.
    QPointF popupPoint() const { return m_popup; }
    void setPopupPoint(QPointF relativeToMap) { m_popup = relativeToMap; }
    // The popup point becomes the bullseye, scrolled to the middle of the visible area;
    // returns the bullseye's place on the map.
    QPointF centreBullseyeAtPopup(const ClientArea& client);

signals:
    void rectChanged(const pluvix::view::MapRect& rect);
    void zoomChanged(int level);

private:
    MapRect m_rect;
    int m_zoom = minZoomLevel;
    DragOffset m_grab;
    MapRect m_beforeDrag;
    QPointF m_popup;
};

} // namespace pluvix::view
