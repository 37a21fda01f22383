#include "support/RecordingSettingsStore.h"

#include "core/RuntimeError.h"

namespace pluvix::testsupport {

void RecordingSettingsStore::SaveSetting(const QString& appName, const QString& section,
                                         const QString& key, const QString& value) {
    if (failWrite && failWrite(section, key))
        throw core::RuntimeError::pathFileAccess();
    writes.append({section, key, value});
    backing.SaveSetting(appName, section, key, value);
}

} // namespace pluvix::testsupport
