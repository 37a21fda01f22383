#include "desktop/TrayController.h"

#include "desktop/TrayIcon.h"

#include <QApplication>
#include <QStyle>

namespace pluvix::desktop {

TrayController::TrayController(TrayIcon& tray, QWidget& window, QString appName)
    : m_tray(tray), m_window(&window), m_appName(std::move(appName)) {
    m_clicks = QObject::connect(&m_tray, &TrayIcon::clicked, &m_tray,
                                [this](TrayClick click) { onClicked(click); });
}

TrayController::~TrayController() {
    QObject::disconnect(m_clicks);
}

void TrayController::setMenu(QMenu* menu) {
    m_tray.setMenu(menu);
}

QString TrayController::tip() const {
    return m_details.isEmpty() ? trayTip(m_appName) : trayTip(m_appName) + u'\n' + m_details;
}

void TrayController::setDetails(const QString& details) {
    if (details == m_details)
        return;
    m_details = details;
    if (m_tray.isShown())
        m_tray.setToolTip(tip());
}

bool TrayController::handleMinimized(int MinimizeToTray) {
    if (MinimizeToTray != 1)
        return false;
    return minimizeToTray();
}

bool TrayController::minimizeToTray() {
    if (!m_window)
        return false;
    m_host = m_tray.host();
    if (m_host == TrayHost::None)
        return false;
    QIcon icon = m_icon;
    if (icon.isNull())
        icon = m_window->windowIcon();
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    if (!m_tray.isShown())
        m_tray.show(icon, tip());
    m_window->hide();
    if (!m_inTray) {
        m_inTray = true;
        if (m_trayStateChanged)
            m_trayStateChanged(true);
    }
    return true;
}

void TrayController::restore() {
    if (m_window) {
        if (m_trayStateChanged && m_inTray)
            m_trayStateChanged(false);
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    m_inTray = false;
    m_tray.hide();
}

void TrayController::shutdown() {
    m_tray.hide();
    m_inTray = false;
}

void TrayController::onClicked(TrayClick click) {
    if (m_inTray && isRestoreClick(m_host, click))
        restore();
}

} // namespace pluvix::desktop
