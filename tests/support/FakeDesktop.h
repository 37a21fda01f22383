#pragma once

#include "desktop/CommandRunner.h"
#include "desktop/HelpPage.h"
#include "desktop/WallpaperBackend.h"
#include "platform/FileDialogs.h"

#include <QList>
#include <QMap>
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

// A desktop that remembers what was set; `values` stands for the user's settings.
class FakeWallpaperBackend final : public desktop::WallpaperBackend {
public:
    bool supported = true;
    bool caching = false;
    QMap<QString, QString> values{{QStringLiteral("picture"), QStringLiteral("/home/user/own.jpg")},
                                  {QStringLiteral("placement"), QStringLiteral("zoom")}};
    QStringList setFiles; // every setPicture call
    int placements = 0;

    QString desktopName() const override { return QStringLiteral("Fake"); }
    bool isSupported() const override { return supported; }
    bool cachesByPath() const override { return caching; }
    desktop::SavedWallpaper read() override { return {true, values}; }
    bool writePlacement() override {
        ++placements;
        values.insert(QStringLiteral("placement"), QStringLiteral("centered"));
        return true;
    }
    bool setPicture(const QString& file) override {
        setFiles.append(file);
        values.insert(QStringLiteral("picture"), file);
        return true;
    }
    bool restore(const desktop::SavedWallpaper& saved) override {
        values = saved.values;
        return true;
    }
};

class FakeUrlOpener final : public desktop::UrlOpener {
public:
    QList<QUrl> opened;
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        return true;
    }
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
