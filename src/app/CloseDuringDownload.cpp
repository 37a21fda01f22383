#include "app/CloseDuringDownload.h"

#include "app/MainWindow.h"
#include "app/TerminationSignals.h"
#include "platform/NetworkDownloadService.h"

#include <QApplication>
#include <QWindow>

namespace pluvix::app {

using platform::NetworkDownloadService;

CloseDuringDownload::CloseDuringDownload(NetworkDownloadService& downloads, MainWindow& window)
    // The options dialog blocks the window while its OK reloads the map, and Qt drops the window
    // manager's close then; it is asked again, so that the wait holds it like any other.
    : m_downloads(downloads), m_blockedClose(
                                  window, [&window] { return window.viewer().feed().isLoading(); },
                                  [&window] { window.close(); }) {
    // The window manager's close reaches the window's QWindow, the program's own the widget.
    downloads.setInterruption(
        [&window] {
            return TerminationSignals::received() || window.shutDownDone() ||
                   NetworkDownloadService::closeHeld(&window) ||
                   NetworkDownloadService::closeHeld(window.windowHandle());
        },
        [&window] { window.requestClose(); });
    qApp->installNativeEventFilter(&m_blockedClose);
}

CloseDuringDownload::~CloseDuringDownload() {
    qApp->removeNativeEventFilter(&m_blockedClose);
    m_downloads.setInterruption({}, {});
}

} // namespace pluvix::app
