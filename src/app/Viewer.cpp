#include "app/Viewer.h"

#include "acquisition/Catalogue.h"
#include "acquisition/ImageTime.h"
#include "app/BusyPointer.h"
#include "app/Desktop.h"
#include "core/RuntimeError.h"
#include "diagnostics/ErrorReporter.h"
#include "presets/PresetStore.h"
#include "settings/AppName.h"
#include "settings/GeneralSettings.h"

#include <QCoreApplication>

namespace pluvix::app {

using diagnostics::ignoreErrors;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

Viewer::Viewer(Services services)
    : m_s(std::move(services)), m_end(m_s.programEnd),
      m_errors(std::make_unique<diagnostics::ErrorReporter>(
          m_s.boxes, m_end, m_s.clock, m_s.logFile, [this] { return m_feed.history().UBound(); },
          [] { setBusyPointer(false); })),
      m_feed({m_settings, m_s.downloads, m_s.boxes, m_end, *m_errors, [this] { letEventsRun(); }},
             m_s.tempPath),
      m_recall({m_settings, m_mapState, m_feed, m_s.boxes, *m_errors,
                [this] { return m_shutDownDone; }}) {
    connect(&m_playback.timer(), &QTimer::timeout, this,
            [this] { trap(*m_errors, procedure::loopTick, [&] { m_playback.loopTick(); }); });
    followFeed();
}

void Viewer::followFeed() {
    using acquisition::ImageFeed;
    ImageFeed* feed = &m_feed;
    view::Playback* playback = &m_playback;
    connect(feed, &ImageFeed::connectionNoticeShown, this, &Viewer::connectionNoticeShown);
    connect(feed, &ImageFeed::pollFinished, &m_pictureAge, &view::PictureAgeWatch::notePoll);
    // The age moves on with every tick of the poll count, also while nothing new arrives.
    connect(feed, &ImageFeed::countdownChanged, &m_pictureAge, &view::PictureAgeWatch::refresh);
    connect(feed, &ImageFeed::loadBegins, this, [this] { setRingLabels(view::RingLabels::Hide); });
    connect(feed, &ImageFeed::previewArrived, this, [this] {
        showPicture(0);
        if (m_wallpaperFollows)
            m_s.desktop.followWallpaper(m_shownPicture);
    });
    connect(feed, &ImageFeed::elementArrived, this, [this](acquisition::HistoryLoad, int i) {
        setClockToImageTime(showTimeCaption(m_feed.history().tag(i)));
        emit pictureNumberChanged(i + 1);
    });
    connect(feed, &ImageFeed::imageAppended, this, [this](int i) {
        showTimeCaption(m_feed.history().tag(i));
        emit pictureNumberChanged(i + 1);
    });
    connect(feed, &ImageFeed::historyComplete, playback, &view::Playback::showFullHistory);
    connect(feed, &ImageFeed::historyRangeChanged, playback, &view::Playback::followHistory);
    // The window hides the map after these steps and shows it again after the picture.
    connect(feed, &ImageFeed::reloadBegins, playback, [playback] {
        setBusyPointer(true);
        playback->showFullHistory();
    });
    connect(feed, &ImageFeed::reloadEnds, this, [this] {
        trap(*m_errors, procedure::reload, [&] { showPicture(m_feed.history().UBound()); });
    });
}

Viewer::~Viewer() = default;

void Viewer::setEventPump(std::function<void()> letEventsRun) {
    m_letEventsRun = std::move(letEventsRun);
}

void Viewer::letEventsRun() {
    if (m_letEventsRun)
        m_letEventsRun();
    else
        QCoreApplication::processEvents();
}

Viewer::StartUp Viewer::startUp(settings::SettingsWindow& window,
                                const std::function<void()>& finishOnScreen) {
    bool stopped = false;
    bool completed = trap(*m_errors, procedure::startUp, [&] {
        m_s.desktop.rememberUserWallpaper();
        m_appName = settings::appNameFromProgramFile(m_s.programFile);
        m_general = std::make_unique<settings::GeneralSettings>(
            m_s.store, window, *m_errors, m_appName, m_s.timeZoneBias, m_settings);
        m_presetStore = std::make_unique<presets::PresetStore>(m_s.store, m_appName);
        m_recall.setStore(m_presetStore.get());
        m_feed.setAppName(m_appName);
        m_feed.pollTimer().start();
        acquisition::fixedStations();

        m_playback.setRange(1, 10);
        m_playback.setPosition(10);
        m_mapState.setZoom(2);

        m_general->LoadCheckINI();

        // A speed outside the menu's 1 to 10 would stop the start-up half-way.
        m_playback.setSpeed(qBound(1, int(m_settings.PlaySpeed), 10));

        // A termination signal may have run the shut-down inside a download.
        m_feed.fetchListing();
        stopped = !m_feed.connectionOk() || ending();
        if (stopped)
            return;
        m_feed.loadHistory(acquisition::HistoryLoad::StartUp);
        stopped = !m_feed.connectionOk() || ending();
        if (stopped)
            return;
        m_feed.noteImageFileSize();
    });
    // After an error box answered with Retry the window is still finished: a half-built window
    // (splash up, no caption, every preset button) is worse than one missing a picture.
    if (!stopped && !ending()) {
        completed &=
            trap(*m_errors, procedure::startUp, [&] { showPicture(m_feed.history().UBound()); });
        completed &= trap(*m_errors, procedure::startUp, finishOnScreen);
    }
    if (ending())
        return StartUp::Ending;
    return completed ? StartUp::Loaded : StartUp::Failed;
}

void Viewer::endFailedStartUp() {
    // Once the settings are loaded, polling and the sliders must not stay switched off.
    if (m_general)
        m_feed.setLoading(false);
}

bool Viewer::shutDown() {
    if (m_shutDownDone)
        return false;
    m_shutDownDone = true;
    m_feed.stop();
    m_playback.halt();
    ignoreErrors([&] { m_s.desktop.restoreUserWallpaper(); });
    ignoreErrors([&] { m_settingsSaved = !m_general || m_general->UnloadINI(); });
    return true;
}

// --- the element on screen -----------------------------------------------------------------------

void Viewer::showPicture(int element) {
    const acquisition::ImageHistory& history = m_feed.history();
    QImage picture;
    std::exception_ptr decodeError;
    try {
        picture = history.picture(element);
    } catch (const core::RuntimeError&) {
        if (!history.exists(element) || !history.undecodable(element))
            throw;
        decodeError = std::current_exception();
    }
    // An undecodable picture leaves a blank, never the previous picture under this element's
    // number and time.
    const bool bad = history.undecodable(element);
    m_shownPicture = picture;
    m_pictureAge.showPicture(history.exists(element) ? history.tag(element) : QString());
    emit pictureShown(picture);
    if (bad || m_noticeForBadPicture)
        emit connectionNoticeShown(bad || !m_feed.connectionOk());
    m_noticeForBadPicture = bad;
    if (decodeError)
        std::rethrow_exception(decodeError);
}

void Viewer::showHistoryPosition() {
    if (m_feed.isLoading())
        return;
    trap(*m_errors, procedure::sliderChange, [&] {
        // Errors of these steps are ignored and the next step runs; only a picture that
        // cannot be decoded is reported, once the labels name it.
        std::exception_ptr badPicture;
        const int i = m_playback.position() - 1;
        try {
            showPicture(i);
        } catch (const core::RuntimeError& e) {
            if (e.number() == core::RuntimeError::invalidPicture().number())
                badPicture = std::current_exception();
        }
        QString hourMinute;
        ignoreErrors([&] { hourMinute = showTimeCaption(m_feed.history().tag(i)); });
        emit pictureNumberChanged(i + 1);
        ignoreErrors([&] { setClockToImageTime(hourMinute); });
        if (m_wallpaperFollows)
            ignoreErrors([&] { m_s.desktop.followWallpaper(m_shownPicture); });
        emit timeLabelPlaced();
        if (badPicture)
            std::rethrow_exception(badPicture);
    });
}

QString Viewer::showTimeCaption(const QString& tag) {
    QString text = tag;
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    emit timeCaptionChanged(QStringLiteral(" ") + text + QStringLiteral(" "));
    return hourMinute;
}

void Viewer::setClockToImageTime(const QString& hourMinute) {
    std::optional<qint32> bias;
    if (m_settings.AutoUTCOffset == 1 && m_s.timeZoneBias)
        bias = m_s.timeZoneBias();
    const auto values = acquisition::PastImageTimeValues(hourMinute, m_settings.AutoUTCOffset,
                                                         m_settings.LocalUTCTimeOffset, bias);
    if (values)
        emit clockHandsSet(values->hour, values->minute);
}

void Viewer::showNewestImageTime() {
    QString text = m_feed.history().tag(m_feed.history().UBound());
    QString hourMinute;
    acquisition::FormatImageTime(text, hourMinute);
    setClockToImageTime(hourMinute);
}

void Viewer::setWallpaperFollows(bool follows) {
    // A stored check mark must not survive on a desktop whose wallpaper we cannot set, or a
    // later session elsewhere would change the wallpaper unasked.
    m_wallpaperFollows = follows && m_s.desktop.canSetWallpaper();
    emit wallpaperFollowsChanged(m_wallpaperFollows);
}

void Viewer::toggleWallpaper() {
    setWallpaperFollows(m_s.desktop.wallpaperMenuClicked(m_wallpaperFollows, m_shownPicture));
}

QString Viewer::stationTitle() const {
    return acquisition::stationTitle(m_appName, m_settings.BaseURL, m_settings.MapTypeShort);
}

// --- what the options dialog asks --------------------------------------------------------------

settings::SettingsStore& Viewer::settingsStore() {
    return m_s.store;
}

void Viewer::AddMapCoord(const QString& section) {
    if (m_general)
        m_general->AddMapCoord(section);
}

void Viewer::ReadMapCoord(const QString& section) {
    if (m_general)
        m_general->ReadMapCoord(section);
}

} // namespace pluvix::app
