#include "dialogs/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace pluvix::dialogs {

QPoint centredTopLeft(const QRect& screen, const QSize& window) {
    return {screen.x() + (screen.width() - window.width()) / 2,
            screen.y() + (screen.height() - window.height()) / 2};
}

QRect screenRectFor(const QWidget* window) {
    const QScreen* screen = window != nullptr ? window->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

void centreOn(QWidget& window, const QRect& screen) {
    // Before the first show the frame is not known yet; the client size is the best guess.
    const QSize size = window.isVisible() ? window.frameGeometry().size() : window.size();
    window.move(centredTopLeft(screen, size));
}

} // namespace pluvix::dialogs
