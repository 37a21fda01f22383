#pragma once

#include "acquisition/ImageFeed.h"
#include "app/Desktop.h"
#include "app/StoredView.h"
#include "dialogs/OptionsHost.h"
#include "platform/EndWatch.h"
#include "presets/PresetRecall.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsRecord.h"
#include "view/MapGeometry.h"
#include "view/MapState.h"
#include "view/Playback.h"

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

// What the main window needs from the machine; the program passes real ones, tests fakes.
struct Services {
    platform::MessageBoxes& boxes;
    platform::ProgramEnd& programEnd;
    platform::Clock& clock;
    settings::SettingsStore& store;
    platform::DownloadService& downloads;
    platform::FileDialogs& fileDialogs;
    Desktop& desktop;
    QString programFile; // decides the application name and the log folder
    QString tempPath;    // ends in "/"
    QString logFile;
    std::function<std::optional<qint32>()> timeZoneBias;
    std::function<void()> quit; // ends the event loop after the shut-down
};

// Form1: wires the map view, the status panel, the clock, the timers and the menus to the
// rules that live in the other folders.
class MainWindow final : public QWidget, public dialogs::OptionsHost {
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
    bool shutDownDone() const { return m_shutDownDone; }
    diagnostics::ErrorReporter& errors() { return *m_errors; }
    // After the shut-down: whether the settings reached the store.
    bool settingsSaved() const { return m_settingsSaved; }

    // --- state other parts and tests look at -------------------------------------------------
    settings::SettingsRecord Settings;
    QString AppName;

    // --- procedures ---------------------------------------------------------------------------
    void ReFreshNewMap() override;
    // The loop switch, the menu's "Loop" and a stored loop all come here.
    void setLooping(bool on);
    void DrawCirclesRadius() override;
    void setRingLabels(view::RingLabels request) override;
    void ShowStationTitle() override;
    void ShowPresetButtons() override;
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
    void toggleWallpaper();
    void toggleBullseye();
    void centreBullseye();
    void zoomIn();
    void zoomOut();
    void zoomTo(int level);
    void setPlaySpeed(int index);
    void setPlayHistory(int index);
    void windowDefault();
    void setClockToImageTime(const QString& hourMinute);

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
    QTimer& pollTimer() { return m_feed.pollTimer(); }
    acquisition::ImageFeed& feed() { return m_feed; }
    const acquisition::ImageFeed& feed() const { return m_feed; }
    // How pending events run inside a long sequence: the event loop's own unless a test
    // steps in, to close the program at a chosen point.
    void setEventPump(std::function<void()> letEventsRun);
    QTimer& loopTimer() { return m_playback.timer(); }
    view::Playback& playback() { return m_playback; }
    bool inTray() const { return m_inTray; }
    view::MapState& mapState() { return m_mapState; }
    presets::PresetRecall& presetRecall() { return m_recall; }

    // Height of the status panel in twips; 15 when hidden.
    float statusPanelHeight() const { return m_panelHeight; }
    bool wallpaperChecked() const;

    // --- dialogs::OptionsHost -----------------------------------------------------------------
    settings::SettingsRecord& settingsRecord() override { return Settings; }
    QString appName() const override { return AppName; }
    settings::SettingsStore& settingsStore() override;
    void AddMapCoord(const QString& section) override;
    void ReadMapCoord(const QString& section) override;
    void setTimeLabelVisible(bool visible) override;
    void setTimeLabelFontSize(int points) override;
    void placeTimeLabel() override;
    void setLoopInterval(int milliseconds) override;
    void showNewestImageTime() override;
    void showAboutBox() override;

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
    void showPicture(int element);
    // The start-up's steps after the history load: splash, caption, menus, buttons.
    void finishLoad();
    // Puts the tag's date-and-time text in Label4; returns its hour-and-minute text.
    QString showTimeCaption(const QString& tag);
    void showImageTime(const QString& tag);
    void setTimeCaption(const QString& text);
    void updateZoomChecks(int level);
    void updatePlaySpeedChecks(int speed);
    void updatePlayHistoryChecks();
    void setBusyPointer(bool busy);
    void yieldOnce();
    void pressOnMap(Qt::MouseButton button, QPointF relativeToMap);
    void pressOnBackground(Qt::MouseButton button, QPointF twips);
    void dropAt(QPointF twips);
    void updateWallpaperFromMap();
    void followFeed();
    void setWallpaperChecked(bool checked);
    bool titleBarHiddenChecked() const;
    bool isNormalState() const;
    void showHistoryPosition();
    void applyZoom();
    void showConnectionNotice(bool visible);
    // The caption ShowStationTitle sets for the current station and product.
    QString stationTitle() const;
    QString currentTag() const;
    bool startupStep(int step);
    void setProgressValue(int value);

    Services m_s;
    platform::EndWatch m_end;
    std::function<void()> m_letEventsRun;
    view::MapState m_mapState;
    view::Playback m_playback{Settings};
    std::unique_ptr<diagnostics::ErrorReporter> m_errors;
    std::unique_ptr<settings::GeneralSettings> m_general;
    acquisition::ImageFeed m_feed;
    StoredView m_storedView;
    std::unique_ptr<presets::PresetStore> m_presetStore;
    presets::PresetRecall m_recall;

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
    bool m_topMost = false;
    bool m_inTray = false;
    bool m_restoringFromTray = false;
    // Without a title bar a press on the map moves the window once the mouse moves, so that a
    // double click still reaches the map.
    Qt::MouseButton m_windowMoveButton = Qt::NoButton;
    QPoint m_windowMovePress;
    bool m_shutDownDone = false;
    bool m_settingsSaved = false;
    bool m_noticeForBadPicture = false; // the notice stands for an undecodable picture shown
};

} // namespace pluvix::app
