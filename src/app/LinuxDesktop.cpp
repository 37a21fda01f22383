#include "app/LinuxDesktop.h"

#include "desktop/CommandRunner.h"
#include "desktop/HelpPage.h"
#include "desktop/TrayController.h"
#include "desktop/TrayIcon.h"
#include "desktop/WallpaperBackend.h"
#include "desktop/WallpaperController.h"
#include "desktop/WindowChrome.h"

#include "platform/MessageBoxes.h"

#include <QDir>
#include <QWidget>

namespace pluvix::app {

LinuxDesktop::LinuxDesktop(platform::MessageBoxes& boxes, const QString& tempPath,
                           const QString& appName, const QString& programDir)
    : m_boxes(boxes), m_appName(appName),
      m_runner(std::make_unique<desktop::ProcessCommandRunner>()),
      m_backend(desktop::createWallpaperBackendForSession(*m_runner)),
      m_wallpaper(
          std::make_unique<desktop::WallpaperController>(*m_backend, boxes, tempPath, appName)),
      m_trayIcon(std::make_unique<desktop::SystemTrayIcon>()),
      m_urlOpener(std::make_unique<desktop::DesktopUrlOpener>()),
      m_help(std::make_unique<desktop::HelpPage>(*m_urlOpener, programDir)) {}

LinuxDesktop::~LinuxDesktop() = default;

void LinuxDesktop::rememberUserWallpaper() {
    m_wallpaper->rememberUserWallpaper();
}

void LinuxDesktop::followWallpaper(const QImage& picture) {
    m_wallpaper->update(picture, desktop::WallpaperFile::Follow);
}

bool LinuxDesktop::wallpaperMenuClicked(bool wasChecked, const QImage& shownPicture) {
    return m_wallpaper->toggle(!wasChecked, shownPicture);
}

void LinuxDesktop::restoreUserWallpaper() {
    m_wallpaper->restore();
}

bool LinuxDesktop::canSetWallpaper() const {
    return m_wallpaper->canSetWallpaper();
}

desktop::TrayController& LinuxDesktop::tray(QWidget* window) {
    if (!m_tray) {
        m_tray = std::make_unique<desktop::TrayController>(*m_trayIcon, *window, m_appName);
        m_tray->setMenu(m_trayMenu);
        m_tray->setDetails(m_trayDetails);
        m_tray->setTrayStateChanged([this](bool inTray) {
            // A click on the icon restores through the window, which then asks us again.
            if (!inTray && m_restore && !m_restoring)
                m_restore();
        });
    }
    return *m_tray;
}

void LinuxDesktop::setTrayMenu(QMenu* menu) {
    m_trayMenu = menu;
    if (m_tray)
        m_tray->setMenu(menu);
}

void LinuxDesktop::onTrayRestoreRequested(std::function<void()> restore) {
    m_restore = std::move(restore);
}

bool LinuxDesktop::minimizeToTray(QWidget* window) {
    return tray(window).minimizeToTray();
}

void LinuxDesktop::restoreFromTray(QWidget* window) {
    auto& t = tray(window);
    if (t.isInTray()) {
        m_restoring = true;
        t.restore();
        m_restoring = false;
    } else {
        window->showNormal();
    }
}

void LinuxDesktop::setTrayDetails(const QString& details) {
    m_trayDetails = details;
    if (m_tray)
        m_tray->setDetails(details);
}

void LinuxDesktop::removeTrayIcon() {
    if (m_tray)
        m_tray->shutdown();
}

void LinuxDesktop::showTitleBar(QWidget* window, bool show, bool isLoadingMap) {
    desktop::ShowTitleBar(window, show, isLoadingMap);
}

void LinuxDesktop::setKeepOnTop(QWidget* window, bool onTop) {
    desktop::setKeepOnTop(window, onTop);
}

void LinuxDesktop::startWindowMove(QWidget* window, QPoint globalPressPos) {
    desktop::startWindowMove(window, globalPressPos);
}

void LinuxDesktop::openHelpPage() {
    if (!m_help->openHelpPage())
        m_boxes.ok(m_appName,
                   QStringLiteral("No web browser could be started to show the help page.\n"
                                  "You can open it yourself:\n") +
                       QDir::toNativeSeparators(m_help->url().toLocalFile()));
}

} // namespace pluvix::app
