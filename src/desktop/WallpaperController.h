#pragma once

#include "desktop/WallpaperBackend.h"

#include <QImage>
#include <QString>

namespace pluvix::platform {
class MessageBoxes;
}

namespace pluvix::desktop {

// Which wallpaper file a picture goes to.
enum class WallpaperFile {
    Follow,   // "99a03er.tmp": history load, slider and loop changes
    SwitchOn, // "99a03es.tmp": the menu item is switched on
};

enum class WallpaperResult { Set, Unsupported, SaveFailed, SetFailed };

// "Set Images to Wallpaper": the shown picture as the desktop wallpaper, and the user's own
// wallpaper back afterwards.
class WallpaperController {
public:
    // tempPath: the folder for temporary files; title: the application's title for notices.
    WallpaperController(WallpaperBackend& backend, platform::MessageBoxes& boxes, QString tempPath,
                        QString title);

    // At start-up, before anything is changed.
    void rememberUserWallpaper();
    // Writes the picture file and makes it the wallpaper, centred. Unsupported desktops: nothing.
    WallpaperResult update(const QImage& picture, WallpaperFile file);
    // Puts back what rememberUserWallpaper() read. False when nothing was read or it failed.
    bool restore();

    // The menu click; checked is the item's new state. Returns the state the item must show.
    bool toggle(bool checked, const QImage& shownPicture);

    // The file the last update() wrote (empty before the first).
    QString lastFile() const { return m_lastFile; }
    const SavedWallpaper& saved() const { return m_saved; }

    static QString baseFileName(WallpaperFile file);

private:
    QString nextPath(WallpaperFile file);

    WallpaperBackend& m_backend;
    platform::MessageBoxes& m_boxes;
    QString m_tempPath;
    QString m_title;
    SavedWallpaper m_saved;
    bool m_toldUnsupported = false;
    bool m_useSecondName[2] = {false, false};
    QString m_lastFile;
};

} // namespace pluvix::desktop
