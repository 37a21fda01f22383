#pragma once

#include "settings/SettingsStore.h"

#include <QHash>

namespace pluvix::settings {

// A store that lives only as long as the object; same names and rules as the file store.
class MemorySettingsStore final : public SettingsStore {
public:
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;
    void DeleteSetting(const QString& appName, const QString& section) override;

private:
    struct Value {
        QString key; // first spelling written
        QString text;
    };
    struct Section {
        QString name; // first spelling written
        QHash<QString, Value> values;
    };
    // Every level is keyed by the case-folded name.
    QHash<QString, QHash<QString, Section>> m_apps;
};

} // namespace pluvix::settings
