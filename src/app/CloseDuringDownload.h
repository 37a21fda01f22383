#pragma once

#include "desktop/BlockedWindowClose.h"

namespace pluvix::platform {
class NetworkDownloadService;
}

namespace pluvix::app {

class MainWindow;

// A blocking download does not run the event loop. A termination signal, or a close of the
// window asked for while a download waits (the window manager's button, Exit), ends the download
// at once; the normal shut-down then runs once, where the download returns, outside the wait's
// event handling, and the half-done load stops without a connection box.
class CloseDuringDownload {
public:
    CloseDuringDownload(platform::NetworkDownloadService& downloads, MainWindow& window);
    ~CloseDuringDownload();

    CloseDuringDownload(const CloseDuringDownload&) = delete;
    CloseDuringDownload& operator=(const CloseDuringDownload&) = delete;

private:
    platform::NetworkDownloadService& m_downloads;
    desktop::BlockedWindowClose m_blockedClose;
};

} // namespace pluvix::app
