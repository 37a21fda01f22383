#pragma once

#include <QString>

namespace pluvix::view {

// Names and descriptions that assistive technology reads for the main window's controls. Time
// texts are what the time label shows ("14:35"); an empty one is left out.

// "History: picture 10 of 10, 14:35 UTC"
QString historySliderName(int picture, int pictureCount, const QString& hourMinute);
// "Zoom level 8 of 12"
QString zoomSliderName(int zoom);
// "Preset 1: Melbourne, FL short-range composite"; "Preset 3: empty" for a slot without a
// station.
QString presetButtonName(int slot, const QString& stationLabel, const QString& productCode);
// "Radar map of Melbourne, FL, picture of 14:35 UTC"
QString mapViewName(const QString& stationLabel, const QString& hourMinute);
// "Clock showing 09:35 local time"
QString clockName(const QString& localHourMinute);
// The clock hands' time as "09:35": an hour that an offset moved below 0 or past 23, or into a
// fraction, wraps around the day.
QString localHourMinute(float hour, int minute);
// "Picture 10 of 10"
QString pictureNumberName(int picture, int pictureCount);
// "Picture time: 12/06/2026 14:35 UTC", from the time label's caption.
QString timeLabelName(const QString& caption);

// The product as it is spoken: "short-range composite", "1-hour precipitation"; empty for an
// unknown code.
QString spokenProductName(const QString& productCode);

enum class AccessibleControl {
    HistorySlider,
    ZoomSlider,
    PresetButton,
    Map,
    Clock,
    OptionsButton,
    LoopSwitch,
    PictureNumber,
    TimeLabel
};
// What the control does, for its accessible description.
QString accessibleDescription(AccessibleControl control);

} // namespace pluvix::view
