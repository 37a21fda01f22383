#pragma once

#include "app/Desktop.h"

#include <memory>

namespace pluvix::platform {
class MessageBoxes;
}
namespace pluvix::desktop {
class CommandRunner;
class HelpPage;
class TrayController;
class TrayIcon;
class UrlOpener;
class WallpaperBackend;
class WallpaperController;
} // namespace pluvix::desktop

namespace pluvix::app {

// The desktop of the running session: wallpaper backend chosen from XDG_CURRENT_DESKTOP,
// the system tray, the window manager and the default browser.
class LinuxDesktop final : public Desktop {
public:
    LinuxDesktop(platform::MessageBoxes& boxes, const QString& tempPath, const QString& appName,
                 const QString& programDir);
    ~LinuxDesktop() override;

    void rememberUserWallpaper() override;
    void followWallpaper(const QImage& picture) override;
    bool wallpaperMenuClicked(bool wasChecked, const QImage& shownPicture) override;
    void restoreUserWallpaper() override;
    bool canSetWallpaper() const override;

    void setTrayMenu(QMenu* menu) override;
    void onTrayRestoreRequested(std::function<void()> restore) override;
    bool minimizeToTray(QWidget* window) override;
    void restoreFromTray(QWidget* window) override;
    void removeTrayIcon() override;
    void setTrayDetails(const QString& details) override;

    void showTitleBar(QWidget* window, bool show, bool isLoadingMap) override;
    void setKeepOnTop(QWidget* window, bool onTop) override;
    void startWindowMove(QWidget* window, QPoint globalPressPos) override;

    void openHelpPage() override;

private:
    desktop::TrayController& tray(QWidget* window);

    platform::MessageBoxes& m_boxes;
    QString m_appName;
    std::unique_ptr<desktop::CommandRunner> m_runner;
    std::unique_ptr<desktop::WallpaperBackend> m_backend;
    std::unique_ptr<desktop::WallpaperController> m_wallpaper;
    std::unique_ptr<desktop::TrayIcon> m_trayIcon;
    std::unique_ptr<desktop::TrayController> m_tray;
    std::unique_ptr<desktop::UrlOpener> m_urlOpener;
    std::unique_ptr<desktop::HelpPage> m_help;
    QMenu* m_trayMenu = nullptr;
    QString m_trayDetails;
    std::function<void()> m_restore;
    bool m_restoring = false;
};

} // namespace pluvix::app
