// Range rings, presets, options, window chrome, tray, wallpaper and map files.
#include "app/MainWindow.h"

#include "acquisition/Catalogue.h"
#include "acquisition/ImageHistory.h"
#include "core/NumberText.h"
#include "core/RuntimeError.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/AboutBox.h"
#include "dialogs/OptionsDialog.h"
#include "presets/PresetButtons.h"
#include "presets/PresetStore.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"
#include "view/RangeRings.h"
#include "view/Twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QWindow>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

// --- range rings -------------------------------------------------------------------------------

void MainWindow::DrawCirclesRadius() {
    trap(*m_errors, procedure::rings, [&] {
        setRingLabels(view::RingLabels::Refresh);
        view::RingInputs in;
        in.map = m_mapState.rect();
        in.zoom = m_mapState.zoom();
        in.BullsEyeGraduations = Settings.BullsEyeGraduations;
        in.BullsEyeX = Settings.BullsEyeX;
        in.BullsEyeY = Settings.BullsEyeY;
        in.MapTypeShort = Settings.MapTypeShort;
        in.MapScaleShortRangeConstant = Settings.MapScaleShortRangeConstant;
        in.MapScaleLongRangeConstant = Settings.MapScaleLongRangeConstant;
        const int points = Settings.BullsEyeTextSize;
        m_map->setRings(view::ringLayout(in, [this, points](const QString& caption) {
            return m_map->ringLabelSizeTwips(caption, points);
        }));
        setRingLabels(view::RingLabels::Apply);
        action(QStringLiteral("mnuBullseyeOn"))->setChecked(Settings.ShowBullseye != 0);
    });
}

void MainWindow::setRingLabels(view::RingLabels request) {
    const auto decision = view::ringLabelsDecision(request, m_recall.busy(), Settings.ShowBullseye);
    if (decision.ignored)
        return;
    if (decision.applyStyle)
        m_map->setRingLabelPointSize(qMax<int>(1, Settings.BullsEyeTextSize));
    if (decision.visible)
        m_map->setRingsVisible(*decision.visible);
    yieldOnce();
}

void MainWindow::toggleBullseye() {
    releasePresetButtons();
    QAction* item = action(QStringLiteral("mnuBullseyeOn"));
    if (item->isChecked()) {
        Settings.ShowBullseye = 0;
        item->setChecked(false);
    } else {
        Settings.ShowBullseye = 1;
        item->setChecked(true);
    }
    clearPresetMark();
    DrawCirclesRadius();
}

void MainWindow::centreBullseye() {
    trap(*m_errors, procedure::centreBullseye, [&] {
        releasePresetButtons();
        const QPointF bullseye = m_mapState.centreBullseyeAtPopup(clientArea());
        Settings.BullsEyeY = float(bullseye.y());
        Settings.BullsEyeX = float(bullseye.x());
        clearPresetMark();
        DrawCirclesRadius();
    });
}

// --- caption -----------------------------------------------------------------------------------

QString MainWindow::stationTitle() const {
    return acquisition::stationTitle(AppName, Settings.BaseURL, Settings.MapTypeShort);
}

void MainWindow::ShowStationTitle() {
    // The caption is not shown while the title bar is hidden, but the file names and the
    // task bar still need it.
    setWindowTitle(stationTitle());
}

// --- preset panel ------------------------------------------------------------------------------

void MainWindow::ShowPresetButtons() {
    m_presets->ShowPresetButtons(Settings.NumberOfPresets);
}

void MainWindow::RefreshPresetButtons() {
    if (m_presetStore)
        m_presets->RefreshPresetButtons(*m_presetStore);
}

void MainWindow::freezePanel(bool frozen) {
    m_presets->setButtonsEnabled(!frozen);
    m_optionsButton->setEnabled(!frozen);
    m_loopSwitch->setEnabled(!frozen);
    m_historySlider->setEnabled(!frozen);
    m_zoomSlider->setEnabled(!frozen);
}

void MainWindow::releasePresetButtons() {
    m_presets->ResetPresetButtonSelect();
}

void MainWindow::clearPresetMark() {
    m_presets->ResetPresetCheckBox();
}

void MainWindow::presetPressed(int index, Qt::MouseButton button) {
    m_recall.press(index, button);
}

void MainWindow::followRecall() {
    using presets::PresetRecall;
    connect(&m_recall, &PresetRecall::slotStored, m_presets, &presets::PresetButtons::setToolTip);
    connect(&m_recall, &PresetRecall::recallBegins, this, [this](int slot) {
        releasePresetButtons();
        clearPresetMark();
        m_presets->setChecked(slot, true);
        m_progress->setValue(0);
        m_progress->setFormat(m_presets->toolTip(slot));
        m_progress->show();
        m_progress->raise();
        freezePanel(true);
    });
    connect(&m_recall, &PresetRecall::ringLabelsRequested, this, &MainWindow::setRingLabels);
    connect(&m_recall, &PresetRecall::picturesLeaving, this,
            [this] { m_map->setMapVisible(false); });
    connect(&m_recall, &PresetRecall::stationChanged, this, &MainWindow::ShowStationTitle);
    connect(&m_recall, &PresetRecall::recallLoaded, this, [this] {
        DrawCirclesRadius();
        showNewestImageTime();
    });
    connect(&m_recall, &PresetRecall::recallEnds, this, [this] {
        m_progress->setFormat(QStringLiteral("%p%"));
        if (!m_historySlider->isEnabled())
            freezePanel(false);
    });
    connect(&m_recall, &PresetRecall::recallAbandoned, this, [this](bool viewRestored) {
        if (viewRestored)
            clearPresetMark();
        m_progress->hide();
        m_map->setMapVisible(true);
        setRingLabels(view::RingLabels::Refresh);
        DrawCirclesRadius();
        setBusyPointer(false);
    });
}

// --- options -----------------------------------------------------------------------------------

void MainWindow::openOptionsFromPanel() {
    freezePanel(true);
    showOptions();
    m_pictureNumber->raise();
    m_recall.endBusy();
    setRingLabels(view::RingLabels::Refresh);
    freezePanel(false);
    releasePresetButtons();
}

void MainWindow::showOptions() {
    dialogs::OptionsDialog::showModal(*this, *m_errors, m_s.boxes, m_end, this);
    yieldOnce();
    DrawCirclesRadius();
}

settings::SettingsStore& MainWindow::settingsStore() {
    return m_s.store;
}

void MainWindow::AddMapCoord(const QString& section) {
    if (m_general)
        m_general->AddMapCoord(section);
}

void MainWindow::ReadMapCoord(const QString& section) {
    if (m_general)
        m_general->ReadMapCoord(section);
}

void MainWindow::showAboutBox() {
    dialogs::AboutBox::showModal(AppName, this);
}

// --- window chrome -----------------------------------------------------------------------------

void MainWindow::toggleTitleBar() {
    QAction* item = action(QStringLiteral("mnuHideTitleBar"));
    if (item->isChecked()) {
        trap(*m_errors, procedure::titleBar,
             [&] { m_s.desktop.showTitleBar(this, true, m_feed.isLoading()); });
        item->setChecked(false);
        ShowStationTitle();
    } else {
        trap(*m_errors, procedure::titleBar,
             [&] { m_s.desktop.showTitleBar(this, false, m_feed.isLoading()); });
        item->setChecked(true);
    }
}

void MainWindow::applyStoredChrome() {
    trap(*m_errors, procedure::statusPanel, [&] {
        QAction* hideStatus = action(QStringLiteral("mnuHideStatusBar"));
        if (Settings.HideTitleBar == 1) {
            trap(*m_errors, procedure::titleBar,
                 [&] { m_s.desktop.showTitleBar(this, false, m_feed.isLoading()); });
            action(QStringLiteral("mnuHideTitleBar"))->setChecked(true);
        }
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            hideStatus->setChecked(true);
        } else if (Settings.HidePanel == 1) {
            m_panelHeight = view::statusPanelHiddenHeight;
            hideStatus->setChecked(true);
            layOut();
        } else {
            hideStatus->setChecked(false);
        }
    });
}

void MainWindow::toggleStatusPanel() {
    trap(*m_errors, procedure::statusPanel, [&] {
        QAction* hideStatus = action(QStringLiteral("mnuHideStatusBar"));
        // The height change lays the window out at once; the last steps then place the panel
        // and the clock, as the resize alone would leave the clock above the bottom edge.
        const int panelPx = qRound(view::twipsToPx(view::statusPanelShownHeight));
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            m_clock->setHandColour(view::ClockWidget::panelHandColour());
            m_panelHeight = view::statusPanelShownHeight;
            m_panel->show();
            resize(width(), height() + panelPx);
            layOut();
            hideStatus->setChecked(false);
            m_clock->move(width() - m_clock->width(), m_clock->y());
        } else {
            m_clock->setHandColour(view::ClockWidget::bareHandColour());
            m_panelHeight = view::statusPanelHiddenHeight;
            m_panel->hide();
            if (m_storedView.formHeight() > view::statusPanelShownHeight)
                resize(width(), height() - panelPx);
            layOut();
            hideStatus->setChecked(true);
            m_clock->move(width() - m_clock->width(), height() - m_clock->height());
        }
    });
}

void MainWindow::toggleKeepOnTop() {
    trap(*m_errors, procedure::keepOnTop, [&] {
        QAction* item = action(QStringLiteral("mnuKeepOnTop"));
        const bool onTop = !item->isChecked();
        m_s.desktop.setKeepOnTop(this, onTop);
        m_topMost = onTop;
        Settings.TopMostWindow = onTop ? 1 : 0;
        item->setChecked(onTop);
    });
}

void MainWindow::windowDefault() {
    resize(qRound(view::twipsToPx(5100)), qRound(view::twipsToPx(5985)));
    const StoredView& v = m_storedView;
    move(qRound(view::twipsToPx((v.screenWidth() - v.formWidth()) / 2)),
         qRound(view::twipsToPx((v.screenHeight() - v.formHeight()) / 2)));
}

// --- tray and help -----------------------------------------------------------------------------

void MainWindow::minimizeToTray() {
    trap(*m_errors, procedure::toTray, [&] {
        m_inTray = m_s.desktop.minimizeToTray(this);
        // Without a tray the window stays on the task bar and must stay whole.
        if (!m_inTray)
            m_map->setMapVisible(true);
    });
}

void MainWindow::restoreFromTray() {
    trap(*m_errors, procedure::fromTray, [&] {
        m_map->setMapVisible(true);
        m_restoringFromTray = true;
        m_s.desktop.restoreFromTray(this);
        m_inTray = false;
        // The window system may still report the minimised state of before the restore while
        // the window maps; such a report must not send it back into the tray. Wait until the
        // window is up and has stayed normal for a moment.
        QDeadlineTimer deadline(3000);
        QElapsedTimer normalSince;
        while (!deadline.hasExpired()) {
            if (isMinimized() || !isVisible()) {
                showNormal();
                normalSince.invalidate();
            } else if (!normalSince.isValid()) {
                normalSince.start();
            } else if (normalSince.elapsed() > 300 && windowHandle() &&
                       windowHandle()->isExposed()) {
                break;
            }
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(10);
        }
    });
    m_restoringFromTray = false;
}

void MainWindow::openHelp() {
    trap(*m_errors, procedure::help, [&] {
        setBusyPointer(true);
        m_s.desktop.openHelpPage();
        setBusyPointer(false);
    });
}

// --- wallpaper ---------------------------------------------------------------------------------

void MainWindow::toggleWallpaper() {
    const bool wasChecked = wallpaperChecked();
    setWallpaperChecked(m_s.desktop.wallpaperMenuClicked(wasChecked, m_map->picture()));
}

// --- map files ---------------------------------------------------------------------------------

QString MainWindow::currentTag() const {
    return m_feed.history().tag(m_playback.position() - 1);
}

void MainWindow::saveMap() {
    trap(*m_errors, procedure::saveMap, [&] {
        const int i = m_playback.position() - 1;
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, AppName);
        const acquisition::ImageHistory& history = m_feed.history();
        // The element's own picture, never what the map happens to show.
        const QImage picture = history.picture(i);
        if (picture.isNull())
            throw core::RuntimeError::invalidPicture();
        saver.saveMap(stationTitle(), {history.encoded(i), picture, history.tag(i)});
    });
}

void MainWindow::saveSeries() {
    trap(*m_errors, procedure::saveSeries, [&] {
        const int first = m_playback.minimum() - 1;
        const int last = m_playback.maximum() - 1;
        QList<desktop::MapPicture> pictures;
        // Decoded one at a time while saved: a long history of large pictures would not fit.
        for (int i = first; i <= last; ++i) {
            QByteArray bytes = m_feed.history().encoded(i);
            auto decode = [bytes] {
                QImage image;
                diagnostics::ignoreErrors([&] { image = acquisition::decodePicture(bytes); });
                return image;
            };
            pictures.append({bytes, {}, m_feed.history().tag(i), decode});
        }
        desktop::MapSaver::SeriesHooks hooks;
        hooks.freezePanel = [this](bool freeze) {
            setBusyPointer(freeze);
            freezePanel(freeze);
        };
        hooks.resetPollCounter = [this] { m_feed.restartPollCount(); };
        hooks.showElement = [this](int i) { showPicture(i); };
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, AppName);
        const auto outcome = saver.saveSeries(stationTitle(), currentTag(), first, pictures, hooks);
        if (!outcome.undecodable.isEmpty()) {
            const auto invalid = core::RuntimeError::invalidPicture();
            throw core::RuntimeError(invalid.number(), invalid.description() +
                                                           QStringLiteral(": ") +
                                                           outcome.undecodable.join(u", "));
        }
    });
}

} // namespace pluvix::app
