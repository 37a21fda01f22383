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

void MainWindow::showPicture(int element) {
    const acquisition::ImageHistory& history = m_feed.history();
    QImage picture;
    std::exception_ptr decodeError;
    try {
        picture = history.picture(element);
    } catch (const core::RuntimeError&) {
        if (!history.exists(element) || !history.undecodable(element))
            throw;
        decodeError = std::current_exception();
    }
    // An undecodable picture leaves a blank, never the previous picture under this element's
    // number and time.
    const bool bad = history.undecodable(element);
    m_map->setPicture(picture);
    if (bad || m_noticeForBadPicture)
        showConnectionNotice(bad || !m_feed.connectionOk());
    m_noticeForBadPicture = bad;
    if (decodeError)
        std::rethrow_exception(decodeError);
}

QString MainWindow::showTimeCaption(const QString& tag) {
    QString text = tag;
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    setTimeCaption(QStringLiteral(" ") + text + QStringLiteral(" "));
    return hourMinute;
}

void MainWindow::showImageTime(const QString& tag) {
    const QString hourMinute = showTimeCaption(tag);
    setClockToImageTime(hourMinute);
}

void MainWindow::setClockToImageTime(const QString& hourMinute) {
    std::optional<qint32> bias;
    if (Settings.AutoUTCOffset == 1 && m_s.timeZoneBias)
        bias = m_s.timeZoneBias();
    const auto values = acquisition::PastImageTimeValues(hourMinute, Settings.AutoUTCOffset,
                                                         Settings.LocalUTCTimeOffset, bias);
    if (values)
        m_clock->setHands(values->hour, values->minute);
}

void MainWindow::showNewestImageTime() {
    QString text = m_feed.history().tag(m_feed.history().UBound());
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    setClockToImageTime(hourMinute);
}

void MainWindow::setProgressValue(int value) {
    m_progress->setValue(qBound(m_progress->minimum(), value, m_progress->maximum()));
}

void MainWindow::updateWallpaperFromMap() {
    m_s.desktop.followWallpaper(m_map->picture());
}

// --- the feed's steps on screen ------------------------------------------------------------------

void MainWindow::followFeed() {
    using acquisition::HistoryLoad;
    using acquisition::ImageFeed;
    ImageFeed* feed = &m_feed;
    connect(feed, &ImageFeed::loadBegins, this, [this] { setRingLabels(view::RingLabels::Hide); });
    connect(feed, &ImageFeed::progressShown, this, [this](HistoryLoad kind) {
        if (kind == HistoryLoad::StartUp && m_splash)
            m_splash->setProgressRange(0, 10);
        setProgressValue(1);
    });
    connect(feed, &ImageFeed::previewArrived, this, [this] {
        showPicture(0);
        if (wallpaperChecked())
            updateWallpaperFromMap();
        m_map->setMapVisible(true);
        DrawCirclesRadius();
    });
    connect(feed, &ImageFeed::elementArrived, this, [this](HistoryLoad kind, int i) {
        if (kind == HistoryLoad::Reload)
            setProgressValue(i + 1);
        else if (m_splash)
            m_splash->setProgressValue(i);
        showImageTime(m_feed.history().tag(i));
        m_pictureNumber->setText(QString::number(i + 1));
    });
    connect(feed, &ImageFeed::historyComplete, this, [this] {
        m_playback.setPosition(10);
        m_playback.setMaximum(10);
    });
    connect(feed, &ImageFeed::loadEnded, m_progress, &QWidget::hide);
    connect(feed, &ImageFeed::pollBegins, this, [this] {
        setBusyPointer(true);
        m_clock->setFaceOpaque(true);
    });
    connect(feed, &ImageFeed::pollEnds, this, [this] {
        m_clock->setFaceOpaque(false);
        setBusyPointer(false);
    });
    connect(feed, &ImageFeed::imageAppended, this, [this](int i) {
        showTimeCaption(m_feed.history().tag(i));
        m_pictureNumber->setText(QString::number(i + 1));
    });
    connect(feed, &ImageFeed::historyRangeChanged, this, [this](int first, int last) {
        m_playback.setMinimum(first + 1);
        m_playback.setMaximum(last + 1);
        m_playback.setPosition(last + 1);
    });
    connect(feed, &ImageFeed::countdownChanged, m_clock, &QWidget::setToolTip);
    connect(feed, &ImageFeed::connectionNoticeShown, this, &MainWindow::showConnectionNotice);
    connect(feed, &ImageFeed::reloadBegins, this, [this] {
        setBusyPointer(true);
        m_map->setMapVisible(false);
        m_playback.setPosition(10);
        m_playback.setMinimum(1);
        m_playback.setMaximum(10);
    });
    connect(feed, &ImageFeed::reloadEnds, this, [this] {
        trap(*m_errors, procedure::reload, [&] { showPicture(m_feed.history().UBound()); });
        m_map->setMapVisible(true);
        setBusyPointer(false);
    });
}

void MainWindow::ReFreshNewMap() {
    m_feed.reload();
}

// --- sliders -----------------------------------------------------------------------------------

// Both wait while a map loads; the load brings the window in line at its end.
void MainWindow::showHistoryPosition() {
    if (m_feed.isLoading())
        return;
    trap(*m_errors, procedure::sliderChange, [&] {
        // Errors of these steps are ignored and the next step runs; only a picture that
        // cannot be decoded is reported, once the labels name it.
        std::exception_ptr badPicture;
        const int i = m_playback.position() - 1;
        try {
            showPicture(i);
        } catch (const core::RuntimeError& e) {
            if (e.number() == core::RuntimeError::invalidPicture().number())
                badPicture = std::current_exception();
        }
        QString hourMinute;
        ignoreErrors([&] { hourMinute = showTimeCaption(m_feed.history().tag(i)); });
        m_pictureNumber->setText(QString::number(i + 1));
        ignoreErrors([&] { setClockToImageTime(hourMinute); });
        if (wallpaperChecked())
            ignoreErrors([&] { updateWallpaperFromMap(); });
        placeTimeLabel();
        if (badPicture)
            std::rethrow_exception(badPicture);
    });
}

void MainWindow::applyZoom() {
    if (m_feed.isLoading())
        return;
    trap(*m_errors, procedure::sliderChange, [&] {
        clearPresetMark();
        m_mapState.fitToZoom(clientArea());
        DrawCirclesRadius();
        updateZoomChecks(m_mapState.zoom());
        placeTimeLabel();
    });
}

void MainWindow::updateZoomChecks(int level) {
    for (int i = 1; i <= 12; ++i)
        m_zoomItems[i]->setChecked(i == level);
}

void MainWindow::zoomIn() {
    m_mapState.zoomIn();
    releasePresetButtons();
}

void MainWindow::zoomOut() {
    m_mapState.zoomOut();
    releasePresetButtons();
}

void MainWindow::zoomTo(int level) {
    m_mapState.moveZoom(level);
    releasePresetButtons();
}

// --- loop --------------------------------------------------------------------------------------

void MainWindow::setLooping(bool on) {
    trap(*m_errors, procedure::loopSwitch, [&] {
        m_playback.setLooping(on);
        action(QStringLiteral("mnuPlayNow"))->setChecked(m_playback.isLooping());
    });
}

void MainWindow::setLoopInterval(int milliseconds) {
    m_playback.setLoopInterval(milliseconds);
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
    if (const auto index = view::playHistoryIndexFor(Settings.HistoryImageCount))
        m_loopLengthItems[*index]->setChecked(true);
}

void MainWindow::setPlaySpeed(int index) {
    trap(*m_errors, procedure::playSpeed, [&] {
        m_playback.setSpeed(index);
        updatePlaySpeedChecks(index);
    });
}

void MainWindow::setPlayHistory(int index) {
    trap(*m_errors, procedure::loopLength, [&] {
        m_playback.setLoopLength(index);
        updatePlayHistoryChecks();
    });
}

} // namespace pluvix::app
