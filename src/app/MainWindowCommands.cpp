// What the window does for the feed, a recall and the user's commands.
#include "app/MainWindow.h"

#include "app/BusyPointer.h"
#include "core/RuntimeError.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/SplashScreen.h"
#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QLabel>
#include <QProgressBar>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

void MainWindow::followFeed() {
    using acquisition::HistoryLoad;
    using acquisition::ImageFeed;
    ImageFeed* feed = &m_viewer.feed();
    connect(feed, &ImageFeed::progressShown, this, [this](HistoryLoad kind) {
        if (kind == HistoryLoad::StartUp && m_splash)
            m_splash->setProgressRange(0, 10);
        m_panel->setProgressValue(1);
    });
    connect(feed, &ImageFeed::previewArrived, this, [this] {
        m_map->setMapVisible(true);
        m_rings->draw();
    });
    connect(feed, &ImageFeed::elementArrived, this, [this](HistoryLoad kind, int i) {
        if (kind == HistoryLoad::Reload)
            m_panel->setProgressValue(i + 1);
        else if (m_splash)
            m_splash->setProgressValue(i);
    });
    connect(feed, &ImageFeed::loadEnded, m_panel->progressBar(), &QWidget::hide);
    connect(feed, &ImageFeed::pollBegins, this, [this] {
        setBusyPointer(true);
        m_clock->setFaceOpaque(true);
    });
    connect(feed, &ImageFeed::pollEnds, this, [this] {
        m_clock->setFaceOpaque(false);
        setBusyPointer(false);
    });
    connect(feed, &ImageFeed::countdownChanged, m_clock, &QWidget::setToolTip);
    connect(feed, &ImageFeed::reloadBegins, this, [this] { m_map->setMapVisible(false); });
    connect(feed, &ImageFeed::reloadEnds, this, [this] {
        m_map->setMapVisible(true);
        setBusyPointer(false);
    });
}

void MainWindow::followRecall() {
    using presets::PresetRecall;
    PresetRecall* r = &m_viewer.presetRecall();
    connect(r, &PresetRecall::slotStored, m_panel->presetButtons(),
            &presets::PresetButtons::setToolTip);
    connect(r, &PresetRecall::recallBegins, m_panel, &StatusPanel::beginRecall);
    connect(r, &PresetRecall::ringLabelsRequested, &m_viewer, &Viewer::setRingLabels);
    connect(r, &PresetRecall::picturesLeaving, this, [this] { m_map->setMapVisible(false); });
    connect(r, &PresetRecall::stationChanged, &m_viewer, &Viewer::ShowStationTitle);
    connect(r, &PresetRecall::recallLoaded, this, [this] {
        m_rings->draw();
        m_viewer.showNewestImageTime();
    });
    connect(r, &PresetRecall::recallEnds, m_panel, &StatusPanel::endRecall);
    connect(r, &PresetRecall::recallAbandoned, m_panel, &StatusPanel::abandonRecall);
    connect(r, &PresetRecall::recallAbandoned, this, [this] {
        m_map->setMapVisible(true);
        m_viewer.setRingLabels(view::RingLabels::Refresh);
        m_rings->draw();
        setBusyPointer(false);
    });
}

void MainWindow::openOptionsFromPanel() {
    m_panel->freeze(true);
    showOptions();
    m_panel->pictureNumberLabel()->raise();
    m_viewer.presetRecall().endBusy();
    m_viewer.setRingLabels(view::RingLabels::Refresh);
    m_panel->freeze(false);
    m_panel->releasePresets();
}
void MainWindow::showOptions() {
    dialogs::OptionsDialog::showModal(m_viewer, m_viewer.errors(), m_s.boxes, m_viewer.endWatch(),
                                      this);
    m_viewer.letEventsRun();
    m_rings->draw();
}
void MainWindow::openHelp() {
    trap(m_viewer.errors(), procedure::help, [&] {
        setBusyPointer(true);
        m_s.desktop.openHelpPage();
        setBusyPointer(false);
    });
}
void MainWindow::applyZoom() {
    if (m_viewer.feed().isLoading())
        return;
    trap(m_viewer.errors(), procedure::sliderChange, [&] {
        m_panel->clearPresetMark();
        m_viewer.mapState().fitToZoom(clientArea());
        m_rings->draw();
        m_menus->showZoom(m_viewer.mapState().zoom());
        m_timeLabel->place();
    });
}
void MainWindow::setLooping(bool on) {
    trap(m_viewer.errors(), procedure::loopSwitch, [&] {
        m_viewer.playback().setLooping(on);
        m_menus->showLooping(m_viewer.playback().isLooping());
    });
}

} // namespace pluvix::app
