#pragma once

#include <QString>
#include <QtGlobal>

namespace pluvix::settings {
class SettingsStore;
}

namespace pluvix::presets {

inline constexpr int PresetSlotCount = 8;

// One stored view: station, product, folder address, map rectangle (twips), zoom and bullseye.
struct PresetView {
    QString BaseURL;
    QString RadarStationName;
    QString MapTypeShort;
    float MapLeft = 0.0f;
    float MapTop = 0.0f;
    float MapWidth = 0.0f;
    float MapHeight = 0.0f;
    qint32 ZoomLevel = 0;
    qint16 BullsEyeGraduations = 0;
    float BullsEyeY = 0.0f;
    float BullsEyeX = 0.0f;

    bool operator==(const PresetView&) const = default;
};

// The eight preset slots, sections "SectionPreset0".."SectionPreset7" of the settings store.
// A slot outside 0..7 is error 9; conversion errors (a stored number beyond its type) are
// thrown as core::RuntimeError.
class PresetStore {
public:
    PresetStore(settings::SettingsStore& store, QString appName);

    static QString sectionName(int slot);
    // The view recalled when the slot was never stored.
    static PresetView defaultView();

    // Missing keys give the defaults of defaultView().
    PresetView read(int slot) const;
    // Writes every key, in the stored order, even those that did not change.
    void write(int slot, const PresetView& view);
    // The button's tool tip: the description of the stored address and product.
    QString tooltip(int slot) const;
    // The slot's folder address and product, the defaults' when never stored.
    QString address(int slot) const;
    QString productCode(int slot) const;

    const QString& appName() const { return m_appName; }

private:
    QString get(int slot, QLatin1StringView key, const QString& fallback) const;

    settings::SettingsStore& m_store;
    QString m_appName;
};

} // namespace pluvix::presets
