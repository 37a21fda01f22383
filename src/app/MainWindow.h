#pragma once

#include "acquisition/ImageHistory.h"
#include "acquisition/Listing.h"
#include "app/Desktop.h"
#include "dialogs/OptionsHost.h"
#include "platform/ProgramEnd.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsRecord.h"
#include "settings/SettingsWindow.h"
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
class MainWindow final : public QWidget,
                         public settings::SettingsWindow,
                         public acquisition::ListingHost,
                         public dialogs::OptionsHost {
    Q_OBJECT
public:
    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; `splash` receives the start-up progress.
    void Form_Load(dialogs::SplashScreen* splash);
    // The shut-down sequence; runs once, whichever way the window is closed.
    void Form_QueryUnload();
    // Closes the window the normal way, also while it is hidden in the tray.
    void requestClose();
    bool shutDownDone() const { return m_shutDownDone; }
    // After the shut-down: whether the settings reached the store.
    bool settingsSaved() const { return m_settingsSaved; }
    // True once the program was told to end without the shut-down.
    bool programEnded() const { return m_end.ended; }

    // --- state other parts and tests look at -------------------------------------------------
    settings::SettingsRecord Settings;
    QString AppName;
    QString TempPath;
    QString ListingFile;
    QString ImageTempFile;
    bool m_IsLoadingMap = true; // IsLoadingMap
    bool ConnectionOK = true;
    bool PanelBusy = false;
    qint32 PollCounter = 0;
    qint16 LoopPauseCount = 0;
    qint32 LastImageFileSize = 0;
    qint32 DragOffsetX = 0;
    qint32 DragOffsetY = 0;
    float PopupX = 0.0f;
    float PopupY = 0.0f;
    acquisition::ImageHistory Image2;
    diagnostics::ErrorReporter& errors() { return *m_errors; }
    acquisition::ListingFetcher& listing() { return *m_listing; }
    const acquisition::ImageNameList& ImageNames() const { return m_listing->ImageNames; }

    // --- procedures ---------------------------------------------------------------------------
    void ParseURLText() { m_listing->ParseURLText(); }
    void LoadInitialImages(qint16 LoadMode);
    void CheckForNewImage();
    void ReFreshNewMap() override;
    void HScroll1_Change(int index);
    void PlayImages();
    void Timer1_Timer();
    void Check1_Click();
    void DrawCirclesRadius() override;
    void HideShowBullseyeLabels(int vActionType) override;
    void ShowStationTitle() override;
    void ShowPresetButtons() override;
    void RefreshPresetButtons();
    void FreezePanelButtons(bool vFr);
    void ResetPresetButtonSelect();
    void ResetPresetCheckBox();
    void ShowPreferencesDialog();
    void Command1_Click();
    void ctrlPreset_MouseDown(int Index, Qt::MouseButton Button);
    void ToggleStatusBar(bool bToggle);
    void ToggleTitleBar();
    void ToggleTopWindow();
    void Minimize_To_Tray();
    void mnuShowPluvix_Click();
    void mnuHelp_Click();
    void mnuSaveMap_Click();
    void mnuSaveSeriesMap_Click();
    void mnuSetImageWallpaper_Click();
    void mnuBullseyeOn_Click();
    void mnuCenterBullseye_Click();
    void zoomIn();
    void zoomOut();
    void zoomTo(int level);
    void setPlaySpeed(int index);
    void setPlayHistory(int index);
    void windowDefault();
    void PastImageTime(const QString& hourMinute);

    // --- widgets and menu items, for tests ---------------------------------------------------
    view::MapView* mapView() const { return m_map; }
    view::ClockWidget* clock() const { return m_clock; }
    QScrollBar* historySlider() const { return m_slider[0]; }
    QScrollBar* zoomSlider() const { return m_slider[1]; }
    QLabel* pictureNumberLabel() const { return m_label3; }
    QLabel* timeLabel() const { return m_label4; }
    QLabel* connectionNotice() const { return m_text1; }
    QWidget* statusPanel() const { return m_panel; }
    QProgressBar* progressBar() const { return m_progress; }
    QCheckBox* loopSwitch() const { return m_loopSwitch; }
    presets::PresetButtons* presetButtons() const { return m_presets; }
    QMenu* imageMenu() const { return m_mnuImage; }
    QMenu* trayMenu() const { return m_mnuFile; }
    QAction* action(const QString& objectName) const;
    QTimer& pollTimer() { return m_timer1; }
    QTimer& loopTimer() { return m_timer2; }
    bool topMost() const { return m_topMost; }
    bool inTray() const { return m_inTray; }

    // --- settings::SettingsWindow (twips) -----------------------------------------------------
    float formWidth() const override;
    void setFormWidth(float twips) override;
    float formHeight() const override;
    void setFormHeight(float twips) override;
    float formLeft() const override;
    void setFormLeft(float twips) override;
    float formTop() const override;
    void setFormTop(float twips) override;
    float mapLeft() const override;
    void setMapLeft(float twips) override;
    float mapTop() const override;
    void setMapTop(float twips) override;
    float mapWidth() const override;
    void setMapWidth(float twips) override;
    float mapHeight() const override;
    void setMapHeight(float twips) override;
    qint32 zoomValue() const override;
    void setZoomValue(qint32 level) override;
    bool wallpaperChecked() const override;
    void setWallpaperChecked(bool checked) override;
    bool titleBarHiddenChecked() const override;
    float statusPanelHeight() const override;
    bool isNormalState() const override;
    float screenWidth() const override;
    float screenHeight() const override;

    // --- acquisition::ListingHost -------------------------------------------------------------
    QString& BaseURL() override { return Settings.BaseURL; }
    qint16 MapTypeIndex() const override { return Settings.MapTypeIndex; }
    bool IsLoadingMap() const override { return m_IsLoadingMap; }
    void setConnectionOK(bool ok) override { ConnectionOK = ok; }
    void showConnectionNotice(bool visible) override;
    QString appTitle() const override { return AppName; }
    QString listingFile() const override { return ListingFile; }

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
    void Form_Resize();
    void applyMapRect(const view::MapRect& rect);
    view::MapRect mapRect() const;
    view::ClientArea clientArea() const;
    void showPicture(int element);
    // The start-up's steps after the history load: splash, caption, menus, buttons.
    void finishLoad();
    // Puts the tag's date-and-time text in Label4; returns its hour-and-minute text.
    QString showTimeCaption(const QString& tag);
    void showImageTime(const QString& tag);
    void setLabel4Caption(const QString& text);
    void updateZoomChecks(int level);
    void updatePlaySpeedChecks(int speed);
    void updatePlayHistoryChecks();
    void setBusyPointer(bool busy);
    void yieldOnce();
    void onMapMouseDown(Qt::MouseButton button, QPointF relativeToMap);
    void onBackgroundMouseDown(Qt::MouseButton button, QPointF twips);
    void onMouseReleased(QPointF twips);
    void updateWallpaperFromMap();
    QString captionTail() const;
    // The caption ShowStationTitle sets for the current station and product.
    QString stationTitle() const;
    QString currentTag() const;
    bool startupStep(int step);
    void setProgressValue(int value);

    // Notes an ending so the window stops where the program would have ended.
    class EndWatch final : public platform::ProgramEnd {
    public:
        explicit EndWatch(platform::ProgramEnd& inner) : m_inner(inner) {}
        void endNow(int status) override {
            ended = true;
            m_inner.endNow(status);
        }
        bool ended = false;

    private:
        platform::ProgramEnd& m_inner;
    };

    Services m_s;
    EndWatch m_end;
    std::unique_ptr<diagnostics::ErrorReporter> m_errors;
    std::unique_ptr<settings::GeneralSettings> m_general;
    std::unique_ptr<acquisition::ListingFetcher> m_listing;
    std::unique_ptr<presets::PresetStore> m_presetStore;

    view::MapView* m_map = nullptr;
    view::ClockWidget* m_clock = nullptr;
    QWidget* m_panel = nullptr; // Picture1
    float m_panelHeight = view::statusPanelShownHeight;
    std::array<QLabel*, 2> m_label1{};
    std::array<QScrollBar*, 2> m_slider{};
    QLabel* m_label3 = nullptr;
    QPushButton* m_command1 = nullptr;
    QCheckBox* m_loopSwitch = nullptr;
    QProgressBar* m_progress = nullptr;
    presets::PresetButtons* m_presets = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_text1 = nullptr;
    QMenu* m_mnuImage = nullptr;
    QMenu* m_mnuFile = nullptr;
    std::array<QAction*, 13> m_mnuZoomNum{};
    std::array<QAction*, 11> m_mnuPlayImagePerSec{};
    std::array<QAction*, 10> m_mnuPlayHistory{};
    QTimer m_timer1;
    QTimer m_timer2;
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
    bool m_dragging = false;
    bool m_inPoll = false;
    bool m_loadEnded = false;
    bool m_noticeForBadPicture = false; // the notice stands for an undecodable picture shown
};

} // namespace pluvix::app
