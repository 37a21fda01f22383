#pragma once

#include "desktop/WallpaperBackend.h"

#include <QImage>
#include <QString>

#include <optional>

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

    // At start-up, before anything is changed. A session that ended without putting the user's
    // wallpaper back left the user's values on disk; they are taken while our picture is still
    // on the desktop.
    void rememberUserWallpaper();
    // False where this desktop's wallpaper cannot be set: the menu item must stay unchecked.
    bool canSetWallpaper() const { return m_backend.isSupported(); }
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
    // Where the user's values wait while our picture is on the desktop.
    QString keptValuesFile() const;

private:
    QString nextPath(WallpaperFile file);
    bool mentionsTempFolder(const QString& value) const;
    void keepUserValues();
    std::optional<SavedWallpaper> keptUserValues() const;

    WallpaperBackend& m_backend;
    platform::MessageBoxes& m_boxes;
    QString m_tempPath;
    QString m_title;
    SavedWallpaper m_saved;
    bool m_toldUnsupported = false;
    bool m_kept = false;   // the user's values are on disk
    bool m_placed = false; // the placement is written; frames then only change the picture
    bool m_useSecondName[2] = {false, false};
    QString m_lastFile;
};

} // namespace pluvix::desktop
