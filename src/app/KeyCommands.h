#pragma once

#include "view/KeyIntents.h"
#include "view/MapGeometry.h"

#include <QObject>

#include <functional>

class QWidget;

namespace pluvix::view {
class MapView;
}

namespace pluvix::app {

class MainMenus;
class StatusPanel;
class Viewer;

// The main window's keys: each one sends its intent to a model or runs the menu item it stands
// for, and that item shows the key beside its caption. Keys reach it from the window and from
// any child that leaves them; none while a dialog or menu is open.
class KeyCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window;
        Viewer& viewer;
        MainMenus& menus;
        StatusPanel& panel;
        view::MapView& map;
        std::function<view::ClientArea()> clientArea;
        std::function<void()> drawRings;
    };
    KeyCommands(Parts parts, QObject* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run(const view::KeyAction& action);
    void recallPreset(int number);
    void mapMoved();
    void openMapMenu();

    Parts m_p;
};

} // namespace pluvix::app
