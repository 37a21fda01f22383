#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace pluvix::desktop {

// Removes (show false) or restores the window frame. A shown window keeps its client area, and
// so the map, at the same place on the screen. While a map loads at start-up the window is
// not moved; a hidden window only takes the new frame setting.
void ShowTitleBar(QWidget* window, bool show, bool isLoadingMap);

// Keeps the window above all others, or stops doing so; its client area stays in place.
void setKeepOnTop(QWidget* window, bool onTop);

// Starts moving the window of the pressed widget (or the window itself) with the mouse, as a
// drag on a title bar would. Call from the mouse press. The window manager does the move when
// it can (true); otherwise the window follows the mouse until the button is released (false).
bool startWindowMove(QWidget* pressedWidget, QPoint globalPressPos);
// The same with the pointer's current position.
bool startWindowMove(QWidget* pressedWidget);

// Moves a window with the mouse by itself: follows the mouse moves inside the window while a
// button is held, and deletes itself when the button is released.
class ManualWindowMove final : public QObject {
    Q_OBJECT
public:
    ManualWindowMove(QWidget* pressedWidget, QPoint globalPressPos);
    ~ManualWindowMove() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stop();

    QPointer<QWidget> m_widget;
    QPoint m_pressPos;
    QPoint m_windowStart;
};

} // namespace pluvix::desktop
