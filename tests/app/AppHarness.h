#pragma once

#include "app/Desktop.h"
#include "app/MainWindow.h"
#include "platform/NetworkDownloadService.h"
#include "settings/MemorySettingsStore.h"
#include "support/FakeDesktop.h"
#include "support/FakeDownloadService.h"
#include "support/FakePlatform.h"
#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace pluvix::dialogs {
class SplashScreen;
}

namespace pluvix::testsupport {

// Records what the window asked of the desktop.
class FakeAppDesktop final : public app::Desktop {
public:
    int remembered = 0;
    int restored = 0;
    int followed = 0;
    bool canSet = true;
    bool trayExists = true;
    bool iconShown = false;
    int iconsAdded = 0;
    QList<bool> titleBarCalls;
    QList<bool> keepOnTopCalls;
    int windowMoves = 0;
    QString trayDetails;

    void rememberUserWallpaper() override { ++remembered; }
    void followWallpaper(const QImage&) override { ++followed; }
    bool wallpaperMenuClicked(bool wasChecked, const QImage& picture) override {
        if (wasChecked)
            ++restored;
        else
            followWallpaper(picture);
        return !wasChecked;
    }
    void restoreUserWallpaper() override { ++restored; }
    bool canSetWallpaper() const override { return canSet; }
    void setTrayMenu(QMenu*) override {}
    void onTrayRestoreRequested(std::function<void()>) override {}
    bool minimizeToTray(QWidget* window) override;
    void restoreFromTray(QWidget* window) override;
    void removeTrayIcon() override { iconShown = false; }
    void setTrayDetails(const QString& details) override { trayDetails = details; }
    void showTitleBar(QWidget*, bool show, bool) override { titleBarCalls.append(show); }
    void setKeepOnTop(QWidget*, bool onTop) override { keepOnTopCalls.append(onTop); }
    void startWindowMove(QWidget*, QPoint) override { ++windowMoves; }
    void openHelpPage() override {}
};

// The real main window with fake boxes, desktop and settings store, talking to the bundled
// radar server on a loopback port picked at run time.
class AppHarness {
public:
    enum Start { NoServer, Server };
    // With Server, the bundled server runs frozen at 2026-12-06 10:00 UTC; a server that cannot
    // start ends the test program, since no window test can run without it.
    explicit AppHarness(Start start = NoServer);
    ~AppHarness();

    QString folderUrl(const QString& station = QStringLiteral("kmlb"),
                      const QString& product = QStringLiteral("p37cr")) const;
    // Serves `names` from `fake` at folder and points the window there instead of the server.
    void useFakeFolder(FakeDownloadService& fake, const QString& folder, const QStringList& names);
    // Stores a general setting before the window loads.
    void set(const QString& key, const QString& value);
    QString stored(const QString& section, const QString& key) const;
    // What a viewer is given: these fakes, the overrides where set.
    app::Services services();
    // Creates the window and runs the start-up.
    app::MainWindow& load();
    // Like load(), then stops both timers so that the test drives every tick itself.
    app::MainWindow& loadStill();
    // Requests for the listing of folderUrl() that the server has logged so far.
    int listingRequests() const;

    RadarServerProcess server;
    FakeMessageBoxes boxes;
    FakeProgramEnd programEnd;
    FakeClock clock;
    mutable settings::MemorySettingsStore store; // the window writes it, stored() reads it
    FakeFileDialogs fileDialogs;
    FakeAppDesktop desktop;
    QTemporaryDir dir;
    std::unique_ptr<platform::NetworkDownloadService> downloads;
    platform::DownloadService* downloadsOverride = nullptr; // e.g. a FakeDownloadService
    settings::SettingsStore* storeOverride = nullptr;       // e.g. a FileSettingsStore
    settings::SettingsStore& activeStore() const {
        return storeOverride ? *storeOverride : static_cast<settings::SettingsStore&>(store);
    }
    // The real desktop and dialogs, for tests under a real X session.
    app::Desktop* desktopOverride = nullptr;
    platform::MessageBoxes* boxesOverride = nullptr;
    platform::FileDialogs* fileDialogsOverride = nullptr;
    QString appName = QStringLiteral("Pluvix");
    dialogs::SplashScreen* splash = nullptr; // the start-up's splash, if a test shows one

private:
    std::unique_ptr<app::MainWindow> m_window;
};

// Ticks the poll count until a poll starts; one interval and a tick at most, for a window
// that may not poll.
void tickUntilPoll(app::MainWindow& w);

} // namespace pluvix::testsupport
