#pragma once

#include <QString>
#include <QtGlobal>

namespace pluvix::settings {

// The general settings while the program runs. Window geometry, the map rectangle, the zoom
// level and the wallpaper check mark live in the window, not here. Defaults come from the key
// table, for a key missing from the store and for every key a stopped load did not read.
struct SettingsRecord {
    qint16 LocalUTCTimeOffset = 0;
    QString BaseURL;
    qint16 MaxImageNumber = 0;
    qint16 HidePanel = 0;
    qint16 PollInterval = 0;
    qint16 MinimizeToTray = 0;
    qint16 ShowBullseye = 0;
    qint16 BullsEyeGraduations = 0;
    float BullsEyeX = 0.0f;
    float BullsEyeY = 0.0f;
    QString RadarStationName;
    QString MapTypeShort;
    qint16 HistoryImageCount = 0;
    qint16 PlaySpeed = 0;
    qint16 PlayLoop = 0;
    qint16 BullsEyeTextSize = 0;
    qint16 HideTitleBar = 0;
    float MapScaleShortRangeConstant = 0.0f;
    qint16 MapTypeIndex = 0;
    qint16 UTCFontSize = 0;
    qint16 LoopDelay = 0;
    qint16 AutoUTCOffset = 0;
    float MapScaleLongRangeConstant = 0.0f;
    qint16 NumberOfPresets = 0;
    qint16 ShowUTCDateTime = 0;
    qint16 TopMostWindow = 0;
    bool ShowColourScale = true;
};

} // namespace pluvix::settings
