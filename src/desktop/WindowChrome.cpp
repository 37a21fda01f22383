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
    window->setWindowFlag(flag, on);
    window->show();
    settle([window] { return exposed(window); }, 2000);
    if (!keepClientArea)
        return;
    window->setGeometry(client);
    // A window manager may place the window first and then honour the request.
    settle([window, client] { return window->geometry() == client; }, 1000);
    // Give it a moment more to settle frame extents.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
    pressedWidget->installEventFilter(this);
}

bool ManualWindowMove::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() == Qt::NoButton) {
            // The release went elsewhere (a grab was lost): stop following.
            m_widget->removeEventFilter(this);
            deleteLater();
            return false;
        }
        m_widget->window()->move(m_windowStart + (move->globalPosition().toPoint() - m_pressPos));
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::FocusOut:
        m_widget->removeEventFilter(this);
        deleteLater();
        return event->type() == QEvent::MouseButtonRelease;
    default:
        return false;
    }
}

} // namespace pluvix::desktop
