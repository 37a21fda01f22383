#include "desktop/WallpaperController.h"

#include "platform/MessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>

namespace pluvix::desktop {

WallpaperController::WallpaperController(WallpaperBackend& backend, platform::MessageBoxes& boxes,
                                         QString tempPath, QString title)
    : m_backend(backend), m_boxes(boxes), m_tempPath(std::move(tempPath)),
      m_title(std::move(title)) {}

QString WallpaperController::keptValuesFile() const {
    return QDir(m_tempPath).filePath(QStringLiteral("user-wallpaper.json"));
}

bool WallpaperController::mentionsTempFolder(const QString& value) const {
    const QString dir = QDir::cleanPath(QDir(m_tempPath).absolutePath());
    return value.contains(dir) ||
           value.contains(QUrl::fromLocalFile(dir).toString(QUrl::FullyEncoded));
}

void WallpaperController::rememberUserWallpaper() {
    if (!m_backend.isSupported())
        return;
    SavedWallpaper now = m_backend.read();
    bool oursOnScreen = false;
    for (auto it = now.values.begin(); it != now.values.end();) {
        if (mentionsTempFolder(it.value())) {
            // Our own picture is never the user's: it is not put back.
            oursOnScreen = true;
            it = now.values.erase(it);
        } else {
            ++it;
        }
    }
    const std::optional<SavedWallpaper> kept = keptUserValues();
    if (kept && oursOnScreen) {
        m_saved = *kept;
        m_kept = true;
        return;
    }
    // The user has set a wallpaper of their own since: that one counts.
    QFile::remove(keptValuesFile());
    m_kept = false;
    m_saved = now;
}

void WallpaperController::keepUserValues() {
    if (m_kept || !m_saved.taken)
        return;
    QJsonObject values;
    for (auto it = m_saved.values.cbegin(); it != m_saved.values.cend(); ++it)
        values.insert(it.key(), it.value());
    QDir().mkpath(m_tempPath);
    QSaveFile out(keptValuesFile());
    m_kept = out.open(QIODevice::WriteOnly) &&
             out.write(QJsonDocument(values).toJson(QJsonDocument::Compact)) >= 0 && out.commit();
}

std::optional<SavedWallpaper> WallpaperController::keptUserValues() const {
    QFile in(keptValuesFile());
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll());
    if (!doc.isObject())
        return std::nullopt;
    SavedWallpaper saved;
    saved.taken = true;
    const QJsonObject values = doc.object();
    for (auto it = values.begin(); it != values.end(); ++it)
        if (it.value().isString() && !mentionsTempFolder(it.value().toString()))
            saved.values.insert(it.key(), it.value().toString());
    return saved;
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
    // On disk before the desktop changes, so that a session killed from here on still leaves
    // the user's values for the next one.
    keepUserValues();
    if (!m_placed)
        m_placed = m_backend.writePlacement();
    const bool set = m_backend.setPicture(path);
    return m_placed && set ? WallpaperResult::Set : WallpaperResult::SetFailed;
}

bool WallpaperController::restore() {
    if (!m_backend.isSupported() || !m_saved.taken)
        return false;
    m_placed = false;
    if (!m_backend.restore(m_saved))
        return false;
    QFile::remove(keptValuesFile());
    m_kept = false;
    return true;
}

bool WallpaperController::toggle(bool checked, const QImage& shownPicture) {
    if (!m_backend.isSupported()) {
        if (!m_toldUnsupported) {
            m_toldUnsupported = true;
            m_boxes.ok(m_title,
                       QStringLiteral("The wallpaper of this desktop cannot be set by this "
                                      "program, so the pictures will not appear on it."));
        }
        return false;
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
