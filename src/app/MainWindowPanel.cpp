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

// --- range rings -------------------------------------------------------------------------------

void MainWindow::DrawCirclesRadius() {
    trap(*m_errors, QStringLiteral("form1.DrawCirclesRadius"), [&] {
        HideShowBullseyeLabels(0);
        view::RingInputs in;
        in.map = mapRect();
        in.zoom = m_slider[1]->value();
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
        HideShowBullseyeLabels(3);
        action(QStringLiteral("mnuBullseyeOn"))->setChecked(Settings.ShowBullseye != 0);
    });
}

void MainWindow::HideShowBullseyeLabels(int vActionType) {
    const auto decision =
        view::hideShowBullseyeLabelsDecision(qint16(vActionType), PanelBusy, Settings.ShowBullseye);
    if (decision.ignored)
        return;
    if (decision.applyStyle)
        m_map->setRingLabelPointSize(qMax<int>(1, Settings.BullsEyeTextSize));
    if (decision.visible)
        m_map->setRingsVisible(*decision.visible);
    yieldOnce();
}

void MainWindow::mnuBullseyeOn_Click() {
    ResetPresetButtonSelect();
    QAction* item = action(QStringLiteral("mnuBullseyeOn"));
    if (item->isChecked()) {
        Settings.ShowBullseye = 0;
        item->setChecked(false);
    } else {
        Settings.ShowBullseye = 1;
        item->setChecked(true);
    }
    ResetPresetCheckBox();
    DrawCirclesRadius();
}

void MainWindow::mnuCenterBullseye_Click() {
    trap(*m_errors, QStringLiteral("mnuCenterBullseye_Click"), [&] {
        ResetPresetButtonSelect();
        const auto centred = view::centerBullseye(PopupX, PopupY, clientArea(), mapRect());
        Settings.BullsEyeY = centred.BullsEyeY;
        Settings.BullsEyeX = centred.BullsEyeX;
        applyMapRect(centred.map);
        ResetPresetCheckBox();
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

void MainWindow::FreezePanelButtons(bool vFr) {
    m_presets->setButtonsEnabled(!vFr);
    m_command1->setEnabled(!vFr);
    m_loopSwitch->setEnabled(!vFr);
    m_slider[0]->setEnabled(!vFr);
    m_slider[1]->setEnabled(!vFr);
}

void MainWindow::ResetPresetButtonSelect() {
    m_presets->ResetPresetButtonSelect();
}

void MainWindow::ResetPresetCheckBox() {
    m_presets->ResetPresetCheckBox();
}

void MainWindow::ctrlPreset_MouseDown(int Index, Qt::MouseButton Button) {
    if (!m_presetStore)
        return;
    bool recalling = false;
    bool reloading = false;
    presets::PresetView previous;
    std::optional<view::MapRect> previousRect;
    const bool done = trap(*m_errors, QStringLiteral("form1.ctrlPreset_MouseDown"), [&] {
        if (Button == Qt::RightButton) {
            presets::PresetView current;
            current.BaseURL = Settings.BaseURL.trimmed();
            current.RadarStationName = Settings.RadarStationName.trimmed();
            current.MapTypeShort = Settings.MapTypeShort.trimmed();
            const auto r = mapRect();
            current.MapLeft = r.Left;
            current.MapTop = r.Top;
            current.MapWidth = r.Width;
            current.MapHeight = r.Height;
            current.ZoomLevel = m_slider[1]->value();
            current.BullsEyeGraduations = Settings.BullsEyeGraduations;
            current.BullsEyeY = Settings.BullsEyeY;
            current.BullsEyeX = Settings.BullsEyeX;
            presets::storePresetPrompt(Index, current, *m_presetStore, *m_presets, m_s.boxes);
            return;
        }
        if (Button != Qt::LeftButton)
            return;
        recalling = true;
        ResetPresetButtonSelect();
        ResetPresetCheckBox();
        m_presets->setChecked(Index, true);
        m_progress->setValue(0);
        m_progress->setFormat(m_presets->toolTip(Index));
        m_progress->show();
        m_progress->raise();
        FreezePanelButtons(true);
        PollCounter = 0;
        HideShowBullseyeLabels(1);
        if (m_shutDownDone)
            return;
        PanelBusy = true;
        const presets::PresetView view = m_presetStore->read(Index);
        previous.RadarStationName = Settings.RadarStationName;
        previous.MapTypeShort = Settings.MapTypeShort;
        previous.BaseURL = Settings.BaseURL;
        previousRect = mapRect();
        Settings.RadarStationName = view.RadarStationName;
        Settings.MapTypeShort = view.MapTypeShort;
        Settings.BaseURL = view.BaseURL;
        m_map->setMapVisible(false);
        ShowStationTitle();
        setMapWidth(view.MapWidth);
        setMapHeight(view.MapHeight);
        setMapLeft(view.MapLeft);
        setMapTop(view.MapTop);
        m_IsLoadingMap = true;
        setZoomValue(view.ZoomLevel);
        m_IsLoadingMap = false;
        Settings.BullsEyeGraduations = view.BullsEyeGraduations;
        Settings.BullsEyeX = view.BullsEyeX;
        Settings.BullsEyeY = view.BullsEyeY;
        reloading = true;
        ReFreshNewMap();
        if (m_shutDownDone)
            return;
        DrawCirclesRadius();
        showNewestImageTime();
        ShowStationTitle();
        PanelBusy = false;
        HideShowBullseyeLabels(0);
        FreezePanelButtons(false);
    });
    if (m_shutDownDone)
        return;
    // Whatever happened, the panel must not stay frozen behind a failed recall.
    PanelBusy = false;
    m_progress->setFormat(QStringLiteral("%p%"));
    if (!m_slider[0]->isEnabled())
        FreezePanelButtons(false);
    if (done || !recalling)
        return;
    // Retry gave the recall up. Before the reload the pictures are still the previous
    // station's: the previous view goes back with them. Either way the window stays usable.
    if (!reloading && previousRect) {
        Settings.RadarStationName = previous.RadarStationName;
        Settings.MapTypeShort = previous.MapTypeShort;
        Settings.BaseURL = previous.BaseURL;
        applyMapRect(*previousRect);
        ShowStationTitle();
        ResetPresetCheckBox();
    }
    m_IsLoadingMap = false;
    m_progress->hide();
    m_map->setMapVisible(true);
    HideShowBullseyeLabels(0);
    DrawCirclesRadius();
    setBusyPointer(false);
}

// --- options -----------------------------------------------------------------------------------

void MainWindow::Command1_Click() {
    FreezePanelButtons(true);
    ShowPreferencesDialog();
    m_label3->raise();
    PanelBusy = false;
    HideShowBullseyeLabels(0);
    FreezePanelButtons(false);
    ResetPresetButtonSelect();
}

void MainWindow::ShowPreferencesDialog() {
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

void MainWindow::ToggleTitleBar() {
    QAction* item = action(QStringLiteral("mnuHideTitleBar"));
    if (item->isChecked()) {
        trap(*m_errors, QStringLiteral("Module1.ShowTitleBar"),
             [&] { m_s.desktop.showTitleBar(this, true, m_IsLoadingMap); });
        item->setChecked(false);
        ShowStationTitle();
    } else {
        trap(*m_errors, QStringLiteral("Module1.ShowTitleBar"),
             [&] { m_s.desktop.showTitleBar(this, false, m_IsLoadingMap); });
        item->setChecked(true);
    }
}

void MainWindow::ToggleStatusBar(bool bToggle) {
    trap(*m_errors, QStringLiteral("Module1.ToggleStatusBar"), [&] {
        QAction* hideStatus = action(QStringLiteral("mnuHideStatusBar"));
        if (!bToggle) {
            if (Settings.HideTitleBar == 1) {
                trap(*m_errors, QStringLiteral("Module1.ShowTitleBar"),
                     [&] { m_s.desktop.showTitleBar(this, false, m_IsLoadingMap); });
                action(QStringLiteral("mnuHideTitleBar"))->setChecked(true);
            }
            if (m_panelHeight == view::statusPanelHiddenHeight) {
                hideStatus->setChecked(true);
            } else if (Settings.HidePanel == 1) {
                m_panelHeight = view::statusPanelHiddenHeight;
                hideStatus->setChecked(true);
                Form_Resize();
            } else {
                hideStatus->setChecked(false);
            }
            return;
        }
        // The height change lays the window out at once; the last steps then place the panel
        // and the clock, as the resize alone would leave the clock above the bottom edge.
        const int panelPx = qRound(view::twipsToPx(view::statusPanelShownHeight));
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            m_clock->setHandColour(view::ClockWidget::panelHandColour());
            m_panelHeight = view::statusPanelShownHeight;
            m_panel->show();
            resize(width(), height() + panelPx);
            Form_Resize();
            hideStatus->setChecked(false);
            m_clock->move(width() - m_clock->width(), m_clock->y());
        } else {
            m_clock->setHandColour(view::ClockWidget::bareHandColour());
            m_panelHeight = view::statusPanelHiddenHeight;
            m_panel->hide();
            if (formHeight() > view::statusPanelShownHeight)
                resize(width(), height() - panelPx);
            Form_Resize();
            hideStatus->setChecked(true);
            m_clock->move(width() - m_clock->width(), height() - m_clock->height());
        }
    });
}

void MainWindow::ToggleTopWindow() {
    trap(*m_errors, QStringLiteral("Module1.ToggleTopWindow"), [&] {
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
    move(qRound(view::twipsToPx((screenWidth() - formWidth()) / 2)),
         qRound(view::twipsToPx((screenHeight() - formHeight()) / 2)));
}

// --- tray and help -----------------------------------------------------------------------------

void MainWindow::Minimize_To_Tray() {
    trap(*m_errors, QStringLiteral("form1.Minimize_To_Tray"), [&] {
        m_inTray = m_s.desktop.minimizeToTray(this);
        // Without a tray the window stays on the task bar and must stay whole.
        if (!m_inTray)
            m_map->setMapVisible(true);
    });
}

void MainWindow::mnuShowPluvix_Click() {
    trap(*m_errors, QStringLiteral("form1.mnuShowPluvix_Click"), [&] {
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

void MainWindow::mnuHelp_Click() {
    trap(*m_errors, QStringLiteral("form1.mnuHelp_Click"), [&] {
        setBusyPointer(true);
        m_s.desktop.openHelpPage();
        setBusyPointer(false);
    });
}

// --- wallpaper ---------------------------------------------------------------------------------

void MainWindow::mnuSetImageWallpaper_Click() {
    const bool wasChecked = wallpaperChecked();
    setWallpaperChecked(m_s.desktop.wallpaperMenuClicked(wasChecked, m_map->picture()));
}

// --- map files ---------------------------------------------------------------------------------

QString MainWindow::currentTag() const {
    return Image2.tag(m_slider[0]->value() - 1);
}

void MainWindow::mnuSaveMap_Click() {
    trap(*m_errors, QStringLiteral("form1.mnuSaveMap_Click"), [&] {
        const int i = m_slider[0]->value() - 1;
        // The element's own picture, never what the map happens to show.
        const QImage picture = Image2.picture(i);
        if (picture.isNull())
            throw core::RuntimeError::invalidPicture();
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, AppName);
        saver.saveMap(stationTitle(), {Image2.encoded(i), picture, Image2.tag(i)});
    });
}

void MainWindow::mnuSaveSeriesMap_Click() {
    trap(*m_errors, QStringLiteral("form1.mnuSaveSeriesMap_Click"), [&] {
        const int first = m_slider[0]->minimum() - 1;
        const int last = m_slider[0]->maximum() - 1;
        QList<desktop::MapPicture> pictures;
        // Decoded one at a time while saved: a long history of large pictures would not fit.
        for (int i = first; i <= last; ++i) {
            QByteArray bytes = Image2.encoded(i);
            auto decode = [bytes] {
                QImage image;
                diagnostics::ignoreErrors([&] { image = acquisition::decodePicture(bytes); });
                return image;
            };
            pictures.append({bytes, {}, Image2.tag(i), decode});
        }
        desktop::MapSaver::SeriesHooks hooks;
        hooks.freezePanel = [this](bool freeze) {
            setBusyPointer(freeze);
            FreezePanelButtons(freeze);
        };
        hooks.resetPollCounter = [this] { PollCounter = 0; };
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
