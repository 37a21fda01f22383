#pragma once

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
// and where a drag drops it.
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

    Parts m_p;
};

} // namespace pluvix::app
