// Start-up and shut-down of the main window.
#include "app/MainWindow.h"

#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/SplashScreen.h"
#include "presets/PresetButtons.h"
#include "presets/PresetStore.h"
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
    Viewer::setBusyPointer(true);
    m_progress->setRange(0, 10);
    m_progress->move(3, 3);
    m_progress->hide();
    m_panelHeight = view::statusPanelShownHeight;
    m_connectionNotice->move(0, 0);
    m_clock->show();
    const Viewer::StartUp outcome = m_viewer.startUp(m_storedView);
    bool completed = outcome == Viewer::StartUp::Loaded;
    // After an error box answered with Retry the window is still finished: a half-built window
    // (splash up, no caption, every preset button) is worse than one missing a picture.
    if (outcome != Viewer::StartUp::Ending && !m_viewer.ending()) {
        completed &= trap(m_viewer.errors(), procedure::startUp,
                          [&] { m_viewer.showPicture(m_viewer.feed().history().UBound()); });
        completed &= trap(m_viewer.errors(), procedure::startUp, [&] { finishLoad(); });
    }
    if (m_viewer.ending())
        return;
    // A load stopped by an error still leaves a window to work with.
    if (!isVisible())
        show();
    if (!completed)
        m_viewer.endFailedStartUp();
}

void MainWindow::finishLoad() {
    if (m_splash)
        m_splash->closeSplash();

    applyStoredChrome();
    m_clock->setHandColour(m_panelHeight == view::statusPanelHiddenHeight
                               ? view::ClockWidget::bareHandColour()
                               : view::ClockWidget::panelHandColour());
    show();
    drawRings();
    m_viewer.ShowStationTitle();
    // The window commands live in the context menu's "Window" sub-menu on Linux.

    m_viewer.settings().BaseURL = acquisition::productSubstituted(m_viewer.settings().BaseURL,
                                                                  m_viewer.settings().MapTypeShort);

    updateZoomChecks(m_viewer.mapState().zoom());
    updatePlaySpeedChecks(m_viewer.settings().PlaySpeed);
    updatePlayHistoryChecks();

    if (m_viewer.settings().PlayLoop != 0)
        setLooping(true);
    if (m_viewer.settings().TopMostWindow != 0)
        toggleKeepOnTop();
    RefreshPresetButtons();

    setTimeLabelFontSize(m_viewer.settings().UTCFontSize);
    m_timeLabel->move(0, m_timeLabel->y());
    m_timeLabel->setVisible(m_viewer.settings().ShowUTCDateTime == 1);
    m_viewer.ShowPresetButtons();

    m_viewer.feed().setLoading(false);
    m_viewer.showHistoryPosition();
    Viewer::setBusyPointer(false);
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
    m_inTray = false;
    ignoreErrors([&] { QCoreApplication::processEvents(); });
    if (m_s.quit)
        m_s.quit();
}

} // namespace pluvix::app
