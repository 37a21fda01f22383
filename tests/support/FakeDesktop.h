#pragma once

#include "desktop/CommandRunner.h"
#include "desktop/HelpPage.h"
#include "desktop/WallpaperBackend.h"
#include "platform/FileDialogs.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace pluvix::testsupport {

// Records every command line; each succeeds with no output.
class FakeCommandRunner final : public desktop::CommandRunner {
public:
    QList<QStringList> calls; // program first, then the arguments
    desktop::CommandResult run(const QString& program, const QStringList& arguments) override;
    QString findProgram(const QString&) const override { return {}; }
};

// A desktop that caches pictures by path; records what was set.
class FakeWallpaperBackend final : public desktop::WallpaperBackend {
public:
    QStringList setFiles; // every setPicture call
    int placements = 0;

    QString desktopName() const override { return QStringLiteral("Fake"); }
    bool isSupported() const override { return true; }
    bool cachesByPath() const override { return true; }
    desktop::SavedWallpaper read() override { return {true, {}}; }
    bool writePlacement() override { return ++placements > 0; }
    bool setPicture(const QString& file) override {
        setFiles.append(file);
        return true;
    }
    bool restore(const desktop::SavedWallpaper&) override { return true; }
};

class FakeUrlOpener final : public desktop::UrlOpener {
public:
    bool openUrl(const QUrl&) override { return true; }
};

// Answers save dialogs from a queue (nothing queued = cancel) and records the requests.
class FakeFileDialogs final : public platform::FileDialogs {
public:
    QList<platform::SaveDialogRequest> requests;
    QList<std::optional<QString>> answers;
    std::optional<QString> saveFileName(const platform::SaveDialogRequest& request) override {
        requests.append(request);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

} // namespace pluvix::testsupport
