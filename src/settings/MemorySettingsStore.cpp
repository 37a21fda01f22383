#include "settings/MemorySettingsStore.h"

#include "core/RuntimeError.h"

namespace pluvix::settings {

QString MemorySettingsStore::GetSetting(const QString& appName, const QString& section,
                                        const QString& key, const QString& defaultValue) const {
    const auto app = m_apps.constFind(appName.toCaseFolded());
    if (app == m_apps.cend())
        return defaultValue;
    const auto sec = app->constFind(section.toCaseFolded());
    if (sec == app->cend())
        return defaultValue;
    const auto value = sec->values.constFind(key.toCaseFolded());
    if (value == sec->values.cend())
        return defaultValue;
    return value->text;
}

void MemorySettingsStore::SaveSetting(const QString& appName, const QString& section,
                                      const QString& key, const QString& value) {
    if (appName.isEmpty() || section.isEmpty() || key.isEmpty())
        throw core::RuntimeError::invalidCall();
    Section& sec = m_apps[appName.toCaseFolded()][section.toCaseFolded()];
    if (sec.name.isEmpty())
        sec.name = section;
    Value& v = sec.values[key.toCaseFolded()];
    if (v.key.isEmpty())
        v.key = key;
    v.text = value;
}

void MemorySettingsStore::DeleteSetting(const QString& appName, const QString& section) {
    const auto app = m_apps.find(appName.toCaseFolded());
    if (app != m_apps.end())
        app->remove(section.toCaseFolded());
}

} // namespace pluvix::settings
