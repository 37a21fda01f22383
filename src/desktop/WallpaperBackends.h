#pragma once

#include "desktop/WallpaperBackend.h"

#include <QSet>
#include <QStringList>

#include <optional>

struct _GSettings;
struct _GVariant;

namespace pluvix::desktop {

// GNOME, Budgie, Cinnamon and MATE keep the wallpaper in GSettings. Not supported where the
// schema is not installed.
class GSettingsWallpaper final : public WallpaperBackend {
public:
    struct Layout {
        QString desktop;
        QString schema;
        QStringList pictureKeys; // the first must exist; the others are set when readable
        bool pictureIsUri = true;
        QString optionsKey;
        bool cachesByPath = false;
    };
    static Layout gnome();
    static Layout cinnamon();
    static Layout mate();

    explicit GSettingsWallpaper(Layout layout);
    ~GSettingsWallpaper() override;
    GSettingsWallpaper(const GSettingsWallpaper&) = delete;
    GSettingsWallpaper& operator=(const GSettingsWallpaper&) = delete;

    QString desktopName() const override { return m_layout.desktop; }
    bool isSupported() const override { return m_settings != nullptr; }
    bool cachesByPath() const override { return m_layout.cachesByPath; }
    SavedWallpaper read() override;
    bool writePlacement() override;
    bool setPicture(const QString& file) override;
    bool restore(const SavedWallpaper& saved) override;

private:
    bool set(const QString& key, const QString& text);
    bool setValue(const QString& key, _GVariant* value);

    Layout m_layout;
    _GSettings* m_settings = nullptr;
    QSet<QString> m_unreadable; // keys this desktop's schema does not have
};

class XfceWallpaper final : public WallpaperBackend {
public:
    explicit XfceWallpaper(CommandRunner& runner) : m_runner(runner) {}

    QString desktopName() const override { return QStringLiteral("XFCE"); }
    bool cachesByPath() const override { return true; }
    SavedWallpaper read() override;
    bool writePlacement() override;
    bool setPicture(const QString& file) override;
    bool restore(const SavedWallpaper& saved) override;

private:
    const QStringList& imageProperties();
    bool setProperty(const QString& property, const QString& type, const QString& value);

    CommandRunner& m_runner;
    std::optional<QStringList> m_imageProperties;
    QSet<QString> m_listed; // properties that existed before we wrote any
    QStringList m_touched;
};

class PlasmaWallpaper final : public WallpaperBackend {
public:
    explicit PlasmaWallpaper(CommandRunner& runner) : m_runner(runner) {}

    QString desktopName() const override { return QStringLiteral("KDE Plasma"); }
    bool cachesByPath() const override { return true; }
    SavedWallpaper read() override;
    bool writePlacement() override;
    bool setPicture(const QString& file) override;
    bool restore(const SavedWallpaper& saved) override;

    // Runs a desktop script in the shell; its printed output, or nothing on failure.
    std::optional<QString> evaluateScript(const QString& script);

private:
    CommandRunner& m_runner;
};

class LxqtWallpaper final : public WallpaperBackend {
public:
    LxqtWallpaper(CommandRunner& runner, QString configDir)
        : m_runner(runner), m_configDir(std::move(configDir)) {}

    QString desktopName() const override { return QStringLiteral("LXQt"); }
    bool cachesByPath() const override { return true; }
    SavedWallpaper read() override;
    bool writePlacement() override;
    bool setPicture(const QString& file) override;
    bool restore(const SavedWallpaper& saved) override;

private:
    CommandRunner& m_runner;
    QString m_configDir;
};

class UnsupportedWallpaper final : public WallpaperBackend {
public:
    QString desktopName() const override { return {}; }
    bool isSupported() const override { return false; }
    bool cachesByPath() const override { return false; }
    SavedWallpaper read() override { return {}; }
    bool writePlacement() override { return false; }
    bool setPicture(const QString&) override { return false; }
    bool restore(const SavedWallpaper&) override { return false; }
};

} // namespace pluvix::desktop
