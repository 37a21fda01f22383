// History load, polling, the history and zoom sliders, the loop player and the clock.
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

namespace {
QUrl imageUrl(const QString& baseUrl, const QString& name) {
    return acquisition::serverUrl(acquisition::imageAddress(baseUrl, name));
}

// A radar image never changes under its name; the satellite's fixed names get new pictures.
platform::CachePolicy imageCachePolicy(qint16 mapTypeIndex) {
    return mapTypeIndex >= 6 ? platform::CachePolicy::PreferNetwork
                             : platform::CachePolicy::PreferCache;
}
} // namespace

void MainWindow::showPicture(int element) {
    m_map->setPicture(Image2.picture(element));
}

QString MainWindow::showTimeCaption(const QString& tag) {
    QString text = tag;
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    setLabel4Caption(QStringLiteral(" ") + text + QStringLiteral(" "));
    return hourMinute;
}

void MainWindow::showImageTime(const QString& tag) {
    const QString hourMinute = showTimeCaption(tag);
    PastImageTime(hourMinute);
}

void MainWindow::PastImageTime(const QString& hourMinute) {
    std::optional<qint32> bias;
    if (Settings.AutoUTCOffset == 1 && m_s.timeZoneBias)
        bias = m_s.timeZoneBias();
    const auto values = acquisition::PastImageTimeValues(hourMinute, Settings.AutoUTCOffset,
                                                         Settings.LocalUTCTimeOffset, bias);
    if (values)
        m_clock->setHands(values->hour, values->minute);
}

void MainWindow::showNewestImageTime() {
    QString text = Image2.tag(Image2.UBound());
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    PastImageTime(hourMinute);
}

void MainWindow::setProgressValue(int value) {
    m_progress->setValue(qBound(m_progress->minimum(), value, m_progress->maximum()));
}

void MainWindow::updateWallpaperFromMap() {
    m_s.desktop.followWallpaper(m_map->picture());
}

// --- history load ------------------------------------------------------------------------------

void MainWindow::LoadInitialImages(qint16 LoadMode) {
    trap(*m_errors, QStringLiteral("form1.LoadInitialImages"), [&] {
        HideShowBullseyeLabels(1);
        yieldOnce();
        // A close handled meanwhile has saved the settings: nothing more is fetched or shown.
        if (m_shutDownDone)
            return;
        if (LoadMode < 1 && m_splash)
            m_splash->setProgressRange(0, 10);
        setProgressValue(1);
        PollCounter = 0;

        const auto names = ImageNames();
        QList<QUrl> urls;
        for (const QString& name : names)
            urls.append(imageUrl(Settings.BaseURL, name));
        // All ten travel at once, the newest (the preview) ahead; each still lands in the one
        // temporary file in turn.
        auto batch = m_s.downloads.startBatch(urls, platform::imageByteCap,
                                              imageCachePolicy(Settings.MapTypeIndex), 9);

        auto failed = [&](const platform::DownloadResult& r) {
            // Nothing more is fetched for a history that cannot be completed.
            batch->cancel();
            platform::throwOnLocalFailure(r);
            // The program is ending: nothing to tell the user.
            if (r.failure == platform::DownloadResult::Failure::Interrupted)
                return;
            ConnectionOK = false;
            showConnectionNotice(true);
            if (LoadMode != 0) {
                m_progress->hide();
                return;
            }
            m_s.boxes.ok(AppName, QStringLiteral("Pluvix Cannot Cannot Connect to the NOAA Web "
                                                 "Server.\nPluvix will now close."));
            m_end.endNow(platform::exitFailure);
        };

        const auto preview = batch->take(9, ImageTempFile);
        if (!preview.ok) {
            failed(preview);
            return;
        }
        const QByteArray previewBytes = acquisition::readPictureFile(ImageTempFile);
        const QImage previewPicture = acquisition::decodePicture(previewBytes);
        Image2.setPicture(0, previewBytes, previewPicture);
        showPicture(0);
        if (wallpaperChecked())
            updateWallpaperFromMap();
        m_map->setMapVisible(true);
        DrawCirclesRadius();
        yieldOnce();

        for (int i = 0; i < 10; ++i) {
            if (m_shutDownDone)
                return;
            const auto result = batch->takeNext(ImageTempFile);
            if (!result.ok) {
                failed(result);
                return;
            }
            if (i > 0)
                ignoreErrors([&] { Image2.create(i); });
            QByteArray bytes = acquisition::readPictureFile(ImageTempFile);
            const bool isPreview = bytes == previewBytes;
            try {
                // Only the shown picture is decoded now; the others when first shown.
                Image2.setPicture(i, std::move(bytes), isPreview ? previewPicture : QImage());
            } catch (...) {
                // As when polling: a bad picture ends the history before it, with no blank.
                batch->cancel();
                if (i > 0)
                    Image2.destroy(i);
                throw;
            }
            Image2.setTag(i, names[i]);
            if (LoadMode >= 1)
                setProgressValue(i + 1);
            else if (m_splash)
                m_splash->setProgressValue(i);
            showImageTime(names[i]);
            m_label3->setText(QString::number(i + 1));
        }
        m_slider[0]->setValue(10);
        m_slider[0]->setMaximum(10);
        m_progress->hide();
        yieldOnce();
    });
}

// --- polling -----------------------------------------------------------------------------------

void MainWindow::Timer1_Timer() {
    const auto tick = view::pollTick(PollCounter, Settings.PollInterval);
    PollCounter = tick.PollCounter;
    m_clock->setToolTip(tick.toolTip);
    // A poll never starts inside a load or another poll; the count waits for it.
    if (tick.pollNow && !m_IsLoadingMap && !m_inPoll && !m_shutDownDone) {
        CheckForNewImage();
        PollCounter = 0;
    }
}

void MainWindow::CheckForNewImage() {
    if (m_inPoll)
        return;
    m_inPoll = true;
    trap(*m_errors, QStringLiteral("form1.CheckForNewImage"), [&] {
        setBusyPointer(true);
        m_clock->setFaceOpaque(true);
        yieldOnce();
        if (m_shutDownDone)
            return;
        const int u = Image2.UBound();
        bool fresh = false;
        if (Settings.MapTypeIndex >= 6) {
            const auto r = m_s.downloads.download(
                acquisition::serverUrl(acquisition::satelliteFolder() + QStringLiteral("20.jpg")),
                ImageTempFile, platform::imageByteCap);
            platform::throwOnLocalFailure(r);
            fresh = r.ok && QFileInfo(ImageTempFile).size() != LastImageFileSize;
        } else {
            ParseURLText();
            fresh = Image2.tag(u).trimmed().toUpper() != ImageNames()[9].trimmed().toUpper();
        }
        if (fresh) {
            const auto trim = acquisition::trimBeforeAppend(qint16(u), Image2.FirstHistoryIndex,
                                                            Settings.MaxImageNumber);
            Settings.MaxImageNumber = trim.maxImageNumber;
            if (trim.destroyIndex >= 0)
                Image2.destroy(trim.destroyIndex);
            Image2.FirstHistoryIndex = trim.firstHistoryIndex;

            const QString newest = ImageNames()[9];
            const auto r = m_s.downloads.download(imageUrl(Settings.BaseURL, newest), ImageTempFile,
                                                  platform::imageByteCap,
                                                  imageCachePolicy(Settings.MapTypeIndex));
            platform::throwOnLocalFailure(r);
            if (r.ok) {
                // Only a picture that decodes becomes an element; a bad one must not leave blanks.
                QByteArray bytes = acquisition::readPictureFile(ImageTempFile);
                const QImage picture = acquisition::decodePicture(bytes);
                Image2.create(u + 1);
                Image2.setPicture(u + 1, std::move(bytes), picture);
                Image2.setTag(u + 1, newest);
                showTimeCaption(newest);
                m_label3->setText(QString::number(u + 2));
                if (Settings.MapTypeIndex >= 6)
                    LastImageFileSize =
                        qint32(qMin<qint64>(QFileInfo(ImageTempFile).size(), INT32_MAX));
            }
            m_slider[0]->setMinimum(Image2.FirstHistoryIndex + 1);
            m_slider[0]->setMaximum(Image2.UBound() + 1);
            m_slider[0]->setValue(Image2.UBound() + 1);
        }
    });
    m_clock->setFaceOpaque(false);
    setBusyPointer(false);
    m_inPoll = false;
}

// --- reload ------------------------------------------------------------------------------------

void MainWindow::ReFreshNewMap() {
    if (m_shutDownDone)
        return;
    if (!trap(*m_errors, QStringLiteral("form1.ReFreshNewMap"), [&] {
            m_IsLoadingMap = true;
            PollCounter = 0;
            ConnectionOK = true;
            setBusyPointer(true);
            m_map->setMapVisible(false);
            Settings.BaseURL =
                acquisition::productSubstituted(Settings.BaseURL, Settings.MapTypeShort);
            m_slider[0]->setValue(10);
            m_slider[0]->setMinimum(1);
            m_slider[0]->setMaximum(10);
            ignoreErrors([&] { Image2.destroyAllButFirst(); });
            // Element 0 keeps the previous station's picture until this load replaces it;
            // a load that fails first must not show it under the new caption.
            ignoreErrors([&] { Image2.clear(0); });
            Image2.FirstHistoryIndex = 0;
        }))
        return;
    // The called procedures report their own errors.
    ParseURLText();
    // A listing that fails while a map loads has ended the program.
    if (m_end.ended || m_shutDownDone)
        return;
    LoadInitialImages(2);
    if (m_shutDownDone)
        return;
    ignoreErrors([&] { showPicture(Image2.UBound()); });
    m_map->setMapVisible(true);
    m_IsLoadingMap = false;
    setBusyPointer(false);
}

// --- sliders -----------------------------------------------------------------------------------

void MainWindow::HScroll1_Change(int index) {
    if (m_IsLoadingMap)
        return;
    trap(*m_errors, QStringLiteral("form1.HScroll1_Change"), [&] {
        if (index == 0) {
            // Errors of these steps are ignored and the next step runs.
            const int i = m_slider[0]->value() - 1;
            ignoreErrors([&] { showPicture(i); });
            QString hourMinute;
            ignoreErrors([&] { hourMinute = showTimeCaption(Image2.tag(i)); });
            m_label3->setText(QString::number(i + 1));
            ignoreErrors([&] { PastImageTime(hourMinute); });
            if (wallpaperChecked())
                ignoreErrors([&] { updateWallpaperFromMap(); });
        } else {
            ResetPresetCheckBox();
            const int z = m_slider[1]->value();
            applyMapRect(view::zoomedMapRect(z, clientArea(), mapRect()));
            DrawCirclesRadius();
            updateZoomChecks(z);
        }
        placeTimeLabel();
    });
}

void MainWindow::updateZoomChecks(int level) {
    for (int i = 1; i <= 12; ++i)
        m_mnuZoomNum[i]->setChecked(i == level);
}

void MainWindow::zoomIn() {
    if (m_slider[1]->value() < m_slider[1]->maximum())
        m_slider[1]->setValue(m_slider[1]->value() + 1);
    ResetPresetButtonSelect();
}

void MainWindow::zoomOut() {
    if (m_slider[1]->value() > m_slider[1]->minimum())
        m_slider[1]->setValue(m_slider[1]->value() - 1);
    ResetPresetButtonSelect();
}

void MainWindow::zoomTo(int level) {
    m_slider[1]->setValue(level);
    ResetPresetButtonSelect();
}

// --- loop --------------------------------------------------------------------------------------

void MainWindow::PlayImages() {
    trap(*m_errors, QStringLiteral("form1.PlayImages"), [&] {
        view::LoopState state;
        state.checked = m_loopSwitch->isChecked();
        state.Min = m_slider[0]->minimum();
        state.Max = m_slider[0]->maximum();
        state.Value = m_slider[0]->value();
        state.HistoryImageCount = Settings.HistoryImageCount;
        state.LoopDelay = Settings.LoopDelay;
        state.LoopPauseCount = LoopPauseCount;
        const auto step = view::PlayImagesStep(state);
        LoopPauseCount = step.LoopPauseCount;
        if (step.valueChanged)
            m_slider[0]->setValue(step.Value);
    });
}

void MainWindow::Check1_Click() {
    trap(*m_errors, QStringLiteral("form1.Check1_Click"), [&] {
        if (m_loopSwitch->isChecked()) {
            LoopPauseCount = view::loopSwitchOnPauseCount;
            m_timer2.start();
            action(QStringLiteral("mnuPlayNow"))->setChecked(true);
            Settings.PlayLoop = 1;
        } else {
            m_timer2.stop();
            action(QStringLiteral("mnuPlayNow"))->setChecked(false);
            Settings.PlayLoop = 0;
            m_slider[0]->setValue(m_slider[0]->maximum());
        }
    });
}

void MainWindow::setLoopInterval(int milliseconds) {
    m_timer2.setInterval(milliseconds);
}

void MainWindow::updatePlaySpeedChecks(int speed) {
    if (speed < 0 || speed > 10)
        throw core::RuntimeError::subscriptOutOfRange();
    for (int i = 1; i <= 10; ++i)
        m_mnuPlayImagePerSec[i]->setChecked(false);
    m_mnuPlayImagePerSec[speed]->setChecked(true);
}

void MainWindow::updatePlayHistoryChecks() {
    for (QAction* a : m_mnuPlayHistory)
        a->setChecked(false);
    if (const auto index = view::playHistoryIndexFor(Settings.HistoryImageCount))
        m_mnuPlayHistory[*index]->setChecked(true);
}

void MainWindow::setPlaySpeed(int index) {
    trap(*m_errors, QStringLiteral("form1.mnuPlayImagePerSec_Click"), [&] {
        Settings.PlaySpeed = qint16(index);
        m_timer2.setInterval(core::timerIntervalForSpeed(Settings.PlaySpeed));
        updatePlaySpeedChecks(index);
    });
}

void MainWindow::setPlayHistory(int index) {
    trap(*m_errors, QStringLiteral("form1.mnuPlayHistory_Click"), [&] {
        Settings.HistoryImageCount = view::playHistoryCount(index);
        updatePlayHistoryChecks();
    });
}

} // namespace pluvix::app
