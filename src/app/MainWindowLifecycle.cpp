// Start-up and shut-down of the main window.
#include "app/MainWindow.h"

#include "acquisition/FolderAddress.h"
#include "app/BusyPointer.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/SplashScreen.h"
#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

namespace pluvix::app {

using diagnostics::ignoreErrors;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

void MainWindow::startUp(dialogs::SplashScreen* splash) {
    m_splash = splash;
    setBusyPointer(true);
    m_chrome->resetPanelHeight();
    m_connectionNotice->move(0, 0);
    m_clock->show();
    const auto outcome = m_viewer.startUp(m_storedView, [this] { finishLoad(); });
    if (outcome == Viewer::StartUp::Ending)
        return;
    // A load stopped by an error still leaves a window to work with.
    if (!isVisible())
        show();
    if (outcome == Viewer::StartUp::Failed)
        m_viewer.endFailedStartUp();
}

void MainWindow::finishLoad() {
    settings::SettingsRecord& s = m_viewer.settings();
    if (m_splash)
        m_splash->closeSplash();

    m_chrome->applyStored();
    show();
    m_rings->draw();
    m_viewer.ShowStationTitle();
    s.BaseURL = acquisition::productSubstituted(s.BaseURL, s.MapTypeShort);

    m_menus->showZoom(m_viewer.mapState().zoom());
    m_menus->showPlaySpeed(s.PlaySpeed);
    m_menus->showLoopLength(s.HistoryImageCount);
    m_overlays->applyStored();

    if (s.PlayLoop != 0)
        setLooping(true);
    if (s.TopMostWindow != 0)
        m_chrome->toggleKeepOnTop();
    if (const presets::PresetStore* store = m_viewer.presetStore())
        m_panel->presetButtons()->RefreshPresetButtons(*store);

    m_timeLabel->setFontPoints(s.UTCFontSize);
    m_timeLabel->move(0, m_timeLabel->y());
    m_timeLabel->setVisible(s.ShowUTCDateTime == 1);
    m_viewer.ShowPresetButtons();

    m_viewer.feed().setLoading(false);
    m_viewer.showHistoryPosition();
    setBusyPointer(false);
}

void MainWindow::requestClose() {
    close();
    if (!m_viewer.shutDownDone())
        shutDown();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
}

void MainWindow::shutDown() {
    if (!m_viewer.shutDown())
        return;
    ignoreErrors([&] {
        if (m_splash)
            m_splash->closeSplash();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && w->objectName() != QStringLiteral("frmSplash"))
                w->close();
    });
    ignoreErrors([&] { m_s.desktop.removeTrayIcon(); });
    m_chrome->leftTray();
    ignoreErrors([&] { QCoreApplication::processEvents(); });
    if (m_s.quit)
        m_s.quit();
}

} // namespace pluvix::app
