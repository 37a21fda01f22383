#include "AppHarness.h"

#include <QDir>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace pluvix::testsupport {

bool FakeAppDesktop::minimizeToTray(QWidget* window) {
    if (!trayExists)
        return false;
    window->hide();
    if (!iconShown)
        ++iconsAdded;
    iconShown = true;
    return true;
}

void FakeAppDesktop::restoreFromTray(QWidget* window) {
    window->showNormal();
    iconShown = false;
}

AppHarness::AppHarness(Start start) {
    downloads = std::make_unique<platform::NetworkDownloadService>(
        dir.filePath(u"http"_s), &acquisition::passesPictureCheck);
    QDir().mkpath(dir.filePath(u"tmp"_s));
    if (start == Server && !server.start({u"--start"_s, u"2026-12-06T10:00:00Z"_s, u"--frozen"_s}))
        qFatal("the radar server did not start: %s", qPrintable(server.errorString()));
}

AppHarness::~AppHarness() {
    m_window.reset();
}

QString AppHarness::folderUrl(const QString& station, const QString& product) const {
    return server.folderUrl(station, product);
}

void AppHarness::useFakeFolder(FakeDownloadService& fake, const QString& folder,
                               const QStringList& names) {
    serveFolder(fake, folder, names);
    downloadsOverride = &fake;
    set(u"BaseURL"_s, folder);
}

void AppHarness::set(const QString& key, const QString& value) {
    activeStore().SaveSetting(appName, u"SectionGeneral"_s, key, value);
}

QString AppHarness::stored(const QString& section, const QString& key) const {
    return activeStore().GetSetting(appName, section, key, u"<missing>"_s);
}

app::Services AppHarness::services() {
    if (activeStore().GetSetting(appName, u"SectionGeneral"_s, u"BaseURL"_s, {}).isEmpty() &&
        server.isRunning())
        set(u"BaseURL"_s, folderUrl());
    return {boxesOverride ? *boxesOverride : boxes,
            programEnd,
            clock,
            activeStore(),
            downloadsOverride ? *downloadsOverride : *downloads,
            fileDialogsOverride ? *fileDialogsOverride : fileDialogs,
            desktopOverride ? *desktopOverride : desktop,
            dir.filePath(u"bin/pluvix"_s),
            dir.filePath(u"tmp"_s) + QLatin1Char('/'),
            dir.filePath(u"Log.txt"_s),
            [] { return std::optional<qint32>(300); },
            {}};
}

app::MainWindow& AppHarness::load() {
    m_window = std::make_unique<app::MainWindow>(services());
    m_window->startUp(splash);
    return *m_window;
}

app::MainWindow& AppHarness::loadStill() {
    app::MainWindow& w = load();
    w.viewer().feed().pollTimer().stop();
    w.viewer().playback().timer().stop();
    return w;
}

int AppHarness::listingRequests() const {
    const QString path = QUrl(folderUrl()).path();
    int n = 0;
    // Lines read "GET <path> <status> <bytes> <ms>".
    for (const QString& line : server.requestLog()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        n += fields.size() > 1 && fields[0] == u"GET"_s && fields[1] == path ? 1 : 0;
    }
    return n;
}

void tickUntilPoll(app::MainWindow& w) {
    bool polled = false;
    const auto watch = QObject::connect(&w.viewer().feed(), &acquisition::ImageFeed::pollBegins,
                                        [&polled] { polled = true; });
    for (int t = 0; t <= w.viewer().settings().PollInterval && !polled; ++t)
        w.viewer().feed().pollTick();
    QObject::disconnect(watch);
}

} // namespace pluvix::testsupport
