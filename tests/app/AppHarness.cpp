#include "AppHarness.h"

#include <QDir>
#include <QWidget>

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

AppHarness::AppHarness() {
    downloads =
        std::make_unique<platform::NetworkDownloadService>(dir.filePath(QStringLiteral("http")));
    QDir().mkpath(dir.filePath(QStringLiteral("tmp")));
}

AppHarness::~AppHarness() {
    m_window.reset();
}

bool AppHarness::startServer(const QStringList& arguments) {
    if (server.isRunning())
        return true;
    QStringList args = arguments;
    if (!args.contains(QStringLiteral("--start")))
        args << QStringLiteral("--start") << QStringLiteral("2026-12-06T10:00:00Z")
             << QStringLiteral("--frozen");
    return server.start(args);
}

QString AppHarness::folderUrl(const QString& station, const QString& product) const {
    return server.folderUrl(station, product);
}

void AppHarness::set(const QString& key, const QString& value) {
    store.SaveSetting(appName, QStringLiteral("SectionGeneral"), key, value);
}

QString AppHarness::stored(const QString& section, const QString& key) const {
    return store.GetSetting(appName, section, key, QStringLiteral("<missing>"));
}

app::MainWindow& AppHarness::load() {
    if (store.GetSetting(appName, QStringLiteral("SectionGeneral"), QStringLiteral("BaseURL"), {})
            .isEmpty() &&
        server.isRunning())
        set(QStringLiteral("BaseURL"), folderUrl());
    app::Services services{boxes,
                           programEnd,
                           clock,
                           store,
                           downloadsOverride ? *downloadsOverride : *downloads,
                           fileDialogs,
                           desktop,
                           dir.filePath(QStringLiteral("bin/pluvix")),
                           dir.filePath(QStringLiteral("tmp")) + QLatin1Char('/'),
                           dir.filePath(QStringLiteral("Log.txt")),
                           [] { return std::optional<qint32>(300); },
                           {}};
    m_window = std::make_unique<app::MainWindow>(services);
    m_window->Form_Load(nullptr);
    return *m_window;
}

} // namespace pluvix::testsupport
