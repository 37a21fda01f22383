#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace pluvix::platform {
class Clock;
class DownloadService;
class FileDialogs;
class MessageBoxes;
class ProgramEnd;
} // namespace pluvix::platform
namespace pluvix::settings {
class SettingsStore;
}

namespace pluvix::app {

class Desktop;

// What the viewer needs from the machine; the program passes real ones, tests fakes.
struct Services {
    platform::MessageBoxes& boxes;
    platform::ProgramEnd& programEnd;
    platform::Clock& clock;
    settings::SettingsStore& store;
    platform::DownloadService& downloads;
    platform::FileDialogs& fileDialogs;
    Desktop& desktop;
    QString programFile; // decides the application name and the log folder
    QString tempPath;    // ends in "/"
    QString logFile;
    std::function<std::optional<qint32>()> timeZoneBias;
    std::function<void()> quit; // ends the event loop after the shut-down
};

} // namespace pluvix::app
