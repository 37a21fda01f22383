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

    // Between these two calls the writes are held back and then reach the backing as one
    // replacement, so that a sequence of saves is on disk either whole or not at all. Batches
    // nest; the outermost end writes, and throws as a write does.
    virtual void beginBatch() {}
    virtual void endBatch() {}
};

// One save sequence as one batch. What was written before an exception left the scope is
// still written, as each save before a failing step would have been.
class SettingsBatch {
public:
    explicit SettingsBatch(SettingsStore& store) : m_store(store) { m_store.beginBatch(); }
    ~SettingsBatch() {
        if (m_open) {
            try {
                m_store.endBatch();
            } catch (...) {
                // The exception that is leaving the scope is the one to report.
            }
        }
    }
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

    // Ends the batch; a failed write throws here.
    void commit() {
        m_open = false;
        m_store.endBatch();
    }

private:
    SettingsStore& m_store;
    bool m_open = true;
};

} // namespace pluvix::settings
