#pragma once

#include "view/MapGeometry.h"

#include <QObject>

#include <functional>

namespace pluvix::view {
class MapView;
}

namespace pluvix::app {

class MainMenus;
class StatusPanel;
class Viewer;

// The bullseye on screen: lays the rings and labels out for the map view and carries out the
// user's switch and centring.
class RingsOnMap final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Viewer& viewer;
        view::MapView& map;
        StatusPanel& panel;
        MainMenus& menus;
        std::function<view::ClientArea()> clientArea;
    };
    RingsOnMap(Parts parts, QObject* parent);

    void draw();
    void toggle();
    // Centres the bullseye on the point the map menu was opened at.
    void centreAtPopup();

private:
    Parts m_p;
};

} // namespace pluvix::app
