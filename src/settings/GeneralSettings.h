#pragma once

#include "settings/SettingsRecord.h"

#include <QString>

#include <functional>
#include <optional>

namespace pluvix::diagnostics {
class ErrorSink;
}

namespace pluvix::settings {

class SettingsStore;
class SettingsWindow;

// Loads and saves "SectionGeneral" and the map-view records between the store, the window and
// the settings record. Each procedure reports a run-time error under its own name and ends at
// the failing step; what was read, applied or written before stays.
class GeneralSettings {
public:
    // Minutes to add to local time to obtain UTC; empty when the system cannot tell.
    using TimeZoneBias = std::function<std::optional<qint32>()>;

    GeneralSettings(SettingsStore& store, SettingsWindow& window, diagnostics::ErrorSink& errors,
                    QString appName, TimeZoneBias timeZoneBiasMinutes, SettingsRecord& record);

    // Fills the record and applies the stored geometry, zoom level and wallpaper check mark.
    // After a reported error the keys not yet read, the failing one too, take their defaults.
    // A number no map can use is such an error; a product code outside the table quietly
    // becomes the product of the folder address, or the default.
    void LoadCheckINI();
    // Writes every key of "SectionGeneral" and the map-view record of the current view; false
    // when the save failed (it is one replacement of the file, so nothing was saved).
    bool UnloadINI();

    // Writes the current map rectangle, zoom level and bullseye settings into section.
    void AddMapCoord(const QString& section);
    // Reads the view stored in section and applies each value as soon as it is read.
    void ReadMapCoord(const QString& section);

    // "SectionMap-" + product + "-" + the station code taken from the address.
    static QString mapSectionName(const QString& mapTypeShort, const QString& baseUrl);

    // Deletes "SectionGeneral" and nothing else; errors are thrown to the caller.
    static void ResetGeneralSettings(SettingsStore& store, const QString& appName);

    const QString& appName() const { return m_appName; }

private:
    QString read(const QString& section, QLatin1StringView key, const QString& defaultValue) const;
    QString read(const QString& section, QLatin1StringView key) const;
    qint16 readInt16(const QString& section, QLatin1StringView key) const;
    qint32 readInt32(const QString& section, QLatin1StringView key) const;
    float readSingle(const QString& section, QLatin1StringView key) const;
    float readSingle(const QString& section, QLatin1StringView key,
                     const QString& defaultValue) const;
    void load(const QString& section, QLatin1StringView key, qint16& field) const;
    void load(const QString& section, QLatin1StringView key, float& field) const;

    void write(const QString& section, QLatin1StringView key, const QString& text);
    void writeInt(const QString& section, QLatin1StringView key, qint64 value);
    void writeSingle(const QString& section, QLatin1StringView key, float value);

    SettingsStore& m_store;
    SettingsWindow& m_window;
    diagnostics::ErrorSink& m_errors;
    QString m_appName;
    TimeZoneBias m_timeZoneBias;
    SettingsRecord& m_record;
};

} // namespace pluvix::settings
