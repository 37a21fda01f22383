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

void MainWindow::Form_Load(dialogs::SplashScreen* splash) {
    m_splash = splash;
    m_loadEnded = false;
    const QString procedure = QStringLiteral("form1.Form_Load");
    bool ending = false;
    bool completed = trap(*m_errors, procedure, [&] {
        setBusyPointer(true);
        m_s.desktop.rememberUserWallpaper();

        m_progress->setRange(0, 10);
        m_progress->move(3, 3);
        m_progress->hide();

        m_IsLoadingMap = true;
        ConnectionOK = true;
        Image2.FirstHistoryIndex = 0;

        AppName = settings::appNameFromProgramFile(m_s.programFile);
        m_general = std::make_unique<settings::GeneralSettings>(
            m_s.store, *this, *m_errors, AppName, m_s.timeZoneBias, Settings);
        m_presetStore = std::make_unique<presets::PresetStore>(m_s.store, AppName);

        TempPath = m_s.tempPath;
        ListingFile = TempPath + QStringLiteral("tempURL.txt");
        ImageTempFile = TempPath + QStringLiteral("tempIMG.gif");

        m_timer1.setInterval(1000);
        m_timer1.start();
        m_panelHeight = view::statusPanelShownHeight;
        m_text1->move(0, 0);
        acquisition::fixedStations();
        m_clock->show();

        m_slider[0]->setRange(1, 10);
        m_slider[1]->setRange(1, 12);
        m_slider[0]->setValue(10);
        m_slider[1]->setValue(2);

        m_general->LoadCheckINI();

        // A speed outside the menu's 1 to 10 would stop the start-up half-way.
        Settings.PlaySpeed = qint16(qBound(1, int(Settings.PlaySpeed), 10));
        m_timer2.setInterval(core::timerIntervalForSpeed(Settings.PlaySpeed));

        // A termination signal may have run the shut-down inside a download.
        ParseURLText();
        ending = !ConnectionOK || m_end.ended || m_shutDownDone;
        if (ending)
            return;
        LoadInitialImages(0);
        ending = !ConnectionOK || m_end.ended || m_shutDownDone;
        if (ending)
            return;
        LastImageFileSize = qint32(qMin<qint64>(QFileInfo(ImageTempFile).size(), INT32_MAX));
    });
    // After an error box answered with Retry the window is still finished: a half-built window
    // (splash up, no caption, every preset button) is worse than one missing a picture.
    if (!ending && !m_end.ended && !m_shutDownDone) {
        completed &= trap(*m_errors, procedure, [&] { showPicture(Image2.UBound()); });
        completed &= trap(*m_errors, procedure, [&] { finishLoad(); });
    }
    m_loadEnded = true;
    if (m_shutDownDone || m_end.ended)
        return;
    // A load stopped by an error still leaves a window to work with.
    if (!isVisible())
        show();
    // Once the settings are loaded, polling and the sliders must not stay switched off.
    if (!completed && m_general)
        m_IsLoadingMap = false;
}

void MainWindow::finishLoad() {
    if (m_splash)
        m_splash->closeSplash();

    ToggleStatusBar(false);
    m_clock->setHandColour(m_panelHeight == view::statusPanelHiddenHeight
                               ? view::ClockWidget::bareHandColour()
                               : view::ClockWidget::panelHandColour());
    show();
    DrawCirclesRadius();
    ShowStationTitle();
    // The window commands live in the context menu's "Window" sub-menu on Linux.

    Settings.BaseURL = acquisition::productSubstituted(Settings.BaseURL, Settings.MapTypeShort);

    updateZoomChecks(m_slider[1]->value());
    updatePlaySpeedChecks(Settings.PlaySpeed);
    updatePlayHistoryChecks();

    if (Settings.PlayLoop != 0)
        m_loopSwitch->setChecked(true);
    if (Settings.TopMostWindow != 0)
        ToggleTopWindow();
    RefreshPresetButtons();

    setTimeLabelFontSize(Settings.UTCFontSize);
    m_label4->move(0, m_label4->y());
    m_label4->setVisible(Settings.ShowUTCDateTime == 1);
    ShowPresetButtons();

    m_IsLoadingMap = false;
    HScroll1_Change(0);
    setBusyPointer(false);
}

void MainWindow::requestClose() {
    close();
    if (!m_shutDownDone)
        Form_QueryUnload();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void MainWindow::Form_QueryUnload() {
    if (m_shutDownDone)
        return;
    m_shutDownDone = true;
    m_timer1.stop();
    m_timer2.stop();
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
