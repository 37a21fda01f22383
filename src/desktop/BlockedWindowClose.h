#pragma once

#include <QAbstractNativeEventFilter>

#include <functional>

class QWidget;

namespace pluvix::desktop {

// Qt drops the window manager's close request for a window that a dialog blocks. Where such a
// close must still count (a map load that the options dialog started), this passes it on.
class BlockedWindowClose final : public QAbstractNativeEventFilter {
public:
    // close runs, queued, when the window manager asks to close `window` while a dialog other
    // than a message box blocks it and `counts` answers true.
    BlockedWindowClose(QWidget& window, std::function<bool()> counts, std::function<void()> close);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& m_window;
    std::function<bool()> m_counts;
    std::function<void()> m_close;
    quint32 m_protocols = 0;
    quint32 m_deleteWindow = 0;
};

} // namespace pluvix::desktop
