#pragma once

#include "acquisition/ImageFeed.h"
#include "app/Services.h"
#include "dialogs/OptionsHost.h"
#include "platform/EndWatch.h"
#include "presets/PresetRecall.h"
#include "settings/SettingsRecord.h"
#include "view/Bullseye.h"
#include "view/MapState.h"
#include "view/PictureAgeWatch.h"
#include "view/Playback.h"

#include <QImage>
#include <QObject>

#include <memory>

namespace pluvix::diagnostics {
class ErrorReporter;
}
namespace pluvix::settings {
class GeneralSettings;
class SettingsWindow;
} // namespace pluvix::settings

namespace pluvix::app {

// The program without its window: the settings record, the error reporter, the settings
// loader, the preset slots and the models; the model half of start-up and shut-down; what the
// options dialog talks to. What it shows goes out as signals the window follows.
class Viewer final : public QObject, public dialogs::OptionsHost {
    Q_OBJECT
public:
    enum class StartUp { Loaded, Failed, Ending };

    explicit Viewer(Services services);
    ~Viewer() override;

    const Services& services() const { return m_s; }
    settings::SettingsRecord& settings() { return m_settings; }
    diagnostics::ErrorReporter& errors() { return *m_errors; }
    platform::EndWatch& endWatch() { return m_end; }
    acquisition::ImageFeed& feed() { return m_feed; }
    view::Playback& playback() { return m_playback; }
    view::MapState& mapState() { return m_mapState; }
    presets::PresetRecall& presetRecall() { return m_recall; }
    view::Bullseye& bullseye() { return m_bullseye; }
    view::PictureAgeWatch& pictureAge() { return m_pictureAge; }
    const presets::PresetStore* presetStore() const { return m_presetStore.get(); }

    // How pending events run inside a long sequence: the event loop's own unless a test
    // steps in, to close the program at a chosen point.
    void setEventPump(std::function<void()> letEventsRun);
    void letEventsRun();

    // Loads the settings (into `window`, as the settings loader sees it) and the history.
    StartUp startUp(settings::SettingsWindow& window, const std::function<void()>& finishOnScreen);
    void endFailedStartUp();
    // Stops the models, puts the user's wallpaper back, saves; true when this call ran it.
    bool shutDown();
    bool shutDownDone() const { return m_shutDownDone; }
    bool settingsSaved() const { return m_settingsSaved; }
    bool ending() const { return m_shutDownDone || m_end.ended(); }

    // The element on the map, an undecodable one as a blank; throws its decoding error after.
    void showPicture(int element);
    // The history position's element: picture, time label, picture number, clock and, when it
    // follows, the wallpaper. Waits while a map loads.
    void showHistoryPosition();
    // The date-and-time text of an image name to the time label; returns its hour and minute.
    QString showTimeCaption(const QString& tag);
    void setClockToImageTime(const QString& hourMinute);
    QImage shownPicture() const { return m_shownPicture; }

    bool wallpaperFollows() const { return m_wallpaperFollows; }
    // A stored mark cannot switch following on where the wallpaper cannot be set.
    void setWallpaperFollows(bool follows);
    void toggleWallpaper();
    QString stationTitle() const;

    // --- dialogs::OptionsHost -----------------------------------------------------------------
    settings::SettingsRecord& settingsRecord() override { return m_settings; }
    QString appName() const override { return m_appName; }
    settings::SettingsStore& settingsStore() override;
    void AddMapCoord(const QString& section) override;
    void ReadMapCoord(const QString& section) override;
    void setRingLabels(view::RingLabels request) override { m_bullseye.setLabels(request); }
    void setTimeLabelVisible(bool visible) override { emit timeLabelShown(visible); }
    void setTimeLabelFontSize(int points) override { emit timeLabelFontSizeChanged(points); }
    void placeTimeLabel() override { emit timeLabelPlaced(); }
    void setLoopInterval(int milliseconds) override { m_playback.setLoopInterval(milliseconds); }
    void ShowStationTitle() override { emit stationTitleChanged(stationTitle()); }
    void ReFreshNewMap() override { m_feed.reload(); }
    void DrawCirclesRadius() override { emit ringsRedrawn(); }
    void showNewestImageTime() override;
    void ShowPresetButtons() override { emit presetCountChanged(m_settings.NumberOfPresets); }
    void showAboutBox() override { emit aboutRequested(); }

signals:
    void pictureShown(const QImage& picture);
    void connectionNoticeShown(bool visible);
    void timeCaptionChanged(const QString& text);
    void pictureNumberChanged(int number);
    void clockHandsSet(float hour, int minute);
    void wallpaperFollowsChanged(bool follows);
    void ringsRedrawn();
    void timeLabelShown(bool visible);
    void timeLabelFontSizeChanged(int points);
    void timeLabelPlaced();
    void stationTitleChanged(const QString& title);
    void presetCountChanged(int count);
    void aboutRequested();

private:
    // The feed's new elements and ranges reach the playback and the screen.
    void followFeed();

    Services m_s;
    platform::EndWatch m_end;
    std::function<void()> m_letEventsRun;
    settings::SettingsRecord m_settings;
    QString m_appName;
    view::MapState m_mapState;
    view::Playback m_playback{m_settings};
    std::unique_ptr<diagnostics::ErrorReporter> m_errors;
    std::unique_ptr<settings::GeneralSettings> m_general;
    acquisition::ImageFeed m_feed;
    std::unique_ptr<presets::PresetStore> m_presetStore;
    presets::PresetRecall m_recall;
    view::Bullseye m_bullseye{m_settings, m_mapState, [this] { return m_recall.busy(); },
                              [this] { letEventsRun(); }};
    view::PictureAgeWatch m_pictureAge{m_s.clock, [this] { return m_settings.PollInterval; }};
    QImage m_shownPicture;
    bool m_wallpaperFollows = false;
    bool m_shutDownDone = false;
    bool m_settingsSaved = false;
    bool m_noticeForBadPicture = false; // the notice stands for an undecodable picture shown
};

} // namespace pluvix::app
