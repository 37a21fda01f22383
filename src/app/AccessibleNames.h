#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QWidget;

namespace pluvix::view {
class MapView;
}

namespace pluvix::app {

class StatusPanel;
class Viewer;

// What assistive technology reads for the main window's controls: each one's name carries its
// state (picture and time, zoom level, preset slot, station) and follows the models.
class AccessibleNames final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Viewer& viewer;
        StatusPanel& panel;
        view::MapView& map;
        QWidget& clock;
        QLabel& timeLabel;
    };
    AccessibleNames(Parts parts, QObject* parent);

private:
    void nameShownPicture();
    void nameZoom(int level);
    void namePresets();
    void nameClock(float hour, int minute);

    Parts m_p;
};

} // namespace pluvix::app
