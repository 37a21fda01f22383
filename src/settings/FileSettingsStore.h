#pragma once

#include "settings/SettingsStore.h"

#include <memory>
#include <vector>

class QSettings;

namespace pluvix::settings {

// One INI file per application name, <config home>/pluvix/<appName>.conf, where the config
// home is $XDG_CONFIG_HOME or ~/.config. Every write is on disk, replaced atomically, before
// the call returns; inside a batch the file is replaced once, when the batch ends. A file or
// folder that cannot be read or written throws core::RuntimeError::pathFileAccess().
class FileSettingsStore final : public SettingsStore {
public:
    FileSettingsStore();
    ~FileSettingsStore() override;
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
    void beginBatch() override;
    void endBatch() override;

private:
    struct Pending {
        QString path;
        std::unique_ptr<QSettings> settings; // changes not yet on disk
    };
    QSettings* pendingFor(const QString& path) const;
    // The file's settings for a change: the batch's own, or a new one in `own`.
    QSettings& openForChange(const QString& path, std::unique_ptr<QSettings>& own);
    void finishChange(QSettings& s, const QString& path);

    QString m_folder;
    int m_batchDepth = 0;
    std::vector<Pending> m_pending;
};

} // namespace pluvix::settings
