#include "support/RecordingSettingsStore.h"

#include "core/RuntimeError.h"

namespace pluvix::testsupport {

QString RecordingSettingsStore::GetSetting(const QString& appName, const QString& section,
                                           const QString& key, const QString& defaultValue) const {
    reads.append({section, key, {}});
    return backing.GetSetting(appName, section, key, defaultValue);
}

void RecordingSettingsStore::SaveSetting(const QString& appName, const QString& section,
                                         const QString& key, const QString& value) {
    if (failWrite && failWrite(section, key))
        throw core::RuntimeError::pathFileAccess();
    writes.append({section, key, value});
    backing.SaveSetting(appName, section, key, value);
}

void RecordingSettingsStore::DeleteSetting(const QString& appName, const QString& section) {
    backing.DeleteSetting(appName, section);
}

QStringList RecordingSettingsStore::keysWritten(const QString& section) const {
    QStringList out;
    for (const StoreAccess& w : writes) {
        if (w.section == section)
            out.append(w.key);
    }
    return out;
}

} // namespace pluvix::testsupport
