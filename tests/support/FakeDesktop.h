#pragma once

#include "desktop/CommandRunner.h"
#include "desktop/HelpPage.h"
#include "desktop/WallpaperBackend.h"
#include "platform/FileDialogs.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <functional>
#include <optional>

namespace pluvix::testsupport {

// Records every command line and answers from a table (exact command line → result); anything
// else succeeds with no output unless `fallback` says otherwise.
class FakeCommandRunner final : public desktop::CommandRunner {
public:
    QList<QStringList> calls; // program first, then the arguments
    QMap<QString, desktop::CommandResult> answers;
    std::function<desktop::CommandResult(const QString&, const QStringList&)> fallback;
    QMap<QString, QString> programs; // findProgram answers

    desktop::CommandResult run(const QString& program, const QStringList& arguments) override;
    QString findProgram(const QString& name) const override { return programs.value(name); }

    static QString key(const QString& program, const QStringList& arguments);
    static desktop::CommandResult succeeded(const QByteArray& out = {});
    static desktop::CommandResult failed();
};

// A desktop that remembers what was set; `values` stands for the user's settings.
class FakeWallpaperBackend final : public desktop::WallpaperBackend {
public:
    bool supported = true;
    bool caching = false;
    bool setFails = false;
    QMap<QString, QString> values{{QStringLiteral("picture"), QStringLiteral("/home/user/own.jpg")},
                                  {QStringLiteral("placement"), QStringLiteral("zoom")}};
    QStringList setFiles; // every setPicture call
    int placements = 0;   // writePlacement calls
    int restores = 0;

    QString desktopName() const override { return QStringLiteral("Fake"); }
    bool isSupported() const override { return supported; }
    bool cachesByPath() const override { return caching; }
    desktop::SavedWallpaper read() override;
    bool writePlacement() override;
    bool setPicture(const QString& file) override;
    bool restore(const desktop::SavedWallpaper& saved) override;
};

class FakeUrlOpener final : public desktop::UrlOpener {
public:
    QList<QUrl> opened;
    bool answer = true;
    std::function<void()> whileOpening;
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        if (whileOpening)
            whileOpening();
        return answer;
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
