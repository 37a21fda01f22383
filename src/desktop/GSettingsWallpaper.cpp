// GNOME, Budgie, Cinnamon and MATE through GIO's GSettings, without a process per value.
#include "desktop/WallpaperBackends.h"

#include <QUrl>

// GIO names a struct member "signals", which Qt defines as a keyword.
#undef signals
#include <gio/gio.h>

namespace pluvix::desktop {

namespace {

QString printed(GVariant* value) {
    gchar* text = g_variant_print(value, TRUE);
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

} // namespace

GSettingsWallpaper::Layout GSettingsWallpaper::gnome() {
    return {QStringLiteral("GNOME"),
            QStringLiteral("org.gnome.desktop.background"),
            {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")},
            true,
            QStringLiteral("picture-options"),
            false};
}

GSettingsWallpaper::Layout GSettingsWallpaper::cinnamon() {
    return {QStringLiteral("Cinnamon"),        QStringLiteral("org.cinnamon.desktop.background"),
            {QStringLiteral("picture-uri")},   true,
            QStringLiteral("picture-options"), false};
}

GSettingsWallpaper::Layout GSettingsWallpaper::mate() {
    return {QStringLiteral("MATE"),
            QStringLiteral("org.mate.background"),
            {QStringLiteral("picture-filename")},
            false,
            QStringLiteral("picture-options"),
            true};
}

GSettingsWallpaper::GSettingsWallpaper(Layout layout) : m_layout(std::move(layout)) {
    // GIO aborts the program on an unknown schema or key: both are checked first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, m_layout.schema.toUtf8().constData(), TRUE)
               : nullptr;
    if (!schema)
        return;
    QStringList keys = m_layout.pictureKeys;
    keys.append(m_layout.optionsKey);
    for (const QString& key : std::as_const(keys))
        if (!g_settings_schema_has_key(schema, key.toUtf8().constData()))
            m_unreadable.insert(key); // e.g. picture-uri-dark before GNOME 42
    if (!m_unreadable.contains(m_layout.pictureKeys.value(0)) &&
        !m_unreadable.contains(m_layout.optionsKey))
        m_settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
}

GSettingsWallpaper::~GSettingsWallpaper() {
    if (m_settings)
        g_object_unref(m_settings);
}

SavedWallpaper GSettingsWallpaper::read() {
    SavedWallpaper saved;
    saved.taken = m_settings != nullptr;
    if (!m_settings)
        return saved;
    QStringList keys = m_layout.pictureKeys;
    keys.append(m_layout.optionsKey);
    for (const QString& key : std::as_const(keys)) {
        if (m_unreadable.contains(key))
            continue;
        GVariant* value = g_settings_get_value(m_settings, key.toUtf8().constData());
        saved.values.insert(key, printed(value));
        g_variant_unref(value);
    }
    return saved;
}

bool GSettingsWallpaper::set(const QString& key, const QString& text) {
    return setValue(key, g_variant_new_string(text.toUtf8().constData()));
}

bool GSettingsWallpaper::setValue(const QString& key, GVariant* value) {
    if (!m_settings || m_unreadable.contains(key)) {
        g_variant_unref(g_variant_ref_sink(value));
        return false;
    }
    const bool done = g_settings_set_value(m_settings, key.toUtf8().constData(), value);
    // Written through before we return: a session ended right after still leaves it set.
    g_settings_sync();
    return done;
}

bool GSettingsWallpaper::writePlacement() {
    return set(m_layout.optionsKey, QStringLiteral("centered"));
}

bool GSettingsWallpaper::setPicture(const QString& file) {
    const QString value =
        m_layout.pictureIsUri ? QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) : file;
    bool ok = true;
    for (qsizetype i = 0; i < m_layout.pictureKeys.size(); ++i) {
        const QString& key = m_layout.pictureKeys[i];
        if (i > 0 && m_unreadable.contains(key))
            continue;
        const bool done = set(key, value);
        if (i == 0)
            ok = done;
    }
    return ok;
}

bool GSettingsWallpaper::restore(const SavedWallpaper& saved) {
    if (!m_settings)
        return false;
    bool ok = true;
    for (auto it = saved.values.cbegin(); it != saved.values.cend(); ++it) {
        if (m_unreadable.contains(it.key()))
            continue;
        const QByteArray key = it.key().toUtf8();
        GVariant* current = g_settings_get_value(m_settings, key.constData());
        const QByteArray text = it.value().toUtf8();
        GVariant* value = g_variant_parse(g_variant_get_type(current), text.constData(), nullptr,
                                          nullptr, nullptr);
        g_variant_unref(current);
        ok = (value && setValue(it.key(), value)) && ok;
    }
    return ok;
}

} // namespace pluvix::desktop
