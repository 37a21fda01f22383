#include "settings/GeneralSettings.h"

#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "diagnostics/ErrorTrap.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsWindow.h"

#include <functional>
#include <iterator>

namespace pluvix::settings {

namespace {

// The status panel's height when it is hidden.
constexpr float hiddenPanelHeight = 15.0f;

[[maybe_unused]] bool hasType(QLatin1StringView key, KeyType type) {
    const SettingsKey* k = findGeneralKey(key);
    return k && k->type == type;
}

// A product code outside the table would be spliced into the folder address and saved, and
// every later start would fetch from a folder that does not exist: the address's own product,
// or the default, stands in for it.
QString knownProduct(const QString& stored, const QString& baseUrl) {
    if (acquisition::productForCode(stored.trimmed()))
        return stored;
    const QString inAddress = acquisition::productCodeFromAddress(baseUrl);
    return acquisition::productForCode(inAddress) ? inAddress : defaultText(keys::MapTypeShort);
}

} // namespace

GeneralSettings::GeneralSettings(SettingsStore& store, SettingsWindow& window,
                                 diagnostics::ErrorSink& errors, QString appName,
                                 TimeZoneBias timeZoneBiasMinutes, SettingsRecord& record)
    : m_store(store), m_window(window), m_errors(errors), m_appName(std::move(appName)),
      m_timeZoneBias(std::move(timeZoneBiasMinutes)), m_record(record) {}

QString GeneralSettings::read(const QString& section, QLatin1StringView key,
                              const QString& defaultValue) const {
    QString text = m_store.GetSetting(m_appName, section, key, defaultValue);
    // Refused here, the value takes its default and so is not saved back to fail again.
    requireUsableNumber(key, text);
    return text;
}

QString GeneralSettings::read(const QString& section, QLatin1StringView key) const {
    return read(section, key, defaultText(key));
}

qint16 GeneralSettings::readInt16(const QString& section, QLatin1StringView key) const {
    Q_ASSERT(hasType(key, KeyType::I16));
    return core::textToInt16(read(section, key));
}

qint32 GeneralSettings::readInt32(const QString& section, QLatin1StringView key) const {
    Q_ASSERT(hasType(key, KeyType::I32));
    return core::textToInt32(read(section, key));
}

float GeneralSettings::readSingle(const QString& section, QLatin1StringView key) const {
    return readSingle(section, key, defaultText(key));
}

float GeneralSettings::readSingle(const QString& section, QLatin1StringView key,
                                  const QString& defaultValue) const {
    Q_ASSERT(hasType(key, KeyType::F32));
    return core::textToSingle(read(section, key, defaultValue));
}

void GeneralSettings::load(const QString& section, QLatin1StringView key, qint16& field) const {
    field = readInt16(section, key);
}

void GeneralSettings::load(const QString& section, QLatin1StringView key, float& field) const {
    field = readSingle(section, key);
}

void GeneralSettings::write(const QString& section, QLatin1StringView key, const QString& text) {
    m_store.SaveSetting(m_appName, section, key, text);
}

void GeneralSettings::writeInt(const QString& section, QLatin1StringView key, qint64 value) {
    write(section, key, core::intToText(value));
}

void GeneralSettings::writeSingle(const QString& section, QLatin1StringView key, float value) {
    write(section, key, core::singleToText(value));
}

void GeneralSettings::LoadCheckINI() {
    const QString general = SectionGeneral;
    SettingsRecord& r = m_record;
    SettingsWindow& w = m_window;

    // Centred from the window's size before any stored size is applied.
    const QString topDefault = centredDefaultText(w.screenHeight(), w.formHeight());
    const QString leftDefault = centredDefaultText(w.screenWidth(), w.formWidth());
    const std::optional<qint32> bias = m_timeZoneBias ? m_timeZoneBias() : std::optional<qint32>();

    using core::textToInt16;
    using core::textToSingle;
    const auto i16 = [](qint16& field) {
        return [&field](const QString& t) { field = textToInt16(t); };
    };
    const auto f32 = [](float& field) {
        return [&field](const QString& t) { field = textToSingle(t); };
    };
    const auto text = [](QString& field) { return [&field](const QString& t) { field = t; }; };
    const auto unused = [](const QString&) {};
    struct Step {
        QLatin1StringView key;
        std::function<void(const QString&)> apply;
        QString fallback;
    };
    // In the order the keys are read; each value is applied as soon as it is read.
    const Step steps[] = {
        {keys::LocalUTCTimeOffset, i16(r.LocalUTCTimeOffset), localUtcOffsetDefaultText(bias)},
        {keys::BaseURL, text(r.BaseURL), {}},
        {keys::FormWidth, [&](const QString& t) { w.setFormWidth(textToSingle(t)); }, {}},
        {keys::FormHeight, [&](const QString& t) { w.setFormHeight(textToSingle(t)); }, {}},
        {keys::FormLeft, [&](const QString& t) { w.setFormLeft(textToSingle(t)); }, leftDefault},
        {keys::FormTop, [&](const QString& t) { w.setFormTop(textToSingle(t)); }, topDefault},
        {keys::MapWidth, [&](const QString& t) { w.setMapWidth(textToSingle(t)); }, {}},
        {keys::MapHeight, [&](const QString& t) { w.setMapHeight(textToSingle(t)); }, {}},
        {keys::MapLeft, [&](const QString& t) { w.setMapLeft(textToSingle(t)); }, {}},
        {keys::MapTop, [&](const QString& t) { w.setMapTop(textToSingle(t)); }, {}},
        {keys::ZoomLevel, [&](const QString& t) { w.setZoomValue(core::textToInt32(t)); }, {}},
        {keys::TargetLeft, unused, {}},
        {keys::TargetTop, unused, {}},
        {keys::TargetSize, unused, {}},
        {keys::MaxImageNumber, i16(r.MaxImageNumber), {}},
        {keys::HidePanel, i16(r.HidePanel), {}},
        {keys::PollInterval, i16(r.PollInterval), {}},
        {keys::MinimizeToTray, i16(r.MinimizeToTray), {}},
        {keys::ShowBullseye, i16(r.ShowBullseye), {}},
        {keys::BullsEyeGraduations, i16(r.BullsEyeGraduations), {}},
        {keys::BullsEyeX, f32(r.BullsEyeX), {}},
        {keys::BullsEyeY, f32(r.BullsEyeY), {}},
        {keys::RadarStationName, text(r.RadarStationName), {}},
        {keys::MapTypeShort,
         [&](const QString& t) { r.MapTypeShort = knownProduct(t, r.BaseURL); },
         {}},
        {keys::HistoryImageCount, i16(r.HistoryImageCount), {}},
        {keys::PlaySpeed, i16(r.PlaySpeed), {}},
        {keys::PlayLoop, i16(r.PlayLoop), {}},
        {keys::BullsEyeTextSize, i16(r.BullsEyeTextSize), {}},
        {keys::HideTitleBar, i16(r.HideTitleBar), {}},
        {keys::MapScaleShortRangeConstant, f32(r.MapScaleShortRangeConstant), {}},
        {keys::MapTypeIndex, i16(r.MapTypeIndex), {}},
        {keys::UTCFontSize, i16(r.UTCFontSize), {}},
        {keys::LoopDelay, i16(r.LoopDelay), {}},
        {keys::AutoUTCOffset, i16(r.AutoUTCOffset), {}},
        {keys::MapScaleLongRangeConstant, f32(r.MapScaleLongRangeConstant), {}},
        {keys::NumberOfPresets, i16(r.NumberOfPresets), {}},
        {keys::ShowUTCDateTime, i16(r.ShowUTCDateTime), {}},
        {keys::SetWallPaper,
         [&](const QString& t) { w.setWallpaperChecked(core::leadingNumber(t) != 0.0); },
         {}},
        {keys::TopMostWindow, i16(r.TopMostWindow), {}},
        {keys::ShowColourScale,
         [&](const QString& t) { r.ShowColourScale = core::leadingNumber(t) != 0.0; },
         {}},
    };
    const auto fallback = [](const Step& s) {
        return s.fallback.isNull() ? defaultText(s.key) : s.fallback;
    };

    std::size_t next = 0;
    diagnostics::trap(m_errors, diagnostics::procedure::settingsLoad, [&] {
        for (; next < std::size(steps); ++next)
            steps[next].apply(read(general, steps[next].key, fallback(steps[next])));
    });
    // A stopped load must not leave zeros behind: the session would run on them and the next
    // save would store them. The keys not read, the failing one too, take their defaults.
    for (; next < std::size(steps); ++next)
        diagnostics::ignoreErrors([&] { steps[next].apply(fallback(steps[next])); });
}

bool GeneralSettings::UnloadINI() {
    return diagnostics::trap(m_errors, diagnostics::procedure::settingsSave, [&] {
        SettingsBatch batch(m_store);
        const QString general = SectionGeneral;
        SettingsRecord& r = m_record;
        const QString zero = QStringLiteral("0");

        r.HideTitleBar = m_window.titleBarHiddenChecked() ? 1 : 0;
        writeInt(general, keys::HideTitleBar, r.HideTitleBar);

        // A minimised or maximised window keeps the geometry of the last normal shut-down.
        if (m_window.isNormalState()) {
            writeSingle(general, keys::FormLeft, m_window.formLeft());
            writeSingle(general, keys::FormTop, m_window.formTop());
            writeSingle(general, keys::FormWidth, m_window.formWidth());
            writeSingle(general, keys::FormHeight, m_window.formHeight());
        }

        writeInt(general, keys::LocalUTCTimeOffset, r.LocalUTCTimeOffset);

        writeSingle(general, keys::MapLeft, m_window.mapLeft());
        writeSingle(general, keys::MapTop, m_window.mapTop());
        writeSingle(general, keys::MapWidth, m_window.mapWidth());
        writeSingle(general, keys::MapHeight, m_window.mapHeight());
        writeInt(general, keys::ZoomLevel, m_window.zoomValue());

        writeInt(general, keys::PollInterval, r.PollInterval);
        writeInt(general, keys::MinimizeToTray, r.MinimizeToTray);
        writeInt(general, keys::ShowBullseye, r.ShowBullseye);
        write(general, keys::TargetLeft, zero);
        write(general, keys::TargetTop, zero);
        write(general, keys::TargetSize, zero);
        writeInt(general, keys::MaxImageNumber, r.MaxImageNumber);
        write(general, keys::Bullseye, zero);
        writeInt(general, keys::BullsEyeGraduations, r.BullsEyeGraduations);
        writeSingle(general, keys::BullsEyeY, r.BullsEyeY);
        writeSingle(general, keys::BullsEyeX, r.BullsEyeX);

        write(general, keys::BaseURL, r.BaseURL.trimmed());
        write(general, keys::RadarStationName, r.RadarStationName.trimmed());
        write(general, keys::MapTypeShort, r.MapTypeShort.trimmed());

        writeInt(general, keys::PlayLoop, r.PlayLoop);
        writeInt(general, keys::ShowUTCDateTime, r.ShowUTCDateTime);
        writeInt(general, keys::HistoryImageCount, r.HistoryImageCount);
        writeInt(general, keys::MapTypeIndex, r.MapTypeIndex);
        writeInt(general, keys::UTCFontSize, r.UTCFontSize);
        writeInt(general, keys::LoopDelay, r.LoopDelay);
        writeInt(general, keys::AutoUTCOffset, r.AutoUTCOffset);
        writeInt(general, keys::NumberOfPresets, r.NumberOfPresets);

        writeInt(general, keys::SetWallPaper, m_window.wallpaperChecked() ? 1 : 0);

        writeInt(general, keys::PlaySpeed, r.PlaySpeed);
        writeInt(general, keys::BullsEyeTextSize, r.BullsEyeTextSize);
        writeSingle(general, keys::MapScaleShortRangeConstant, r.MapScaleShortRangeConstant);
        writeSingle(general, keys::MapScaleLongRangeConstant, r.MapScaleLongRangeConstant);
        writeInt(general, keys::TopMostWindow, r.TopMostWindow);

        // Reports its own errors; the panel state is saved either way.
        AddMapCoord(mapSectionName(r.MapTypeShort, r.BaseURL));

        r.HidePanel = m_window.statusPanelHeight() == hiddenPanelHeight ? 1 : 0;
        writeInt(general, keys::HidePanel, r.HidePanel);
        writeInt(general, keys::ShowColourScale, r.ShowColourScale ? 1 : 0);
        batch.commit();
    });
}

void GeneralSettings::AddMapCoord(const QString& section) {
    diagnostics::trap(m_errors, QStringLiteral("Module1.AddMapCoord"), [&] {
        SettingsBatch batch(m_store);
        const QString zero = QStringLiteral("0");
        writeSingle(section, keys::MapLeft, m_window.mapLeft());
        writeSingle(section, keys::MapTop, m_window.mapTop());
        writeSingle(section, keys::MapWidth, m_window.mapWidth());
        writeSingle(section, keys::MapHeight, m_window.mapHeight());
        writeInt(section, keys::ZoomLevel, m_window.zoomValue());
        write(section, keys::TargetLeft, zero);
        write(section, keys::TargetTop, zero);
        write(section, keys::TargetSize, zero);
        writeInt(section, keys::BullsEyeGraduations, m_record.BullsEyeGraduations);
        writeSingle(section, keys::BullsEyeY, m_record.BullsEyeY);
        writeSingle(section, keys::BullsEyeX, m_record.BullsEyeX);
        batch.commit();
    });
}

void GeneralSettings::ReadMapCoord(const QString& section) {
    diagnostics::trap(m_errors, QStringLiteral("Module1.ReadMapCoord"), [&] {
        m_window.setMapWidth(readSingle(section, keys::MapWidth));
        m_window.setMapHeight(readSingle(section, keys::MapHeight));
        m_window.setMapLeft(readSingle(section, keys::MapLeft));
        m_window.setMapTop(readSingle(section, keys::MapTop));

        m_window.setZoomValue(readInt32(section, keys::ZoomLevel));

        read(section, keys::TargetLeft);
        read(section, keys::TargetTop);
        read(section, keys::TargetSize);

        load(section, keys::BullsEyeGraduations, m_record.BullsEyeGraduations);
        load(section, keys::BullsEyeX, m_record.BullsEyeX);
        load(section, keys::BullsEyeY, m_record.BullsEyeY);
    });
}

QString GeneralSettings::mapSectionName(const QString& mapTypeShort, const QString& baseUrl) {
    return QStringLiteral("SectionMap-") + mapTypeShort + u'-' +
           acquisition::stationCodeFromAddress(baseUrl);
}

void GeneralSettings::ResetGeneralSettings(SettingsStore& store, const QString& appName) {
    store.DeleteSetting(appName, SectionGeneral);
}

} // namespace pluvix::settings
