// The image feed, the history and zoom positions and the loop on screen, and the clock.
#include "app/MainWindow.h"

#include "acquisition/FolderAddress.h"
#include "acquisition/HistoryTrim.h"
#include "acquisition/ImageTime.h"
#include "core/NumberText.h"
#include "core/RuntimeError.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/SplashScreen.h"
#include "platform/DownloadService.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"
#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/LoopPlayer.h"
#include "view/MapView.h"
#include "view/PollCountdown.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QUrl>

namespace pluvix::app {

using diagnostics::ignoreErrors;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

void MainWindow::setProgressValue(int value) {
    m_progress->setValue(qBound(m_progress->minimum(), value, m_progress->maximum()));
}

// --- the viewer's element on screen ------------------------------------------------------------

void MainWindow::followViewer() {
    Viewer* v = &m_viewer;
    connect(v, &Viewer::pictureShown, m_map, &view::MapView::setPicture);
    connect(v, &Viewer::connectionNoticeShown, this, &MainWindow::showConnectionNotice);
    connect(v, &Viewer::timeCaptionChanged, this, &MainWindow::setTimeCaption);
    connect(v, &Viewer::pictureNumberChanged, m_pictureNumber,
            [this](int number) { m_pictureNumber->setText(QString::number(number)); });
    connect(v, &Viewer::clockHandsSet, m_clock, &view::ClockWidget::setHands);
    connect(v, &Viewer::wallpaperFollowsChanged, this, [this](bool follows) {
        action(QStringLiteral("mnuSetImageWallpaper"))->setChecked(follows);
    });
    connect(v, &Viewer::ringLabelsStyled, m_map, &view::MapView::setRingLabelPointSize);
    connect(v, &Viewer::ringLabelsShown, m_map, &view::MapView::setRingsVisible);
    connect(v, &Viewer::ringsRedrawn, this, &MainWindow::drawRings);
    connect(v, &Viewer::timeLabelShown, m_timeLabel, &QWidget::setVisible);
    connect(v, &Viewer::timeLabelFontSizeChanged, this, &MainWindow::setTimeLabelFontSize);
    connect(v, &Viewer::timeLabelPlaced, this, &MainWindow::placeTimeLabel);
    connect(v, &Viewer::stationTitleChanged, this, &QWidget::setWindowTitle);
    connect(v, &Viewer::presetCountChanged, this, &MainWindow::showPresetCount);
    connect(v, &Viewer::aboutRequested, this, &MainWindow::showAbout);
}

// --- the feed's steps on screen ------------------------------------------------------------------

void MainWindow::followFeed() {
    using acquisition::HistoryLoad;
    using acquisition::ImageFeed;
    ImageFeed* feed = &m_viewer.feed();
    connect(feed, &ImageFeed::loadBegins, this,
            [this] { m_viewer.setRingLabels(view::RingLabels::Hide); });
    connect(feed, &ImageFeed::progressShown, this, [this](HistoryLoad kind) {
        if (kind == HistoryLoad::StartUp && m_splash)
            m_splash->setProgressRange(0, 10);
        setProgressValue(1);
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
            setProgressValue(i + 1);
        else if (m_splash)
            m_splash->setProgressValue(i);
        m_viewer.setClockToImageTime(m_viewer.showTimeCaption(m_viewer.feed().history().tag(i)));
        m_pictureNumber->setText(QString::number(i + 1));
    });
    connect(feed, &ImageFeed::historyComplete, this, [this] {
        m_viewer.playback().setPosition(10);
        m_viewer.playback().setMaximum(10);
    });
    connect(feed, &ImageFeed::loadEnded, m_progress, &QWidget::hide);
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
        m_pictureNumber->setText(QString::number(i + 1));
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

// --- sliders -----------------------------------------------------------------------------------

// Waits while a map loads; the load brings the window in line at its end.
void MainWindow::applyZoom() {
    if (m_viewer.feed().isLoading())
        return;
    trap(m_viewer.errors(), procedure::sliderChange, [&] {
        clearPresetMark();
        m_viewer.mapState().fitToZoom(clientArea());
        drawRings();
        updateZoomChecks(m_viewer.mapState().zoom());
        placeTimeLabel();
    });
}

void MainWindow::updateZoomChecks(int level) {
    for (int i = 1; i <= 12; ++i)
        m_zoomItems[i]->setChecked(i == level);
}

void MainWindow::zoomIn() {
    m_viewer.mapState().zoomIn();
    releasePresetButtons();
}

void MainWindow::zoomOut() {
    m_viewer.mapState().zoomOut();
    releasePresetButtons();
}

void MainWindow::zoomTo(int level) {
    m_viewer.mapState().moveZoom(level);
    releasePresetButtons();
}

// --- loop --------------------------------------------------------------------------------------

void MainWindow::setLooping(bool on) {
    trap(m_viewer.errors(), procedure::loopSwitch, [&] {
        m_viewer.playback().setLooping(on);
        action(QStringLiteral("mnuPlayNow"))->setChecked(m_viewer.playback().isLooping());
    });
}

void MainWindow::updatePlaySpeedChecks(int speed) {
    if (speed < 0 || speed > 10)
        throw core::RuntimeError::subscriptOutOfRange();
    for (int i = 1; i <= 10; ++i)
        m_speedItems[i]->setChecked(false);
    m_speedItems[speed]->setChecked(true);
}

void MainWindow::updatePlayHistoryChecks() {
    for (QAction* a : m_loopLengthItems)
        a->setChecked(false);
    if (const auto index = view::playHistoryIndexFor(m_viewer.settings().HistoryImageCount))
        m_loopLengthItems[*index]->setChecked(true);
}

void MainWindow::setPlaySpeed(int index) {
    trap(m_viewer.errors(), procedure::playSpeed, [&] {
        m_viewer.playback().setSpeed(index);
        updatePlaySpeedChecks(index);
    });
}

void MainWindow::setPlayHistory(int index) {
    trap(m_viewer.errors(), procedure::loopLength, [&] {
        m_viewer.playback().setLoopLength(index);
        updatePlayHistoryChecks();
    });
}

} // namespace pluvix::app
