#pragma once

#include <QPoint>
#include <QString>

#include <functional>

class QImage;
class QMenu;
class QWidget;

namespace pluvix::app {

// The desktop services the main window uses: wallpaper, tray, window chrome and help.
// The program adapts the desktop folder's classes to it; tests pass a fake.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Wallpaper: read the user's values at start-up, follow the shown picture, put the
    // user's back.
    virtual void rememberUserWallpaper() = 0;
    virtual void followWallpaper(const QImage& picture) = 0;
    // The menu item: switching on shows the picture, switching off restores the user's.
    // Returns the item's new check state.
    virtual bool wallpaperMenuClicked(bool wasChecked, const QImage& shownPicture) = 0;
    virtual void restoreUserWallpaper() = 0;
    // False where the wallpaper cannot be set: the menu item then stays unchecked.
    virtual bool canSetWallpaper() const = 0;

    // Tray. minimizeToTray() hides the window behind one icon; without any tray it leaves the
    // window where it is and returns false.
    virtual void setTrayMenu(QMenu* menu) = 0;
    virtual void onTrayRestoreRequested(std::function<void()> restore) = 0;
    virtual bool minimizeToTray(QWidget* window) = 0;
    virtual void restoreFromTray(QWidget* window) = 0;
    virtual void removeTrayIcon() = 0;
    // The tray tip's lines about the shown picture, below the program's name.
    virtual void setTrayDetails(const QString& details) = 0;

    // Window chrome.
    virtual void showTitleBar(QWidget* window, bool show, bool isLoadingMap) = 0;
    virtual void setKeepOnTop(QWidget* window, bool onTop) = 0;
    // globalPressPos: where the button went down; the window follows the pointer from there.
    virtual void startWindowMove(QWidget* window, QPoint globalPressPos) = 0;

    // Help page in the default browser.
    virtual void openHelpPage() = 0;
};

} // namespace pluvix::app
