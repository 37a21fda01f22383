#include "desktop/WindowChrome.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

#ifdef PLUVIX_HAVE_XCB
#include "desktop/XcbAtom.h"
#include <QtGui/qguiapplication_platform.h>
#endif

namespace pluvix::desktop {

namespace {

// Lets the window system answer (map, reparent, configure) for at most timeoutMs; user input
// waits meanwhile.
template <class Done> bool settle(Done done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    return true;
}

bool exposed(QWidget* window) {
    return window->windowHandle() && window->windowHandle()->isExposed();
}

#ifdef PLUVIX_HAVE_XCB
bool propertyHasAtom(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                     xcb_atom_t wanted) {
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_ATOM, 0, 1024), nullptr);
    bool found = false;
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i < n && !found; ++i)
            found = atoms[i] == wanted;
    }
    free(reply);
    return found;
}
#endif

// Openbox may drop or keep the stacking state while the window is re-mapped after a flag
// change: the window manager is asked again until its state matches the window's flag.
void keepStackingInLine(QWidget* window) {
#ifdef PLUVIX_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    QWindow* handle = window->windowHandle();
    if (!c || !handle || !window->isVisible())
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t netWmState = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t above = internAtom(c, "_NET_WM_STATE_ABOVE");
    // Without a window manager that knows the state nobody would ever set it.
    if (!propertyHasAtom(c, root, internAtom(c, "_NET_SUPPORTED"), above))
        return;
    const bool wanted = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const auto id = xcb_window_t(handle->winId());
    // The state must hold for a moment: the window manager may still be busy with the map.
    QDeadlineTimer deadline(3000);
    QDeadlineTimer heldLongEnough(300);
    while (!deadline.hasExpired()) {
        if (propertyHasAtom(c, id, netWmState, above) == wanted) {
            if (heldLongEnough.hasExpired())
                return;
            settle([] { return false; }, 50);
            continue;
        }
        heldLongEnough.setRemainingTime(300);
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = netWmState;
        event.data.data32[0] = wanted ? 1 : 0; // add or remove
        event.data.data32[1] = above;
        event.data.data32[3] = 1; // from an application
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
        settle([] { return false; }, 50);
    }
#else
    Q_UNUSED(window);
#endif
}

// Changing window flags re-creates the native window and hides it.
void changeFlag(QWidget* window, Qt::WindowType flag, bool on, bool keepClientArea) {
    if (window->testAttribute(Qt::WA_WState_Hidden) || !window->isVisible()) {
        window->setWindowFlag(flag, on);
        return;
    }
    const QRect client = window->geometry();
    // A maximised, full-screen or minimised window keeps the state the window manager gave it.
    keepClientArea = keepClientArea && window->windowState() == Qt::WindowNoState;
    window->setWindowFlag(flag, on);
    // Qt restores the old frame position after the change; ask for the client area instead,
    // before the window manager maps the window.
    if (keepClientArea)
        window->setGeometry(client);
    window->show();
    settle([window] { return exposed(window); }, 2000);
    if (!keepClientArea) {
        keepStackingInLine(window);
        return;
    }
    // A window manager may still place the window by its own rules: ask again until it holds.
    QDeadlineTimer deadline(1500);
    while (!deadline.hasExpired()) {
        settle([] { return false; }, 100);
        if (window->geometry() == client)
            break;
        window->setGeometry(client);
    }
    keepStackingInLine(window);
}

} // namespace

void ShowTitleBar(QWidget* window, bool show, bool isLoadingMap) {
    if (!window)
        return;
    const bool frameless = window->windowFlags().testFlag(Qt::FramelessWindowHint);
    if (frameless == !show)
        return;
    changeFlag(window, Qt::FramelessWindowHint, !show, show || !isLoadingMap);
}

namespace {
// The window manager moves the window by the pointer's way from the point the request names.
// Qt names where the pointer is now, so a move started past the drag threshold would lose the
// way to there; EWMH asks for the press point.
bool moveFromPress(QWidget* window, QPoint globalPressPos) {
#ifdef PLUVIX_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    QWindow* handle = window->windowHandle();
    if (!c || !handle)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t moveResize = internAtom(c, "_NET_WM_MOVERESIZE");
    if (!propertyHasAtom(c, root, internAtom(c, "_NET_SUPPORTED"), moveResize))
        return false;
    const QPoint at = globalPressPos * handle->devicePixelRatio();
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(handle->winId());
    event.type = moveResize;
    event.data.data32[0] = uint32_t(at.x());
    event.data.data32[1] = uint32_t(at.y());
    event.data.data32[2] = 8; // move
    event.data.data32[3] = XCB_BUTTON_INDEX_1;
    event.data.data32[4] = 1; // from an application
    // The window manager cannot take the pointer while the press holds it for us.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    return true;
#else
    Q_UNUSED(window);
    Q_UNUSED(globalPressPos);
    return false;
#endif
}
} // namespace

void setKeepOnTop(QWidget* window, bool onTop) {
    if (!window)
        return;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    changeFlag(window, Qt::WindowStaysOnTopHint, onTop, true);
}

bool startWindowMove(QWidget* pressedWidget, QPoint globalPressPos) {
    if (!pressedWidget)
        return false;
    QWidget* window = pressedWidget->window();
    if (moveFromPress(window, globalPressPos))
        return true;
    if (QWindow* handle = window->windowHandle()) {
        if (handle->startSystemMove())
            return true;
    }
    new ManualWindowMove(pressedWidget, globalPressPos);
    return false;
}

bool startWindowMove(QWidget* pressedWidget) {
    return startWindowMove(pressedWidget, QCursor::pos());
}

ManualWindowMove::ManualWindowMove(QWidget* pressedWidget, QPoint globalPressPos)
    : QObject(pressedWidget), m_widget(pressedWidget), m_pressPos(globalPressPos),
      m_windowStart(pressedWidget->window()->pos()) {
    // On the application: moves without buttons never reach a widget's own filters, and a
    // release may go to another object.
    QCoreApplication::instance()->installEventFilter(this);
}

ManualWindowMove::~ManualWindowMove() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void ManualWindowMove::stop() {
    QCoreApplication::instance()->removeEventFilter(this);
    deleteLater();
}

bool ManualWindowMove::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        // The widget under the mouse, not necessarily the one given, holds the mouse.
        const auto* receiver = qobject_cast<QWidget*>(watched);
        if (!m_widget || !receiver || receiver->window() != m_widget->window())
            return false;
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() == Qt::NoButton) {
            // The release went elsewhere: stop following.
            stop();
            return false;
        }
        m_widget->window()->move(m_windowStart + (move->globalPosition().toPoint() - m_pressPos));
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        stop();
        return false;
    default:
        return false;
    }
}

} // namespace pluvix::desktop
