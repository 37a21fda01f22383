#include "desktop/WallpaperController.h"

#include "platform/MessageBoxes.h"

#include <QDir>
#include <QSaveFile>

namespace pluvix::desktop {

WallpaperController::WallpaperController(WallpaperBackend& backend, platform::MessageBoxes& boxes,
                                         QString tempPath, QString title)
    : m_backend(backend), m_boxes(boxes), m_tempPath(std::move(tempPath)),
      m_title(std::move(title)) {}

void WallpaperController::rememberUserWallpaper() {
    if (m_backend.isSupported())
        m_saved = m_backend.read();
}

QString WallpaperController::baseFileName(WallpaperFile file) {
    return file == WallpaperFile::Follow ? QStringLiteral("99a03er") : QStringLiteral("99a03es");
}

QString WallpaperController::nextPath(WallpaperFile file) {
    QString name = baseFileName(file);
    if (m_backend.cachesByPath()) {
        // The file on screen is never the one rewritten: the desktop sees a new path each time.
        bool& second = m_useSecondName[file == WallpaperFile::Follow ? 0 : 1];
        if (second)
            name += QLatin1String("-b");
        second = !second;
    }
    return QDir(m_tempPath).filePath(name + QLatin1String(".tmp"));
}

WallpaperResult WallpaperController::update(const QImage& picture, WallpaperFile file) {
    if (!m_backend.isSupported())
        return WallpaperResult::Unsupported;
    if (picture.isNull())
        return WallpaperResult::SaveFailed;
    QDir().mkpath(m_tempPath);
    const QString path = nextPath(file);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "BMP") || !out.commit())
        return WallpaperResult::SaveFailed;
    m_lastFile = path;
    const bool placed = m_backend.writePlacement();
    const bool set = m_backend.setPicture(path);
    return placed && set ? WallpaperResult::Set : WallpaperResult::SetFailed;
}

bool WallpaperController::restore() {
    if (!m_backend.isSupported() || !m_saved.taken)
        return false;
    return m_backend.restore(m_saved);
}

bool WallpaperController::toggle(bool checked, const QImage& shownPicture) {
    if (!m_backend.isSupported()) {
        if (!m_toldUnsupported) {
            m_toldUnsupported = true;
            m_boxes.ok(m_title,
                       QStringLiteral("The wallpaper of this desktop cannot be set by this "
                                      "program, so the pictures will not appear on it."));
        }
        return checked;
    }
    if (!checked) {
        restore();
        return false;
    }
    switch (update(shownPicture, WallpaperFile::SwitchOn)) {
    case WallpaperResult::Set:
        return true;
    case WallpaperResult::SaveFailed:
        m_boxes.ok(m_title,
                   QStringLiteral("The picture could not be saved as a wallpaper file in\n") +
                       QDir::toNativeSeparators(m_tempPath));
        return false;
    case WallpaperResult::SetFailed:
        m_boxes.ok(m_title, QStringLiteral("The %1 desktop did not accept the new wallpaper.")
                                .arg(m_backend.desktopName()));
        restore();
        return false;
    case WallpaperResult::Unsupported:
        break;
    }
    return false;
}

} // namespace pluvix::desktop
