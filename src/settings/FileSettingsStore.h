#pragma once

#include "settings/SettingsStore.h"

namespace pluvix::settings {

// One INI file per application name, <config home>/pluvix/<appName>.conf, where the config
// home is $XDG_CONFIG_HOME or ~/.config. Every write is on disk, replaced atomically, before
// the call returns; a file or folder that cannot be read or written throws
// core::RuntimeError::pathFileAccess().
class FileSettingsStore final : public SettingsStore {
public:
    FileSettingsStore();
    // configHome stands in for $XDG_CONFIG_HOME; the files go to configHome + "/pluvix".
    explicit FileSettingsStore(const QString& configHome);

    static QString defaultConfigHome();
    // The folder that holds the files.
    QString folder() const { return m_folder; }
    // The file of an application: an existing one whose name matches ignoring case, else
    // the name as given.
    QString filePath(const QString& appName) const;

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;
    void DeleteSetting(const QString& appName, const QString& section) override;

private:
    QString m_folder;
};

} // namespace pluvix::settings
