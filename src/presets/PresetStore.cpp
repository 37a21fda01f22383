#include "presets/PresetStore.h"

#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "core/RuntimeError.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <utility>

namespace pluvix::presets {

namespace k = settings::keys;

namespace {

void checkSlot(int slot) {
    if (slot < 0 || slot >= PresetSlotCount)
        throw core::RuntimeError::subscriptOutOfRange();
}

const QString defaultProduct = QStringLiteral("p37cr");

} // namespace

PresetStore::PresetStore(settings::SettingsStore& store, QString appName)
    : m_store(store), m_appName(std::move(appName)) {}

QString PresetStore::sectionName(int slot) {
    checkSlot(slot);
    return QStringLiteral("SectionPreset") + QString::number(slot);
}

PresetView PresetStore::defaultView() {
    PresetView v;
    v.BaseURL = acquisition::defaultBaseUrl();
    v.RadarStationName = QStringLiteral("kmlb");
    v.MapTypeShort = defaultProduct;
    v.MapLeft = -7295.0f;
    v.MapTop = -7550.0f;
    v.MapWidth = 24800.0f;
    v.MapHeight = 24800.0f;
    v.ZoomLevel = 8;
    v.BullsEyeGraduations = 10;
    v.BullsEyeY = 1000.0f;
    v.BullsEyeX = 1000.0f;
    return v;
}

QString PresetStore::get(int slot, QLatin1StringView key, const QString& fallback) const {
    return m_store.GetSetting(m_appName, sectionName(slot), key, fallback);
}

PresetView PresetStore::read(int slot) const {
    const PresetView d = defaultView();
    const auto single = [&](QLatin1StringView key, float fallback) {
        return core::textToSingle(get(slot, key, core::singleToText(fallback)));
    };
    PresetView v;
    v.RadarStationName = get(slot, k::RadarStationName, d.RadarStationName);
    v.MapTypeShort = get(slot, k::MapTypeShort, d.MapTypeShort);
    v.BaseURL = get(slot, k::BaseURL, d.BaseURL);
    v.MapWidth = single(k::MapWidth, d.MapWidth);
    v.MapHeight = single(k::MapHeight, d.MapHeight);
    v.MapLeft = single(k::MapLeft, d.MapLeft);
    v.MapTop = single(k::MapTop, d.MapTop);
    v.ZoomLevel = core::textToInt32(get(slot, k::ZoomLevel, core::intToText(d.ZoomLevel)));
    v.BullsEyeGraduations = core::textToInt16(
        get(slot, k::BullsEyeGraduations, core::intToText(d.BullsEyeGraduations)));
    v.BullsEyeX = single(k::BullsEyeX, d.BullsEyeX);
    v.BullsEyeY = single(k::BullsEyeY, d.BullsEyeY);
    return v;
}

void PresetStore::write(int slot, const PresetView& view) {
    const QString section = sectionName(slot);
    const auto put = [&](QLatin1StringView key, const QString& text) {
        m_store.SaveSetting(m_appName, section, key, text);
    };
    const QString zero = QStringLiteral("0");
    settings::SettingsBatch batch(m_store);
    put(k::BaseURL, view.BaseURL.trimmed());
    put(k::RadarStationName, view.RadarStationName.trimmed());
    put(k::MapTypeShort, view.MapTypeShort.trimmed());
    put(k::MapLeft, core::singleToPresetText(view.MapLeft));
    put(k::MapTop, core::singleToPresetText(view.MapTop));
    put(k::MapWidth, core::singleToPresetText(view.MapWidth));
    put(k::MapHeight, core::singleToPresetText(view.MapHeight));
    put(k::ZoomLevel, core::intToText(view.ZoomLevel));
    put(k::TargetLeft, zero);
    put(k::TargetTop, zero);
    put(k::TargetSize, zero);
    put(k::BullsEyeGraduations, core::intToText(view.BullsEyeGraduations));
    put(k::BullsEyeY, core::singleToPresetText(view.BullsEyeY));
    put(k::BullsEyeX, core::singleToPresetText(view.BullsEyeX));
    batch.commit();
}

QString PresetStore::tooltip(int slot) const {
    return acquisition::presetDescription(address(slot), productCode(slot));
}

QString PresetStore::address(int slot) const {
    return get(slot, k::BaseURL, acquisition::defaultBaseUrl());
}

QString PresetStore::productCode(int slot) const {
    return get(slot, k::MapTypeShort, defaultProduct);
}

} // namespace pluvix::presets
