#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace pluvix::app {

class StatusPanel;

// Tab walks the map and the panel's controls in the order they are seen. The control that the
// keyboard brought the focus to wears a frame in the palette's highlight colour; a click, which
// moves the focus by mouse, takes it away, so the window looks as before until Tab is used.
class KeyboardFocus final : public QObject {
    Q_OBJECT
public:
    KeyboardFocus(QWidget& window, QWidget& map, StatusPanel& panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QWidget& m_window;
    QWidget& m_map;
    StatusPanel& m_panel;
    QWidget* m_frame = nullptr;
    QPointer<QWidget> m_framed;
};

} // namespace pluvix::app
