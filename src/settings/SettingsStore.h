#pragma once

#include <QString>

namespace pluvix::settings {

// The per-user store of text values addressed by application name, section and key. Names are
// not case-sensitive. Failures to read or write are thrown as core::RuntimeError.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or defaultValue when the section or key is missing.
    virtual QString GetSetting(const QString& appName, const QString& section, const QString& key,
                               const QString& defaultValue) const = 0;
    // Creates the section and key as needed and replaces an existing value.
    virtual void SaveSetting(const QString& appName, const QString& section, const QString& key,
                             const QString& value) = 0;
    // Removes one whole section with all its keys; a missing section is not an error.
    virtual void DeleteSetting(const QString& appName, const QString& section) = 0;
};

} // namespace pluvix::settings
