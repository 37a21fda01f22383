#include "desktop/WallpaperBackends.h"

#include "desktop/CommandRunner.h"
#include "desktop/GVariantText.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace pluvix::desktop {

namespace {

QString fileUri(const QString& file) {
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
}

QString outputText(const CommandResult& r) {
    QString text = QString::fromUtf8(r.out);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

} // namespace

// ---- XFCE -----------------------------------------------------------------------------------

namespace {

const QString xfceChannel = QStringLiteral("xfce4-desktop");

bool isImageStyle(const QString& property) {
    return property.endsWith(QLatin1String("/image-style"));
}

// The placement property beside a picture property.
QString styleProperty(QString imageProperty) {
    imageProperty.chop(QLatin1String("last-image").size());
    return imageProperty + QLatin1String("image-style");
}

} // namespace

const QStringList& XfceWallpaper::imageProperties() {
    if (m_imageProperties)
        return *m_imageProperties;
    static const QRegularExpression backdrop(
        QStringLiteral("^/backdrop/screen\\d+/monitor[^/]+/workspace\\d+/last-image$"));
    QStringList found;
    const CommandResult r = m_runner.run(QStringLiteral("xfconf-query"),
                                         {QStringLiteral("-c"), xfceChannel, QStringLiteral("-l")});
    if (r.ok()) {
        const QStringList lines = outputText(r).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const QString property = line.trimmed();
            if (!m_touched.contains(property))
                m_listed.insert(property);
            if (backdrop.match(property).hasMatch())
                found.append(property);
        }
    }
    // A desktop that was never configured has no backdrop properties yet.
    if (found.isEmpty() && r.ok())
        found.append(QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"));
    m_imageProperties = found;
    return *m_imageProperties;
}

SavedWallpaper XfceWallpaper::read() {
    SavedWallpaper saved;
    saved.taken = true;
    m_imageProperties.reset();
    for (const QString& image : imageProperties()) {
        for (const QString& property : {image, styleProperty(image)}) {
            const CommandResult r =
                m_runner.run(QStringLiteral("xfconf-query"),
                             {QStringLiteral("-c"), xfceChannel, QStringLiteral("-p"), property});
            if (r.ok())
                saved.values.insert(property, outputText(r));
        }
    }
    return saved;
}

bool XfceWallpaper::setProperty(const QString& property, const QString& type,
                                const QString& value) {
    if (!m_touched.contains(property))
        m_touched.append(property);
    return m_runner
        .run(QStringLiteral("xfconf-query"),
             {QStringLiteral("-c"), xfceChannel, QStringLiteral("-p"), property,
              QStringLiteral("-n"), QStringLiteral("-t"), type, QStringLiteral("-s"), value})
        .ok();
}

bool XfceWallpaper::writePlacement() {
    const QStringList& images = imageProperties();
    bool ok = !images.isEmpty();
    for (const QString& image : images) {
        ok = setProperty(styleProperty(image), QStringLiteral("int"), QStringLiteral("1")) && ok;
    }
    return ok;
}

bool XfceWallpaper::setPicture(const QString& file) {
    const QStringList& images = imageProperties();
    bool ok = !images.isEmpty();
    for (const QString& image : images)
        ok = setProperty(image, QStringLiteral("string"), file) && ok;
    return ok;
}

bool XfceWallpaper::restore(const SavedWallpaper& saved) {
    bool ok = true;
    for (const QString& property : std::as_const(m_touched)) {
        if (!m_listed.contains(property)) {
            // Created by us: remove it again.
            ok = m_runner
                     .run(QStringLiteral("xfconf-query"),
                          {QStringLiteral("-c"), xfceChannel, QStringLiteral("-p"), property,
                           QStringLiteral("-r")})
                     .ok() &&
                 ok;
        }
    }
    for (auto it = saved.values.cbegin(); it != saved.values.cend(); ++it) {
        const QString type =
            isImageStyle(it.key()) ? QStringLiteral("int") : QStringLiteral("string");
        ok = setProperty(it.key(), type, it.value()) && ok;
    }
    m_touched.clear();
    return ok;
}

// ---- KDE Plasma -----------------------------------------------------------------------------

namespace {

const QString plasmaConfigGroup =
    QStringLiteral("d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];");

} // namespace

std::optional<QString> PlasmaWallpaper::evaluateScript(const QString& script) {
    for (const char* name : {"qdbus6", "qdbus-qt6", "qdbus", "qdbus-qt5"}) {
        const QString qdbus = m_runner.findProgram(QLatin1String(name));
        if (qdbus.isEmpty())
            continue;
        const CommandResult r = m_runner.run(
            qdbus, {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                    QStringLiteral("org.kde.PlasmaShell.evaluateScript"), script});
        if (!r.ok())
            return std::nullopt;
        return outputText(r);
    }
    const CommandResult r = m_runner.run(
        QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
         QStringLiteral("org.kde.plasmashell"), QStringLiteral("--object-path"),
         QStringLiteral("/PlasmaShell"), QStringLiteral("--method"),
         QStringLiteral("org.kde.PlasmaShell.evaluateScript"), gvariantQuoted(script)});
    if (!r.ok())
        return std::nullopt;
    return gvariantFirstString(outputText(r));
}

SavedWallpaper PlasmaWallpaper::read() {
    SavedWallpaper saved;
    saved.taken = true;
    const QString script =
        QStringLiteral("var r = []; var ds = desktops();"
                       " for (var i = 0; i < ds.length; i++) { var d = ds[i]; ") +
        plasmaConfigGroup +
        QStringLiteral(" r.push({plugin: d.wallpaperPlugin, image: d.readConfig(\"Image\"),"
                       " fill: d.readConfig(\"FillMode\")}); }"
                       " print(JSON.stringify(r));");
    const std::optional<QString> output = evaluateScript(script);
    if (!output)
        return saved;
    const QJsonDocument doc = QJsonDocument::fromJson(output->trimmed().toUtf8());
    if (doc.isArray())
        saved.values.insert(QStringLiteral("desktops"),
                            QString::fromUtf8(doc.toJson(QJsonDocument::Compact)));
    return saved;
}

bool PlasmaWallpaper::writePlacement() {
    const QString script =
        QStringLiteral("var ds = desktops(); for (var i = 0; i < ds.length; i++) { var d = ds[i];"
                       " d.wallpaperPlugin = \"org.kde.image\"; ") +
        plasmaConfigGroup + QStringLiteral(" d.writeConfig(\"FillMode\", 6); }");
    return evaluateScript(script).has_value();
}

bool PlasmaWallpaper::setPicture(const QString& file) {
    const QString script =
        QStringLiteral("var ds = desktops(); for (var i = 0; i < ds.length; i++) { var d = ds[i];"
                       " d.wallpaperPlugin = \"org.kde.image\"; ") +
        plasmaConfigGroup + QStringLiteral(" d.writeConfig(\"Image\", ") +
        javaScriptQuoted(fileUri(file)) + QStringLiteral("); }");
    return evaluateScript(script).has_value();
}

bool PlasmaWallpaper::restore(const SavedWallpaper& saved) {
    const auto it = saved.values.constFind(QStringLiteral("desktops"));
    if (it == saved.values.cend())
        return false;
    // Re-serialised so that only JSON reaches the script.
    const QJsonDocument doc = QJsonDocument::fromJson(it->toUtf8());
    if (!doc.isArray())
        return false;
    const QString script =
        QStringLiteral("var saved = ") + QString::fromUtf8(doc.toJson(QJsonDocument::Compact)) +
        QStringLiteral("; var ds = desktops();"
                       " for (var i = 0; i < ds.length && i < saved.length; i++) {"
                       " var d = ds[i]; var s = saved[i];"
                       " if (s.plugin) d.wallpaperPlugin = s.plugin; ") +
        plasmaConfigGroup +
        QStringLiteral(" if (s.image !== undefined) d.writeConfig(\"Image\", s.image);"
                       " if (s.fill !== undefined && s.fill !== \"\")"
                       " d.writeConfig(\"FillMode\", s.fill); }");
    return evaluateScript(script).has_value();
}

// ---- LXQt -----------------------------------------------------------------------------------

SavedWallpaper LxqtWallpaper::read() {
    SavedWallpaper saved;
    saved.taken = true;
    const QString dir =
        m_configDir.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            : m_configDir;
    const QString path = QDir(dir).filePath(QStringLiteral("pcmanfm-qt/lxqt/settings.conf"));
    if (!QFileInfo::exists(path))
        return saved;
    QSettings settings(path, QSettings::IniFormat);
    for (const QString& key : {QStringLiteral("Wallpaper"), QStringLiteral("WallpaperMode")}) {
        const QVariant value = settings.value(QStringLiteral("Desktop/") + key);
        if (value.isValid())
            saved.values.insert(key, value.toString());
    }
    return saved;
}

bool LxqtWallpaper::writePlacement() {
    return m_runner.run(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--wallpaper-mode=center")})
        .ok();
}

bool LxqtWallpaper::setPicture(const QString& file) {
    return m_runner
        .run(QStringLiteral("pcmanfm-qt"),
             {QStringLiteral("--set-wallpaper=") + file, QStringLiteral("--wallpaper-mode=center")})
        .ok();
}

bool LxqtWallpaper::restore(const SavedWallpaper& saved) {
    QStringList args;
    const QString wallpaper = saved.values.value(QStringLiteral("Wallpaper"));
    if (!wallpaper.isEmpty())
        args.append(QStringLiteral("--set-wallpaper=") + wallpaper);
    if (saved.values.contains(QStringLiteral("WallpaperMode")))
        args.append(QStringLiteral("--wallpaper-mode=") +
                    saved.values.value(QStringLiteral("WallpaperMode")));
    if (args.isEmpty())
        return saved.taken;
    return m_runner.run(QStringLiteral("pcmanfm-qt"), args).ok();
}

// ---- choice ---------------------------------------------------------------------------------

DesktopKind desktopKindFrom(const QString& xdgCurrentDesktop) {
    const QStringList entries = xdgCurrentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& raw : entries) {
        const QString e = raw.trimmed().toUpper();
        if (e == QLatin1String("GNOME") || e == QLatin1String("GNOME-CLASSIC") ||
            e == QLatin1String("GNOME-FLASHBACK") || e == QLatin1String("BUDGIE") ||
            e == QLatin1String("UNITY") || e == QLatin1String("PANTHEON"))
            return DesktopKind::Gnome;
        if (e == QLatin1String("X-CINNAMON") || e == QLatin1String("CINNAMON"))
            return DesktopKind::Cinnamon;
        if (e == QLatin1String("MATE"))
            return DesktopKind::Mate;
        if (e == QLatin1String("XFCE"))
            return DesktopKind::Xfce;
        if (e == QLatin1String("KDE"))
            return DesktopKind::Plasma;
        if (e == QLatin1String("LXQT"))
            return DesktopKind::LXQt;
    }
    return DesktopKind::Unsupported;
}

std::unique_ptr<WallpaperBackend> createWallpaperBackend(DesktopKind kind, CommandRunner& runner,
                                                         const QString& configDir) {
    switch (kind) {
    case DesktopKind::Gnome:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::gnome());
    case DesktopKind::Cinnamon:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::cinnamon());
    case DesktopKind::Mate:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::mate());
    case DesktopKind::Xfce:
        return std::make_unique<XfceWallpaper>(runner);
    case DesktopKind::Plasma:
        return std::make_unique<PlasmaWallpaper>(runner);
    case DesktopKind::LXQt:
        return std::make_unique<LxqtWallpaper>(runner, configDir);
    case DesktopKind::Unsupported:
        break;
    }
    return std::make_unique<UnsupportedWallpaper>();
}

std::unique_ptr<WallpaperBackend> createWallpaperBackendForSession(CommandRunner& runner) {
    return createWallpaperBackend(
        desktopKindFrom(QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP"))), runner);
}

} // namespace pluvix::desktop
