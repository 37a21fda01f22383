#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace pluvix::app {

// The wait pointer over the whole program; switching it off undoes every level at once.
inline void setBusyPointer(bool busy) {
    if (busy) {
        if (!QGuiApplication::overrideCursor())
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
}

} // namespace pluvix::app
