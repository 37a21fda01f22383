#pragma once

#include "view/RangeRings.h"

#include <QString>

namespace pluvix::settings {
struct SettingsRecord;
class SettingsStore;
} // namespace pluvix::settings

namespace pluvix::dialogs {

// What the options dialog needs from the main window. Each call does what the window's
// procedure of the same name does; errors inside are the window's to report.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    // The settings of the running program, changed in place by the dialog.
    virtual settings::SettingsRecord& settingsRecord() = 0;
    virtual QString appName() const = 0;
    virtual settings::SettingsStore& settingsStore() = 0;

    // Map-view records of the current view ("SectionMap-..." section names).
    virtual void AddMapCoord(const QString& section) = 0;
    virtual void ReadMapCoord(const QString& section) = 0;

    // The range rings and their labels.
    virtual void setRingLabels(view::RingLabels request) = 0;
    // The UTC image stamp label on the map (`Label4`).
    virtual void setTimeLabelVisible(bool visible) = 0;
    virtual void setTimeLabelFontSize(int points) = 0;
    // Bottom edge of the stamp label on the top of the status panel.
    virtual void placeTimeLabel() = 0;
    // Interval of the loop player's timer.
    virtual void setLoopInterval(int milliseconds) = 0;

    virtual void ShowStationTitle() = 0;
    // Fetches the listing for the current address and reloads the history.
    virtual void ReFreshNewMap() = 0;
    virtual void DrawCirclesRadius() = 0;
    // The time text of the newest history image into the time label and the clock.
    virtual void showNewestImageTime() = 0;
    // Shows as many preset buttons as NumberOfPresets says.
    virtual void ShowPresetButtons() = 0;
    // Opens the About box modally.
    virtual void showAboutBox() = 0;
};

} // namespace pluvix::dialogs
