#pragma once

#include <QMap>
#include <QString>

#include <memory>

namespace pluvix::desktop {

class CommandRunner;

// The user's wallpaper as the desktop itself stores it, kept raw so that a restore writes back
// exactly what was there. A value that could not be read is absent and is not written back.
struct SavedWallpaper {
    bool taken = false;
    QMap<QString, QString> values;
};

// The four wallpaper operations of one desktop.
class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;
    virtual QString desktopName() const = 0;
    virtual bool isSupported() const { return true; }
    // True when the desktop keeps showing its cached copy if a file changes under the same
    // path; a new picture then needs a new path.
    virtual bool cachesByPath() const = 0;

    virtual SavedWallpaper read() = 0;
    // Centred, not tiled.
    virtual bool writePlacement() = 0;
    virtual bool setPicture(const QString& file) = 0;
    virtual bool restore(const SavedWallpaper& saved) = 0;
};

enum class DesktopKind { Gnome, Cinnamon, Mate, Xfce, Plasma, LXQt, Unsupported };

// From XDG_CURRENT_DESKTOP (a colon-separated list); the first entry we know decides.
DesktopKind desktopKindFrom(const QString& xdgCurrentDesktop);

// configDir: the user's configuration folder (XDG_CONFIG_HOME); empty means the standard one.
std::unique_ptr<WallpaperBackend> createWallpaperBackend(DesktopKind kind, CommandRunner& runner,
                                                         const QString& configDir = {});

// The backend for the desktop this program runs on.
std::unique_ptr<WallpaperBackend> createWallpaperBackendForSession(CommandRunner& runner);

} // namespace pluvix::desktop
