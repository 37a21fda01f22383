#pragma once

#include "core/RuntimeError.h"
#include "settings/MemorySettingsStore.h"

#include <functional>

namespace pluvix::testsupport {

// An in-memory store that can be told to fail chosen writes, or the next read of a section,
// the way an unwritable or unreadable settings file does (run-time error 75).
class RecordingSettingsStore final : public settings::SettingsStore {
public:
    settings::MemorySettingsStore backing;
    std::function<bool(const QString& section, const QString& key)> failWrite;
    mutable QString failReadOnce; // a section

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override {
        if (!failReadOnce.isEmpty() && section == failReadOnce) {
            failReadOnce.clear();
            throw core::RuntimeError::pathFileAccess();
        }
        return backing.GetSetting(appName, section, key, defaultValue);
    }
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override {
        if (failWrite && failWrite(section, key))
            throw core::RuntimeError::pathFileAccess();
        backing.SaveSetting(appName, section, key, value);
    }
    void DeleteSetting(const QString& appName, const QString& section) override {
        backing.DeleteSetting(appName, section);
    }
};

} // namespace pluvix::testsupport
