#pragma once

#include "settings/MemorySettingsStore.h"

#include <functional>

namespace pluvix::testsupport {

// An in-memory store that records every write and can be told to fail chosen writes the way
// an unwritable settings file does (run-time error 75).
class RecordingSettingsStore final : public settings::SettingsStore {
public:
    struct Write {
        QString section, key, value;
    };
    settings::MemorySettingsStore backing;
    QList<Write> writes;
    std::function<bool(const QString& section, const QString& key)> failWrite;

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override {
        return backing.GetSetting(appName, section, key, defaultValue);
    }
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;
    void DeleteSetting(const QString& appName, const QString& section) override {
        backing.DeleteSetting(appName, section);
    }
};

} // namespace pluvix::testsupport
