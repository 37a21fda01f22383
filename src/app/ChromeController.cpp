#include "app/ChromeController.h"

#include "app/Desktop.h"
#include "app/StoredView.h"
#include "diagnostics/ErrorTrap.h"
#include "settings/SettingsRecord.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"
#include "view/Twips.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

ChromeController::ChromeController(Parts parts, QObject* parent)
    : QObject(parent), m_p(std::move(parts)) {
    m_p.map.installEventFilter(this);
}

bool ChromeController::isNormalState() const {
    return !m_inTray && !(m_p.window.windowState() &
                          (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void ChromeController::showTitleBar(bool show) {
    trap(m_p.errors, procedure::titleBar,
         [&] { m_p.desktop.showTitleBar(&m_p.window, show, m_p.loading()); });
}

void ChromeController::applyStored() {
    trap(m_p.errors, procedure::statusPanel, [&] {
        if (m_p.settings.HideTitleBar == 1) {
            showTitleBar(false);
            m_titleBarHidden = true;
            emit titleBarHiddenChanged(true);
        }
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            emit statusPanelHiddenChanged(true);
        } else if (m_p.settings.HidePanel == 1) {
            m_panelHeight = view::statusPanelHiddenHeight;
            emit statusPanelHiddenChanged(true);
            m_p.layOut();
        } else {
            emit statusPanelHiddenChanged(false);
        }
    });
    m_p.clock.setHandColour(m_panelHeight == view::statusPanelHiddenHeight
                                ? view::ClockWidget::bareHandColour()
                                : view::ClockWidget::panelHandColour());
}

void ChromeController::toggleTitleBar() {
    const bool hide = !m_titleBarHidden;
    showTitleBar(!hide);
    m_titleBarHidden = hide;
    emit titleBarHiddenChanged(hide);
    if (!hide)
        emit titleBarShown();
}

void ChromeController::toggleStatusPanel() {
    trap(m_p.errors, procedure::statusPanel, [&] {
        QWidget& w = m_p.window;
        view::ClockWidget& clock = m_p.clock;
        // The height change lays the window out at once; the last steps then place the panel
        // and the clock, as the resize alone would leave the clock above the bottom edge.
        const int panelPx = qRound(view::twipsToPx(view::statusPanelShownHeight));
        if (m_panelHeight == view::statusPanelHiddenHeight) {
            clock.setHandColour(view::ClockWidget::panelHandColour());
            m_panelHeight = view::statusPanelShownHeight;
            m_p.panel.show();
            w.resize(w.width(), w.height() + panelPx);
            m_p.layOut();
            emit statusPanelHiddenChanged(false);
            clock.move(w.width() - clock.width(), clock.y());
        } else {
            clock.setHandColour(view::ClockWidget::bareHandColour());
            m_panelHeight = view::statusPanelHiddenHeight;
            m_p.panel.hide();
            if (m_p.stored.formHeight() > view::statusPanelShownHeight)
                w.resize(w.width(), w.height() - panelPx);
            m_p.layOut();
            emit statusPanelHiddenChanged(true);
            clock.move(w.width() - clock.width(), w.height() - clock.height());
        }
    });
}

void ChromeController::toggleKeepOnTop() {
    trap(m_p.errors, procedure::keepOnTop, [&] {
        const bool onTop = !m_keepOnTop;
        m_p.desktop.setKeepOnTop(&m_p.window, onTop);
        m_p.settings.TopMostWindow = onTop ? 1 : 0;
        m_keepOnTop = onTop;
        emit keepOnTopChanged(onTop);
    });
}

void ChromeController::windowDefault() {
    QWidget& w = m_p.window;
    w.resize(qRound(view::twipsToPx(5100)), qRound(view::twipsToPx(5985)));
    const StoredView& v = m_p.stored;
    w.move(qRound(view::twipsToPx((v.screenWidth() - v.formWidth()) / 2)),
           qRound(view::twipsToPx((v.screenHeight() - v.formHeight()) / 2)));
}

void ChromeController::followMinimized() {
    if ((m_p.window.windowState() & Qt::WindowMinimized) && m_p.settings.MinimizeToTray == 1 &&
        !m_inTray && !m_restoringFromTray && !m_p.ending()) {
        m_p.map.setMapVisible(false);
        minimizeToTray();
    }
}

void ChromeController::minimizeToTray() {
    trap(m_p.errors, procedure::toTray, [&] {
        m_inTray = m_p.desktop.minimizeToTray(&m_p.window);
        // Without a tray the window stays on the task bar and must stay whole.
        if (!m_inTray)
            m_p.map.setMapVisible(true);
    });
}

void ChromeController::restoreFromTray() {
    QWidget& w = m_p.window;
    trap(m_p.errors, procedure::fromTray, [&] {
        m_p.map.setMapVisible(true);
        m_restoringFromTray = true;
        m_p.desktop.restoreFromTray(&w);
        m_inTray = false;
        // The window system may still report the minimised state of before the restore while
        // the window maps; such a report must not send it back into the tray. Wait until the
        // window is up and has stayed normal for a moment.
        QDeadlineTimer deadline(3000);
        QElapsedTimer normalSince;
        while (!deadline.hasExpired()) {
            if (w.isMinimized() || !w.isVisible()) {
                w.showNormal();
                normalSince.invalidate();
            } else if (!normalSince.isValid()) {
                normalSince.start();
            } else if (normalSince.elapsed() > 300 && w.windowHandle() &&
                       w.windowHandle()->isExposed()) {
                break;
            }
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(10);
        }
    });
    m_restoringFromTray = false;
}

bool ChromeController::armWindowMove(Qt::MouseButton button) {
    if (!m_titleBarHidden)
        return false;
    m_windowMoveButton = button;
    return true;
}

bool ChromeController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_p.map)
        return false;
    if (event->type() == QEvent::MouseButtonPress)
        m_windowMovePress = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    if (m_windowMoveButton == Qt::NoButton)
        return false;
    if (event->type() == QEvent::MouseButtonRelease) {
        m_windowMoveButton = Qt::NoButton;
    } else if (event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & m_windowMoveButton)) {
            m_windowMoveButton = Qt::NoButton;
        } else if ((move->globalPosition().toPoint() - m_windowMovePress).manhattanLength() >=
                   QApplication::startDragDistance()) {
            m_windowMoveButton = Qt::NoButton;
            m_p.desktop.startWindowMove(&m_p.window, m_windowMovePress);
            return true;
        }
    }
    return false;
}

} // namespace pluvix::app
