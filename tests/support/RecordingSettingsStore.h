#pragma once

#include "settings/MemorySettingsStore.h"

#include <QList>
#include <QString>

#include <functional>

namespace pluvix::testsupport {

struct StoreAccess {
    QString section;
    QString key;
    QString value; // written text; empty for reads
};

// An in-memory store that records every read and write in order and can be told to fail
// chosen writes the way an unwritable settings file does (run-time error 75).
class RecordingSettingsStore final : public settings::SettingsStore {
public:
    settings::MemorySettingsStore backing;
    mutable QList<StoreAccess> reads;
    QList<StoreAccess> writes;
    std::function<bool(const QString& section, const QString& key)> failWrite;

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;
    void DeleteSetting(const QString& appName, const QString& section) override;

    // Keys written to a section, in order.
    QStringList keysWritten(const QString& section) const;
};

} // namespace pluvix::testsupport
