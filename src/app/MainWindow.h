#pragma once

#include "app/Desktop.h"
#include "app/StoredView.h"
#include "app/Viewer.h"
#include "view/MapGeometry.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace pluvix::diagnostics {
class ErrorReporter;
}
namespace pluvix::platform {
class Clock;
class DownloadService;
class FileDialogs;
class MessageBoxes;
} // namespace pluvix::platform
namespace pluvix::settings {
class SettingsStore;
}
namespace pluvix::view {
class ClockWidget;
class MapView;
} // namespace pluvix::view
namespace pluvix::presets {
class PresetButtons;
class PresetStore;
} // namespace pluvix::presets
namespace pluvix::dialogs {
class SplashScreen;
}

namespace pluvix::app {

// Form1: wires the map view, the status panel, the clock, the timers and the menus to the
// rules that live in the other folders.
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
    bool shutDownDone() const { return m_viewer.shutDownDone(); }
    diagnostics::ErrorReporter& errors() { return m_viewer.errors(); }
    // After the shut-down: whether the settings reached the store.
    bool settingsSaved() const { return m_viewer.settingsSaved(); }
    Viewer& viewer() { return m_viewer; }

    // The loop switch, the menu's "Loop" and a stored loop all come here.
    void setLooping(bool on);
    void RefreshPresetButtons();
    void freezePanel(bool frozen);
    void releasePresetButtons();
    void clearPresetMark();
    void showOptions();
    void openOptionsFromPanel();
    void presetPressed(int index, Qt::MouseButton button);
    void followRecall();
    // The stored title bar and status panel, at start-up.
    void applyStoredChrome();
    void toggleStatusPanel();
    void toggleTitleBar();
    void toggleKeepOnTop();
    void minimizeToTray();
    void restoreFromTray();
    void openHelp();
    void saveMap();
    void saveSeries();
    void toggleBullseye();
    void centreBullseye();
    void zoomIn();
    void zoomOut();
    void zoomTo(int level);
    void setPlaySpeed(int index);
    void setPlayHistory(int index);
    void windowDefault();

    // --- widgets and menu items, for tests ---------------------------------------------------
    view::MapView* mapView() const { return m_map; }
    view::ClockWidget* clock() const { return m_clock; }
    QScrollBar* historySlider() const { return m_historySlider; }
    QScrollBar* zoomSlider() const { return m_zoomSlider; }
    QLabel* pictureNumberLabel() const { return m_pictureNumber; }
    QLabel* timeLabel() const { return m_timeLabel; }
    QLabel* connectionNotice() const { return m_connectionNotice; }
    QWidget* statusPanel() const { return m_panel; }
    QProgressBar* progressBar() const { return m_progress; }
    QCheckBox* loopSwitch() const { return m_loopSwitch; }
    presets::PresetButtons* presetButtons() const { return m_presets; }
    QMenu* imageMenu() const { return m_imageMenu; }
    QMenu* trayMenu() const { return m_trayMenu; }
    QAction* action(const QString& objectName) const;
    QTimer& pollTimer() { return m_viewer.feed().pollTimer(); }
    acquisition::ImageFeed& feed() { return m_viewer.feed(); }
    QTimer& loopTimer() { return m_viewer.playback().timer(); }
    view::Playback& playback() { return m_viewer.playback(); }
    view::MapState& mapState() { return m_viewer.mapState(); }
    bool inTray() const { return m_inTray; }

    // Height of the status panel in twips; 15 when hidden.
    float statusPanelHeight() const { return m_panelHeight; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void buildMenus();
    void layOut();
    view::ClientArea clientArea() const;
    // The start-up's steps after the history load: splash, caption, menus, buttons.
    void finishLoad();
    void setTimeCaption(const QString& text);
    void setTimeLabelFontSize(int points);
    void placeTimeLabel();
    void drawRings();
    void showPresetCount(int count);
    void followViewer();
    void showAbout();
    void updateZoomChecks(int level);
    void updatePlaySpeedChecks(int speed);
    void updatePlayHistoryChecks();
    void pressOnMap(Qt::MouseButton button, QPointF relativeToMap);
    void pressOnBackground(Qt::MouseButton button, QPointF twips);
    void dropAt(QPointF twips);
    void followFeed();
    bool titleBarHiddenChecked() const;
    bool isNormalState() const;
    void applyZoom();
    void showConnectionNotice(bool visible);
    QString currentTag() const;
    void setProgressValue(int value);

    Viewer m_viewer;
    const Services& m_s;
    StoredView m_storedView;

    view::MapView* m_map = nullptr;
    view::ClockWidget* m_clock = nullptr;
    QWidget* m_panel = nullptr; // Picture1
    float m_panelHeight = view::statusPanelShownHeight;
    std::array<QLabel*, 2> m_sliderCaptions{};
    QScrollBar* m_historySlider = nullptr;
    QScrollBar* m_zoomSlider = nullptr;
    QLabel* m_pictureNumber = nullptr;
    QPushButton* m_optionsButton = nullptr;
    QCheckBox* m_loopSwitch = nullptr;
    QProgressBar* m_progress = nullptr;
    presets::PresetButtons* m_presets = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLabel* m_connectionNotice = nullptr;
    QMenu* m_imageMenu = nullptr;
    QMenu* m_trayMenu = nullptr;
    std::array<QAction*, 13> m_zoomItems{};
    std::array<QAction*, 11> m_speedItems{};
    std::array<QAction*, 10> m_loopLengthItems{};
    QPointer<dialogs::SplashScreen> m_splash;
    bool m_inTray = false;
    bool m_restoringFromTray = false;
    // Without a title bar a press on the map moves the window once the mouse moves, so that a
    // double click still reaches the map.
    Qt::MouseButton m_windowMoveButton = Qt::NoButton;
    QPoint m_windowMovePress;
};

} // namespace pluvix::app
