#include "desktop/WindowChrome.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

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
    if (!keepClientArea)
        return;
    // A window manager may still place the window by its own rules: ask again until it holds.
    QDeadlineTimer deadline(1500);
    while (!deadline.hasExpired()) {
        settle([] { return false; }, 100);
        if (window->geometry() == client)
            break;
        window->setGeometry(client);
    }
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
