#include "settings/GeneralSettings.h"

#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "diagnostics/ErrorTrap.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsWindow.h"

namespace pluvix::settings {

namespace {

// The status panel's height when it is hidden.
constexpr float hiddenPanelHeight = 15.0f;

[[maybe_unused]] bool hasType(QLatin1StringView key, KeyType type) {
    const SettingsKey* k = findGeneralKey(key);
    return k && k->type == type;
}

} // namespace

GeneralSettings::GeneralSettings(SettingsStore& store, SettingsWindow& window,
                                 diagnostics::ErrorSink& errors, QString appName,
                                 TimeZoneBias timeZoneBiasMinutes, SettingsRecord& record)
    : m_store(store), m_window(window), m_errors(errors), m_appName(std::move(appName)),
      m_timeZoneBias(std::move(timeZoneBiasMinutes)), m_record(record) {}

QString GeneralSettings::read(const QString& section, QLatin1StringView key,
                              const QString& defaultValue) const {
    return m_store.GetSetting(m_appName, section, key, defaultValue);
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

bool GeneralSettings::readFlag(const QString& section, QLatin1StringView key) const {
    Q_ASSERT(hasType(key, KeyType::Flag));
    return core::leadingNumber(read(section, key)) != 0.0;
}

void GeneralSettings::load(const QString& section, QLatin1StringView key, qint16& field) const {
    field = readInt16(section, key);
}

void GeneralSettings::load(const QString& section, QLatin1StringView key, float& field) const {
    field = readSingle(section, key);
}

void GeneralSettings::load(const QString& section, QLatin1StringView key, QString& field) const {
    Q_ASSERT(hasType(key, KeyType::Text));
    field = read(section, key);
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
    diagnostics::trap(m_errors, QStringLiteral("Module1.LoadCheckINI"), [&] {
        const QString general = SectionGeneral;
        SettingsRecord& r = m_record;

        // Centred from the window's size before any stored size is applied.
        const QString topDefault =
            centredDefaultText(m_window.screenHeight(), m_window.formHeight());
        const QString leftDefault =
            centredDefaultText(m_window.screenWidth(), m_window.formWidth());

        const std::optional<qint32> bias =
            m_timeZoneBias ? m_timeZoneBias() : std::optional<qint32>();
        r.LocalUTCTimeOffset = core::textToInt16(
            read(general, keys::LocalUTCTimeOffset, localUtcOffsetDefaultText(bias)));

        load(general, keys::BaseURL, r.BaseURL);

        m_window.setFormWidth(readSingle(general, keys::FormWidth));
        m_window.setFormHeight(readSingle(general, keys::FormHeight));
        m_window.setFormLeft(readSingle(general, keys::FormLeft, leftDefault));
        m_window.setFormTop(readSingle(general, keys::FormTop, topDefault));

        m_window.setMapWidth(readSingle(general, keys::MapWidth));
        m_window.setMapHeight(readSingle(general, keys::MapHeight));
        m_window.setMapLeft(readSingle(general, keys::MapLeft));
        m_window.setMapTop(readSingle(general, keys::MapTop));

        m_window.setZoomValue(readInt32(general, keys::ZoomLevel));

        read(general, keys::TargetLeft);
        read(general, keys::TargetTop);
        read(general, keys::TargetSize);

        load(general, keys::MaxImageNumber, r.MaxImageNumber);
        load(general, keys::HidePanel, r.HidePanel);
        load(general, keys::PollInterval, r.PollInterval);
        load(general, keys::MinimizeToTray, r.MinimizeToTray);
        load(general, keys::ShowBullseye, r.ShowBullseye);
        load(general, keys::BullsEyeGraduations, r.BullsEyeGraduations);
        load(general, keys::BullsEyeX, r.BullsEyeX);
        load(general, keys::BullsEyeY, r.BullsEyeY);
        load(general, keys::RadarStationName, r.RadarStationName);
        load(general, keys::MapTypeShort, r.MapTypeShort);
        load(general, keys::HistoryImageCount, r.HistoryImageCount);
        load(general, keys::PlaySpeed, r.PlaySpeed);
        load(general, keys::PlayLoop, r.PlayLoop);
        load(general, keys::BullsEyeTextSize, r.BullsEyeTextSize);
        load(general, keys::HideTitleBar, r.HideTitleBar);
        load(general, keys::MapScaleShortRangeConstant, r.MapScaleShortRangeConstant);
        load(general, keys::MapTypeIndex, r.MapTypeIndex);
        load(general, keys::UTCFontSize, r.UTCFontSize);
        load(general, keys::LoopDelay, r.LoopDelay);
        load(general, keys::AutoUTCOffset, r.AutoUTCOffset);
        load(general, keys::MapScaleLongRangeConstant, r.MapScaleLongRangeConstant);
        load(general, keys::NumberOfPresets, r.NumberOfPresets);
        load(general, keys::ShowUTCDateTime, r.ShowUTCDateTime);

        m_window.setWallpaperChecked(readFlag(general, keys::SetWallPaper));

        load(general, keys::TopMostWindow, r.TopMostWindow);
    });
}

void GeneralSettings::UnloadINI() {
    diagnostics::trap(m_errors, QStringLiteral("Module1.UnloadINI"), [&] {
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
    });
}

void GeneralSettings::AddMapCoord(const QString& section) {
    diagnostics::trap(m_errors, QStringLiteral("Module1.AddMapCoord"), [&] {
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
