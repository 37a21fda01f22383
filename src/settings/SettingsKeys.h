#pragma once

#include <QAnyStringView>
#include <QString>

#include <optional>
#include <span>

namespace pluvix::settings {

inline constexpr QLatin1StringView SectionGeneral{"SectionGeneral"};

// Key names, spelled as stored. The same names serve the map-view records and preset slots.
namespace keys {
inline constexpr QLatin1StringView LocalUTCTimeOffset{"LocalUTCTimeOffset"};
inline constexpr QLatin1StringView BaseURL{"BaseURL"};
inline constexpr QLatin1StringView FormWidth{"FormWidth"};
inline constexpr QLatin1StringView FormHeight{"FormHeight"};
inline constexpr QLatin1StringView FormLeft{"FormLeft"};
inline constexpr QLatin1StringView FormTop{"FormTop"};
inline constexpr QLatin1StringView MapWidth{"MapWidth"};
inline constexpr QLatin1StringView MapHeight{"MapHeight"};
inline constexpr QLatin1StringView MapLeft{"MapLeft"};
inline constexpr QLatin1StringView MapTop{"MapTop"};
inline constexpr QLatin1StringView ZoomLevel{"ZoomLevel"};
inline constexpr QLatin1StringView TargetLeft{"TargetLeft"};
inline constexpr QLatin1StringView TargetTop{"TargetTop"};
inline constexpr QLatin1StringView TargetSize{"TargetSize"};
inline constexpr QLatin1StringView MaxImageNumber{"MaxImageNumber"};
inline constexpr QLatin1StringView HidePanel{"HidePanel"};
inline constexpr QLatin1StringView PollInterval{"PollInterval"};
inline constexpr QLatin1StringView MinimizeToTray{"MinimizeToTray"};
inline constexpr QLatin1StringView ShowBullseye{"ShowBullseye"};
inline constexpr QLatin1StringView BullsEyeGraduations{"BullsEyeGraduations"};
inline constexpr QLatin1StringView BullsEyeX{"BullsEyeX"};
inline constexpr QLatin1StringView BullsEyeY{"BullsEyeY"};
inline constexpr QLatin1StringView RadarStationName{"RadarStationName"};
inline constexpr QLatin1StringView MapTypeShort{"MapTypeShort"};
inline constexpr QLatin1StringView HistoryImageCount{"HistoryImageCount"};
inline constexpr QLatin1StringView PlaySpeed{"PlaySpeed"};
inline constexpr QLatin1StringView PlayLoop{"PlayLoop"};
inline constexpr QLatin1StringView BullsEyeTextSize{"BullsEyeTextSize"};
inline constexpr QLatin1StringView HideTitleBar{"HideTitleBar"};
inline constexpr QLatin1StringView MapScaleShortRangeConstant{"MapScaleShortRangeConstant"};
inline constexpr QLatin1StringView MapTypeIndex{"MapTypeIndex"};
inline constexpr QLatin1StringView UTCFontSize{"UTCFontSize"};
inline constexpr QLatin1StringView LoopDelay{"LoopDelay"};
inline constexpr QLatin1StringView AutoUTCOffset{"AutoUTCOffset"};
inline constexpr QLatin1StringView MapScaleLongRangeConstant{"MapScaleLongRangeConstant"};
inline constexpr QLatin1StringView NumberOfPresets{"NumberOfPresets"};
inline constexpr QLatin1StringView ShowUTCDateTime{"ShowUTCDateTime"};
inline constexpr QLatin1StringView SetWallPaper{"SetWallPaper"};
inline constexpr QLatin1StringView TopMostWindow{"TopMostWindow"};
inline constexpr QLatin1StringView ShowColourScale{"ShowColourScale"};
inline constexpr QLatin1StringView Bullseye{"Bullseye"};
} // namespace keys

// How a stored text is read: I16/I32 rounded half to even with overflow checks, F32 rounded to
// single precision, Text as is, Flag set when the number read is not 0.
enum class KeyType { I16, I32, F32, Text, Flag };

// Where a default comes from when it is not a fixed text.
enum class DefaultKind {
    Fixed,        // defaultText
    RadarFolder,  // the default radar image folder address
    TimeZoneBias, // localUtcOffsetDefaultText()
    CentredLeft,  // centredDefaultText() of screen and window width
    CentredTop,   // centredDefaultText() of screen and window height
};

struct SettingsKey {
    QLatin1StringView name;
    KeyType type;
    QLatin1StringView defaultText; // empty unless Fixed
    DefaultKind defaultKind = DefaultKind::Fixed;
};

// Every key of "SectionGeneral" in the order the loader reads them; `Bullseye`, which is
// written but never read, comes last.
std::span<const SettingsKey> generalKeys();

// The entry of a key, name compared ignoring case; nullptr for an unknown name.
const SettingsKey* findGeneralKey(QAnyStringView name);

// The default text of a key that does not depend on the machine (BaseURL included). Empty for
// computed defaults and unknown names.
QString defaultText(QAnyStringView name);

// Throws the error that the use of a stored number would raise, for numbers that read without
// error but that no map can use: 6 for a map size, map position or bullseye beyond
// maxMapExtent (the rings would overflow), 380 for a negative map size or ring spacing. Other
// keys and texts that are no number pass.
inline constexpr double maxMapExtent = 1.0e6; // twips, and map widths for the bullseye
void requireUsableNumber(QAnyStringView key, const QString& text);

// Default of `LocalUTCTimeOffset`: the bias in minutes / 60 as number text ("5", "-5.5"); a
// bias that cannot be told counts as 0.
QString localUtcOffsetDefaultText(std::optional<qint32> biasMinutes);

// Default of `FormLeft` / `FormTop`: the window centred on the screen, twips.
QString centredDefaultText(float screenExtent, float windowExtent);

} // namespace pluvix::settings
