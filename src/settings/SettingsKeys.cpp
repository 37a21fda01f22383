#include "settings/SettingsKeys.h"

#include "acquisition/FolderAddress.h"
#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <iterator>

namespace pluvix::settings {

namespace {

using T = KeyType;
using D = DefaultKind;
using L = QLatin1StringView;

constexpr SettingsKey table[] = {
    {keys::LocalUTCTimeOffset, T::I16, {}, D::TimeZoneBias},
    {keys::BaseURL, T::Text, {}, D::RadarFolder},
    {keys::FormWidth, T::F32, L("5100")},
    {keys::FormHeight, T::F32, L("5985")},
    {keys::FormLeft, T::F32, {}, D::CentredLeft},
    {keys::FormTop, T::F32, {}, D::CentredTop},
    {keys::MapWidth, T::F32, L("24800")},
    {keys::MapHeight, T::F32, L("24800")},
    {keys::MapLeft, T::F32, L("-7295")},
    {keys::MapTop, T::F32, L("-7550")},
    {keys::ZoomLevel, T::I32, L("8")},
    // Read and written to keep stored sections alike; their values are not used.
    {keys::TargetLeft, T::Text, L("224")},
    {keys::TargetTop, T::Text, L("245")},
    {keys::TargetSize, T::Text, L("2")},
    {keys::MaxImageNumber, T::I16, L("20")},
    {keys::HidePanel, T::I16, L("0")},
    {keys::PollInterval, T::I16, L("60")},
    {keys::MinimizeToTray, T::I16, L("0")},
    {keys::ShowBullseye, T::I16, L("1")},
    {keys::BullsEyeGraduations, T::I16, L("10")},
    {keys::BullsEyeX, T::F32, L("1000")},
    {keys::BullsEyeY, T::F32, L("1000")},
    {keys::RadarStationName, T::Text, L("kmlb")},
    {keys::MapTypeShort, T::Text, L("p37cr")},
    {keys::HistoryImageCount, T::I16, L("20")},
    {keys::PlaySpeed, T::I16, L("5")},
    {keys::PlayLoop, T::I16, L("0")},
    {keys::BullsEyeTextSize, T::I16, L("8")},
    {keys::HideTitleBar, T::I16, L("0")},
    {keys::MapScaleShortRangeConstant, T::F32, L("0.721")},
    {keys::MapTypeIndex, T::I16, L("0")},
    {keys::UTCFontSize, T::I16, L("10")},
    {keys::LoopDelay, T::I16, L("4")},
    {keys::AutoUTCOffset, T::I16, L("1")},
    {keys::MapScaleLongRangeConstant, T::F32, L("0.319")},
    {keys::NumberOfPresets, T::I16, L("4")},
    {keys::ShowUTCDateTime, T::I16, L("0")},
    {keys::SetWallPaper, T::Flag, L("0")},
    {keys::TopMostWindow, T::I16, L("0")},
    // Added after the others, so that older files read as before and the legend shows.
    {keys::ShowColourScale, T::Flag, L("1")},
    {keys::Bullseye, T::Text, L("0")},
};

} // namespace

std::span<const SettingsKey> generalKeys() {
    return {std::begin(table), std::end(table)};
}

const SettingsKey* findGeneralKey(QAnyStringView name) {
    for (const SettingsKey& k : table) {
        if (QAnyStringView::compare(name, k.name, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

QString defaultText(QAnyStringView name) {
    const SettingsKey* k = findGeneralKey(name);
    if (!k)
        return {};
    if (k->defaultKind == DefaultKind::RadarFolder)
        return acquisition::defaultBaseUrl();
    return k->defaultText;
}

void requireUsableNumber(QAnyStringView key, const QString& text) {
    struct Range {
        QLatin1StringView key;
        double minimum;
    };
    // A zoomed map is at most 36000 twips wide; the limit leaves room for hand-made views.
    static constexpr Range ranges[] = {
        {keys::MapWidth, 0.0},
        {keys::MapHeight, 0.0},
        {keys::MapLeft, -maxMapExtent},
        {keys::MapTop, -maxMapExtent},
        {keys::BullsEyeX, -maxMapExtent},
        {keys::BullsEyeY, -maxMapExtent},
        {keys::BullsEyeGraduations, 0.0},
    };
    for (const Range& r : ranges) {
        if (QAnyStringView::compare(key, r.key, Qt::CaseInsensitive) != 0)
            continue;
        const double value = core::leadingNumber(text);
        if (value > maxMapExtent)
            throw core::RuntimeError::overflow();
        if (value < r.minimum)
            throw r.minimum == 0.0 ? core::RuntimeError::invalidPropertyValue()
                                   : core::RuntimeError::overflow();
        return;
    }
}

QString localUtcOffsetDefaultText(std::optional<qint32> biasMinutes) {
    const double hours = biasMinutes.value_or(0) / 60.0;
    return core::singleToText(static_cast<float>(hours));
}

QString centredDefaultText(float screenExtent, float windowExtent) {
    return core::singleToText((screenExtent - windowExtent) / 2.0f);
}

} // namespace pluvix::settings
