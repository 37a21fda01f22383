#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace pluvix::view {
class MapView;
}

namespace pluvix::app {

class Desktop;
class MainMenus;
class Viewer;

// The map's overlays on screen: the picture's age as a badge and in the tray's tip, the colour
// scale of the shown product with its menu switch, both kept in the part of the map that the
// panel and the time label leave free.
class OverlaysOnMap final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Viewer& viewer;
        view::MapView& map;
        MainMenus& menus;
        Desktop& desktop;
        QWidget& panel;
        QWidget& timeLabel;
    };
    OverlaysOnMap(Parts parts, QObject* parent);

    // After the settings load: the stored switch of the colour scale.
    void applyStored();
    void toggleColourScale();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followShownPicture();
    void showTrayDetails();
    void placeOverlays();

    Parts m_p;
    QString m_product;
};

} // namespace pluvix::app
