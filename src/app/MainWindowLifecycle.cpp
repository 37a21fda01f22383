// Start-up and shut-down of the main window.
#include "app/MainWindow.h"

#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/SplashScreen.h"
#include "presets/PresetButtons.h"
#include "presets/PresetStore.h"
#include "settings/AppName.h"
#include "view/ClockWidget.h"
#include "view/LoopPlayer.h"
#include "view/MapView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>

namespace pluvix::app {

using diagnostics::ignoreErrors;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

void MainWindow::startUp(dialogs::SplashScreen* splash) {
    m_splash = splash;
    bool ending = false;
    bool completed = trap(*m_errors, procedure::startUp, [&] {
        setBusyPointer(true);
        m_s.desktop.rememberUserWallpaper();

        m_progress->setRange(0, 10);
        m_progress->move(3, 3);
        m_progress->hide();

        AppName = settings::appNameFromProgramFile(m_s.programFile);
        m_general = std::make_unique<settings::GeneralSettings>(
            m_s.store, m_storedView, *m_errors, AppName, m_s.timeZoneBias, Settings);
        m_presetStore = std::make_unique<presets::PresetStore>(m_s.store, AppName);
        m_recall.setStore(m_presetStore.get());
        m_feed.setAppName(AppName);
        m_feed.pollTimer().start();
        m_panelHeight = view::statusPanelShownHeight;
        m_connectionNotice->move(0, 0);
        acquisition::fixedStations();
        m_clock->show();

        m_playback.setRange(1, 10);
        m_playback.setPosition(10);
        m_mapState.setZoom(2);

        m_general->LoadCheckINI();

        // A speed outside the menu's 1 to 10 would stop the start-up half-way.
        m_playback.setSpeed(qBound(1, int(Settings.PlaySpeed), 10));

        // A termination signal may have run the shut-down inside a download.
        m_feed.fetchListing();
        ending = !m_feed.connectionOk() || m_end.ended() || m_shutDownDone;
        if (ending)
            return;
        m_feed.loadHistory(acquisition::HistoryLoad::StartUp);
        ending = !m_feed.connectionOk() || m_end.ended() || m_shutDownDone;
        if (ending)
            return;
        m_feed.noteImageFileSize();
    });
    // After an error box answered with Retry the window is still finished: a half-built window
    // (splash up, no caption, every preset button) is worse than one missing a picture.
    if (!ending && !m_end.ended() && !m_shutDownDone) {
        completed &=
            trap(*m_errors, procedure::startUp, [&] { showPicture(m_feed.history().UBound()); });
        completed &= trap(*m_errors, procedure::startUp, [&] { finishLoad(); });
    }
    if (m_shutDownDone || m_end.ended())
        return;
    // A load stopped by an error still leaves a window to work with.
    if (!isVisible())
        show();
    // Once the settings are loaded, polling and the sliders must not stay switched off.
    if (!completed && m_general)
        m_feed.setLoading(false);
}

void MainWindow::finishLoad() {
    if (m_splash)
        m_splash->closeSplash();

    applyStoredChrome();
    m_clock->setHandColour(m_panelHeight == view::statusPanelHiddenHeight
                               ? view::ClockWidget::bareHandColour()
                               : view::ClockWidget::panelHandColour());
    show();
    DrawCirclesRadius();
    ShowStationTitle();
    // The window commands live in the context menu's "Window" sub-menu on Linux.

    Settings.BaseURL = acquisition::productSubstituted(Settings.BaseURL, Settings.MapTypeShort);

    updateZoomChecks(m_mapState.zoom());
    updatePlaySpeedChecks(Settings.PlaySpeed);
    updatePlayHistoryChecks();

    if (Settings.PlayLoop != 0)
        setLooping(true);
    if (Settings.TopMostWindow != 0)
        toggleKeepOnTop();
    RefreshPresetButtons();

    setTimeLabelFontSize(Settings.UTCFontSize);
    m_timeLabel->move(0, m_timeLabel->y());
    m_timeLabel->setVisible(Settings.ShowUTCDateTime == 1);
    ShowPresetButtons();

    m_feed.setLoading(false);
    showHistoryPosition();
    setBusyPointer(false);
}

void MainWindow::requestClose() {
    close();
    if (!m_shutDownDone)
        shutDown();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
}

void MainWindow::shutDown() {
    if (m_shutDownDone)
        return;
    m_shutDownDone = true;
    m_feed.stop();
    m_playback.halt();
    ignoreErrors([&] { m_s.desktop.restoreUserWallpaper(); });
    ignoreErrors([&] { m_settingsSaved = !m_general || m_general->UnloadINI(); });
    ignoreErrors([&] {
        if (m_splash)
            m_splash->closeSplash();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && w->objectName() != QStringLiteral("frmSplash"))
                w->close();
    });
    ignoreErrors([&] { m_s.desktop.removeTrayIcon(); });
    m_inTray = false;
    ignoreErrors([&] { QCoreApplication::processEvents(); });
    if (m_s.quit)
        m_s.quit();
}

} // namespace pluvix::app
