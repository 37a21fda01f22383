#pragma once

#include "app/ChromeController.h"
#include "app/Desktop.h"
#include "app/HistorySaver.h"
#include "app/MainMenus.h"
#include "app/MapLabels.h"
#include "app/OverlaysOnMap.h"
#include "app/RingsOnMap.h"
#include "app/StatusPanel.h"
#include "app/StoredView.h"
#include "app/Viewer.h"

#include <QPointer>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;

namespace pluvix::view {
class ClockWidget;
class MapView;
} // namespace pluvix::view
namespace pluvix::dialogs {
class SplashScreen;
}

namespace pluvix::app {

// Form1: puts the map view, the status panel, the clock, the labels and the menus together and
// wires them to the viewer's models; the widgets report intents, the models answer.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; `splash` receives the start-up progress.
    void startUp(dialogs::SplashScreen* splash);
    // The shut-down sequence; runs once, whichever way the window is closed.
    void shutDown();
    // Closes the window the normal way, also while it is hidden in the tray.
    void requestClose();
    void restoreFromTray() { m_chrome->restoreFromTray(); }
    bool shutDownDone() const { return m_viewer.shutDownDone(); }
    // After the shut-down: whether the settings reached the store.
    bool settingsSaved() const { return m_viewer.settingsSaved(); }
    Viewer& viewer() { return m_viewer; }

    // --- widgets, menu items and models, for tests --------------------------------------------
    view::MapView* mapView() const { return m_map; }
    view::ClockWidget* clock() const { return m_clock; }
    StatusPanel* statusPanel() const { return m_panel; }
    QLabel* timeLabel() const { return m_timeLabel; }
    QLabel* connectionNotice() const { return m_connectionNotice; }
    QMenu* imageMenu() const { return m_menus->imageMenu(); }
    QMenu* trayMenu() const { return m_menus->trayMenu(); }
    QAction* action(const QString& objectName) const { return m_menus->action(objectName); }
    bool inTray() const { return m_chrome->inTray(); }
    // Height of the status panel in twips; 15 when hidden.
    float statusPanelHeight() const { return m_chrome->panelHeight(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void wirePanel();
    void wireMenus();
    void followViewer();
    void followFeed();
    void followRecall();
    void layOut();
    view::ClientArea clientArea() const;
    // The start-up's steps after the history load: splash, caption, menus, buttons.
    void finishLoad();
    void applyZoom();
    void setLooping(bool on);
    void showOptions();
    void openOptionsFromPanel();
    void openHelp();

    Viewer m_viewer;
    const Services& m_s;
    StoredView m_storedView;
    view::MapView* m_map = nullptr;
    view::ClockWidget* m_clock = nullptr;
    StatusPanel* m_panel = nullptr;
    TimeLabel* m_timeLabel = nullptr;
    ConnectionNotice* m_connectionNotice = nullptr;
    MainMenus* m_menus = nullptr;
    ChromeController* m_chrome = nullptr;
    HistorySaver* m_saver = nullptr;
    RingsOnMap* m_rings = nullptr;
    OverlaysOnMap* m_overlays = nullptr;
    QPointer<dialogs::SplashScreen> m_splash;
};

} // namespace pluvix::app
