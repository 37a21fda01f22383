#include "desktop/BlockedWindowClose.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#ifdef PLUVIX_HAVE_XCB
#include "desktop/XcbAtom.h"
#include <QtGui/qguiapplication_platform.h>
#endif

namespace pluvix::desktop {

BlockedWindowClose::BlockedWindowClose(QWidget& window, std::function<bool()> counts,
                                       std::function<void()> close)
    : m_window(window), m_counts(std::move(counts)), m_close(std::move(close)) {
#ifdef PLUVIX_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* c = x11 ? x11->connection() : nullptr) {
        m_protocols = internAtom(c, "WM_PROTOCOLS");
        m_deleteWindow = internAtom(c, "WM_DELETE_WINDOW");
    }
#endif
}

bool BlockedWindowClose::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef PLUVIX_HAVE_XCB
    if (m_protocols == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* request = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (request->format != 32 || request->type != m_protocols ||
        request->data.data32[0] != m_deleteWindow ||
        request->window != xcb_window_t(m_window.internalWinId()))
        return false;
    // A message box asks something in the middle of an operation; its own answer ends it.
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == &m_window || qobject_cast<QMessageBox*>(modal) || !m_counts())
        return false;
    QMetaObject::invokeMethod(&m_window, m_close, Qt::QueuedConnection);
    return true;
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}

} // namespace pluvix::desktop
