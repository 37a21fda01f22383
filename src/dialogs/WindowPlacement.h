#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace pluvix::dialogs {

// Top-left that centres a window of the given size on the screen rectangle. A window larger
// than the screen gets a negative offset, and is placed there as computed.
QPoint centredTopLeft(const QRect& screen, const QSize& window);

// The whole screen the window belongs to (the primary one when it has none yet).
QRect screenRectFor(const QWidget* window);

// One move of the window to the centre of the screen rectangle.
void centreOn(QWidget& window, const QRect& screen);

} // namespace pluvix::dialogs
