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
        action(QStringLiteral("mnuBullseyeOn"))->setChecked(m_viewer.settings().ShowBullseye != 0);
    });
}

void MainWindow::toggleBullseye() {
    releasePresetButtons();
    QAction* item = action(QStringLiteral("mnuBullseyeOn"));
    if (item->isChecked()) {
        m_viewer.settings().ShowBullseye = 0;
        item->setChecked(false);
    } else {
        m_viewer.settings().ShowBullseye = 1;
        item->setChecked(true);
    }
    clearPresetMark();
    drawRings();
}

void MainWindow::centreBullseye() {
    trap(m_viewer.errors(), procedure::centreBullseye, [&] {
        releasePresetButtons();
        const QPointF bullseye = m_viewer.mapState().centreBullseyeAtPopup(clientArea());
        m_viewer.settings().BullsEyeY = float(bullseye.y());
        m_viewer.settings().BullsEyeX = float(bullseye.x());
        clearPresetMark();
        drawRings();
    });
}

// --- preset panel ------------------------------------------------------------------------------

void MainWindow::showPresetCount(int count) {
    m_presets->ShowPresetButtons(qint16(count));
}

void MainWindow::RefreshPresetButtons() {
    if (m_viewer.presetStore())
        m_presets->RefreshPresetButtons(*m_viewer.presetStore());
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
    m_viewer.presetRecall().press(index, button);
}

void MainWindow::followRecall() {
    using presets::PresetRecall;
    connect(&m_viewer.presetRecall(), &PresetRecall::slotStored, m_presets,
            &presets::PresetButtons::setToolTip);
    connect(&m_viewer.presetRecall(), &PresetRecall::recallBegins, this, [this](int slot) {
        releasePresetButtons();
        clearPresetMark();
        m_presets->setChecked(slot, true);
        m_progress->setValue(0);
        m_progress->setFormat(m_presets->toolTip(slot));
        m_progress->show();
        m_progress->raise();
        freezePanel(true);
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
        m_progress->setFormat(QStringLiteral("%p%"));
        if (!m_historySlider->isEnabled())
            freezePanel(false);
    });
    connect(&m_viewer.presetRecall(), &PresetRecall::recallAbandoned, this,
            [this](bool viewRestored) {
                if (viewRestored)
                    clearPresetMark();
                m_progress->hide();
                m_map->setMapVisible(true);
                m_viewer.setRingLabels(view::RingLabels::Refresh);
                drawRings();
                Viewer::setBusyPointer(false);
            });
}

// --- options -----------------------------------------------------------------------------------

void MainWindow::openOptionsFromPanel() {
    freezePanel(true);
    showOptions();
    m_pictureNumber->raise();
    m_viewer.presetRecall().endBusy();
    m_viewer.setRingLabels(view::RingLabels::Refresh);
    freezePanel(false);
    releasePresetButtons();
}

void MainWindow::showOptions() {
    dialogs::OptionsDialog::showModal(m_viewer, m_viewer.errors(), m_s.boxes, m_viewer.endWatch(),
                                      this);
    m_viewer.letEventsRun();
    drawRings();
}

void MainWindow::showAbout() {
    dialogs::AboutBox::showModal(m_viewer.appName(), this);
}

// --- window chrome -----------------------------------------------------------------------------

void MainWindow::toggleTitleBar() {
    QAction* item = action(QStringLiteral("mnuHideTitleBar"));
    if (item->isChecked()) {
        trap(m_viewer.errors(), procedure::titleBar,
             [&] { m_s.desktop.showTitleBar(this, true, m_viewer.feed().isLoading()); });
        item->setChecked(false);
        m_viewer.ShowStationTitle();
    } else {
        trap(m_viewer.errors(), procedure::titleBar,
             [&] { m_s.desktop.showTitleBar(this, false, m_viewer.feed().isLoading()); });
        item->setChecked(true);
    }
}

void MainWindow::applyStoredChrome() {
    trap(m_viewer.errors(), procedure::statusPanel, [&] {
        QAction* hideStatus = action(QStringLiteral("mnuHideStatusBar"));
        if (m_viewer.settings().HideTitleBar == 1) {
            trap(m_viewer.errors(), procedure::titleBar,
                 [&] { m_s.desktop.showTitleBar(this, false, m_viewer.feed().isLoading()); });
            action(QStringLiteral("mnuHideTitleBar"))->setChecked(true);
        }
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            hideStatus->setChecked(true);
        } else if (m_viewer.settings().HidePanel == 1) {
            m_panelHeight = view::statusPanelHiddenHeight;
            hideStatus->setChecked(true);
            layOut();
        } else {
            hideStatus->setChecked(false);
        }
    });
}

void MainWindow::toggleStatusPanel() {
    trap(m_viewer.errors(), procedure::statusPanel, [&] {
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
    trap(m_viewer.errors(), procedure::keepOnTop, [&] {
        QAction* item = action(QStringLiteral("mnuKeepOnTop"));
        const bool onTop = !item->isChecked();
        m_s.desktop.setKeepOnTop(this, onTop);
        m_viewer.settings().TopMostWindow = onTop ? 1 : 0;
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
    trap(m_viewer.errors(), procedure::toTray, [&] {
        m_inTray = m_s.desktop.minimizeToTray(this);
        // Without a tray the window stays on the task bar and must stay whole.
        if (!m_inTray)
            m_map->setMapVisible(true);
    });
}

void MainWindow::restoreFromTray() {
    trap(m_viewer.errors(), procedure::fromTray, [&] {
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
    trap(m_viewer.errors(), procedure::help, [&] {
        Viewer::setBusyPointer(true);
        m_s.desktop.openHelpPage();
        Viewer::setBusyPointer(false);
    });
}

// --- map files ---------------------------------------------------------------------------------

QString MainWindow::currentTag() const {
    return m_viewer.feed().history().tag(m_viewer.playback().position() - 1);
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
            freezePanel(freeze);
        };
        hooks.resetPollCounter = [this] { m_viewer.feed().restartPollCount(); };
        hooks.showElement = [this](int i) { m_viewer.showPicture(i); };
        desktop::MapSaver saver(m_s.fileDialogs, m_s.boxes, m_viewer.appName());
        const auto outcome =
            saver.saveSeries(m_viewer.stationTitle(), currentTag(), first, pictures, hooks);
        if (!outcome.undecodable.isEmpty()) {
            const auto invalid = core::RuntimeError::invalidPicture();
            throw core::RuntimeError(invalid.number(), invalid.description() +
                                                           QStringLiteral(": ") +
                                                           outcome.undecodable.join(u", "));
        }
    });
}

} // namespace pluvix::app
