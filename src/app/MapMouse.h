#pragma once

#include "view/MapGeometry.h"

#include <QList>
#include <QObject>
#include <QPointF>

#include <functional>

class QMenu;
class QWidget;

namespace pluvix::view {
class MapView;
}

namespace pluvix::app {

class ChromeController;
class StatusPanel;
class Viewer;

// What the mouse does on the map view: the map menu, grabbing the map or moving the window,
// the map following a drag and where the drag drops it, the wheel's zoom.
class MapMouse final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Viewer& viewer;
        view::MapView& map;
        StatusPanel& panel;
        ChromeController& chrome;
        QMenu& imageMenu;
        // Controls over the map; a drop on one of them moves nothing.
        QList<QWidget*> controlsOver;
        std::function<void()> drawRings;
    };
    MapMouse(Parts parts, QObject* parent);

private:
    void pressOnMap(Qt::MouseButton button, QPointF relativeToMap);
    void pressOnBackground(QPointF twips);
    void dropAt(QPointF twips);
    void dragTo(QPointF twips);
    void turnWheel(int angleDelta, QPointF twips);

    Parts m_p;
    view::WheelNotches m_wheel;
};

} // namespace pluvix::app
