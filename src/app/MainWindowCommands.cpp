// What the window does for the feed, a recall and the user's commands.
#include "app/MainWindow.h"

#include "core/RuntimeError.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/SplashScreen.h"
#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"
#include "view/RangeRings.h"

#include <QLabel>
#include <QProgressBar>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

void MainWindow::releasePresets() {
    presetButtons()->ResetPresetButtonSelect();
}

void MainWindow::clearPresetMark() {
    presetButtons()->ResetPresetCheckBox();
}

void MainWindow::refreshPresetToolTips() {
    if (const presets::PresetStore* store = m_viewer.presetStore())
        presetButtons()->RefreshPresetButtons(*store);
}

void MainWindow::followFeed() {
    using acquisition::HistoryLoad;
    using acquisition::ImageFeed;
    ImageFeed* feed = &m_viewer.feed();
    connect(feed, &ImageFeed::loadBegins, this,
            [this] { m_viewer.setRingLabels(view::RingLabels::Hide); });
    connect(feed, &ImageFeed::progressShown, this, [this](HistoryLoad kind) {
        if (kind == HistoryLoad::StartUp && m_splash)
            m_splash->setProgressRange(0, 10);
        m_panel->setProgressValue(1);
    });
    connect(feed, &ImageFeed::previewArrived, this, [this] {
        m_viewer.showPicture(0);
        if (m_viewer.wallpaperFollows())
            m_s.desktop.followWallpaper(m_viewer.shownPicture());
        m_map->setMapVisible(true);
        drawRings();
    });
    connect(feed, &ImageFeed::elementArrived, this, [this](HistoryLoad kind, int i) {
        if (kind == HistoryLoad::Reload)
            m_panel->setProgressValue(i + 1);
        else if (m_splash)
            m_splash->setProgressValue(i);
        m_viewer.setClockToImageTime(m_viewer.showTimeCaption(m_viewer.feed().history().tag(i)));
        m_panel->showPictureNumber(i + 1);
    });
    connect(feed, &ImageFeed::historyComplete, this, [this] {
        m_viewer.playback().setPosition(10);
        m_viewer.playback().setMaximum(10);
    });
    connect(feed, &ImageFeed::loadEnded, progressBar(), &QWidget::hide);
    connect(feed, &ImageFeed::pollBegins, this, [this] {
        Viewer::setBusyPointer(true);
        m_clock->setFaceOpaque(true);
    });
    connect(feed, &ImageFeed::pollEnds, this, [this] {
        m_clock->setFaceOpaque(false);
        Viewer::setBusyPointer(false);
    });
    connect(feed, &ImageFeed::imageAppended, this, [this](int i) {
        m_viewer.showTimeCaption(m_viewer.feed().history().tag(i));
        m_panel->showPictureNumber(i + 1);
    });
    connect(feed, &ImageFeed::historyRangeChanged, this, [this](int first, int last) {
        m_viewer.playback().setMinimum(first + 1);
        m_viewer.playback().setMaximum(last + 1);
        m_viewer.playback().setPosition(last + 1);
    });
    connect(feed, &ImageFeed::countdownChanged, m_clock, &QWidget::setToolTip);
    connect(feed, &ImageFeed::reloadBegins, this, [this] {
        Viewer::setBusyPointer(true);
        m_map->setMapVisible(false);
        m_viewer.playback().setPosition(10);
        m_viewer.playback().setMinimum(1);
        m_viewer.playback().setMaximum(10);
    });
    connect(feed, &ImageFeed::reloadEnds, this, [this] {
        trap(m_viewer.errors(), procedure::reload,
             [&] { m_viewer.showPicture(m_viewer.feed().history().UBound()); });
        m_map->setMapVisible(true);
        Viewer::setBusyPointer(false);
    });
}

void MainWindow::followRecall() {
    using presets::PresetRecall;
    connect(&m_viewer.presetRecall(), &PresetRecall::slotStored, presetButtons(),
            &presets::PresetButtons::setToolTip);
    connect(&m_viewer.presetRecall(), &PresetRecall::recallBegins, this, [this](int slot) {
        releasePresets();
        clearPresetMark();
        presetButtons()->setChecked(slot, true);
        m_panel->showRecallProgress(slot);
        m_panel->freeze(true);
    });
    connect(&m_viewer.presetRecall(), &PresetRecall::ringLabelsRequested, &m_viewer,
            &Viewer::setRingLabels);
    connect(&m_viewer.presetRecall(), &PresetRecall::picturesLeaving, this,
            [this] { m_map->setMapVisible(false); });
    connect(&m_viewer.presetRecall(), &PresetRecall::stationChanged, &m_viewer,
            &Viewer::ShowStationTitle);
    connect(&m_viewer.presetRecall(), &PresetRecall::recallLoaded, this, [this] {
        drawRings();
        m_viewer.showNewestImageTime();
    });
    connect(&m_viewer.presetRecall(), &PresetRecall::recallEnds, this, [this] {
        m_panel->endRecallProgress();
        if (m_panel->frozen())
            m_panel->freeze(false);
    });
    connect(&m_viewer.presetRecall(), &PresetRecall::recallAbandoned, this,
            [this](bool viewRestored) {
                if (viewRestored)
                    clearPresetMark();
                progressBar()->hide();
                m_map->setMapVisible(true);
                m_viewer.setRingLabels(view::RingLabels::Refresh);
                drawRings();
                Viewer::setBusyPointer(false);
            });
}

void MainWindow::drawRings() {
    trap(m_viewer.errors(), procedure::rings, [&] {
        m_viewer.setRingLabels(view::RingLabels::Refresh);
        view::RingInputs in;
        in.map = m_viewer.mapState().rect();
        in.zoom = m_viewer.mapState().zoom();
        in.BullsEyeGraduations = m_viewer.settings().BullsEyeGraduations;
        in.BullsEyeX = m_viewer.settings().BullsEyeX;
        in.BullsEyeY = m_viewer.settings().BullsEyeY;
        in.MapTypeShort = m_viewer.settings().MapTypeShort;
        in.MapScaleShortRangeConstant = m_viewer.settings().MapScaleShortRangeConstant;
        in.MapScaleLongRangeConstant = m_viewer.settings().MapScaleLongRangeConstant;
        const int points = m_viewer.settings().BullsEyeTextSize;
        m_map->setRings(view::ringLayout(in, [this, points](const QString& caption) {
            return m_map->ringLabelSizeTwips(caption, points);
        }));
        m_viewer.setRingLabels(view::RingLabels::Apply);
        m_menus->showBullseye(m_viewer.settings().ShowBullseye != 0);
    });
}
void MainWindow::toggleBullseye() {
    releasePresets();
    qint16& shown = m_viewer.settings().ShowBullseye;
    shown = shown != 0 ? 0 : 1;
    m_menus->showBullseye(shown != 0);
    clearPresetMark();
    drawRings();
}
void MainWindow::centreBullseye() {
    trap(m_viewer.errors(), procedure::centreBullseye, [&] {
        releasePresets();
        const QPointF bullseye = m_viewer.mapState().centreBullseyeAtPopup(clientArea());
        m_viewer.settings().BullsEyeY = float(bullseye.y());
        m_viewer.settings().BullsEyeX = float(bullseye.x());
        clearPresetMark();
        drawRings();
    });
}
void MainWindow::openOptionsFromPanel() {
    m_panel->freeze(true);
    showOptions();
    pictureNumberLabel()->raise();
    m_viewer.presetRecall().endBusy();
    m_viewer.setRingLabels(view::RingLabels::Refresh);
    m_panel->freeze(false);
    releasePresets();
}
void MainWindow::showOptions() {
    dialogs::OptionsDialog::showModal(m_viewer, m_viewer.errors(), m_s.boxes, m_viewer.endWatch(),
                                      this);
    m_viewer.letEventsRun();
    drawRings();
}
void MainWindow::openHelp() {
    trap(m_viewer.errors(), procedure::help, [&] {
        Viewer::setBusyPointer(true);
        m_s.desktop.openHelpPage();
        Viewer::setBusyPointer(false);
    });
}
void MainWindow::applyZoom() {
    if (m_viewer.feed().isLoading())
        return;
    trap(m_viewer.errors(), procedure::sliderChange, [&] {
        clearPresetMark();
        m_viewer.mapState().fitToZoom(clientArea());
        drawRings();
        m_menus->showZoom(m_viewer.mapState().zoom());
        placeTimeLabel();
    });
}
void MainWindow::setLooping(bool on) {
    trap(m_viewer.errors(), procedure::loopSwitch, [&] {
        m_viewer.playback().setLooping(on);
        m_menus->showLooping(m_viewer.playback().isLooping());
    });
}

void MainWindow::saveMap() {
    trap(m_viewer.errors(), procedure::saveMap, [&] {
        const int i = m_viewer.playback().position() - 1;
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, m_viewer.appName());
        const acquisition::ImageHistory& history = m_viewer.feed().history();
        // The element's own picture, never what the map happens to show.
        const QImage picture = history.picture(i);
        if (picture.isNull())
            throw core::RuntimeError::invalidPicture();
        saver.saveMap(m_viewer.stationTitle(), {history.encoded(i), picture, history.tag(i)});
    });
}

void MainWindow::saveSeries() {
    trap(m_viewer.errors(), procedure::saveSeries, [&] {
        const int first = m_viewer.playback().minimum() - 1;
        const int last = m_viewer.playback().maximum() - 1;
        QList<desktop::MapPicture> pictures;
        // Decoded one at a time while saved: a long history of large pictures would not fit.
        for (int i = first; i <= last; ++i) {
            QByteArray bytes = m_viewer.feed().history().encoded(i);
            auto decode = [bytes] {
                QImage image;
                diagnostics::ignoreErrors([&] { image = acquisition::decodePicture(bytes); });
                return image;
            };
            pictures.append({bytes, {}, m_viewer.feed().history().tag(i), decode});
        }
        desktop::MapSaver::SeriesHooks hooks;
        hooks.freezePanel = [this](bool freeze) {
            Viewer::setBusyPointer(freeze);
            m_panel->freeze(freeze);
        };
        hooks.resetPollCounter = [this] { m_viewer.feed().restartPollCount(); };
        hooks.showElement = [this](int i) { m_viewer.showPicture(i); };
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, m_viewer.appName());
        const auto outcome =
            saver.saveSeries(m_viewer.stationTitle(),
                             m_viewer.feed().history().tag(m_viewer.playback().position() - 1),
                             first, pictures, hooks);
        if (!outcome.undecodable.isEmpty()) {
            const auto invalid = core::RuntimeError::invalidPicture();
            throw core::RuntimeError(invalid.number(), invalid.description() +
                                                           QStringLiteral(": ") +
                                                           outcome.undecodable.join(u", "));
        }
    });
}

} // namespace pluvix::app
