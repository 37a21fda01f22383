#pragma once

#include "view/MapGeometry.h"

#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

namespace pluvix::diagnostics {
class ErrorSink;
}
namespace pluvix::settings {
struct SettingsRecord;
}
namespace pluvix::view {
class ClockWidget;
class MapView;
} // namespace pluvix::view

namespace pluvix::app {

class Desktop;
class StoredView;

// The window's chrome: title bar, status panel, keep on top, the tray and the way back,
// the default place and size, and moving the window by the map while it has no title bar.
class ChromeController final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window;
        QWidget& panel;
        view::ClockWidget& clock;
        view::MapView& map;
        Desktop& desktop;
        diagnostics::ErrorSink& errors;
        settings::SettingsRecord& settings;
        const StoredView& stored;
        std::function<void()> layOut;
        std::function<bool()> loading;
        std::function<bool()> ending;
    };
    explicit ChromeController(Parts parts, QObject* parent = nullptr);

    // Height of the status panel in twips; 15 when hidden.
    float panelHeight() const { return m_panelHeight; }
    void resetPanelHeight() { m_panelHeight = view::statusPanelShownHeight; }
    bool titleBarHidden() const { return m_titleBarHidden; }
    bool keepOnTop() const { return m_keepOnTop; }
    bool inTray() const { return m_inTray; }
    void leftTray() { m_inTray = false; }
    bool isNormalState() const;

    // The stored title bar and status panel, at start-up, and the clock hands' colour to match.
    void applyStored();
    void toggleStatusPanel();
    void toggleTitleBar();
    void toggleKeepOnTop();
    void minimizeToTray();
    void restoreFromTray();
    void windowDefault();
    // A minimised window goes to the tray when the settings ask for it.
    void followMinimized();
    // Without a title bar a press on the map moves the window once the mouse moves, so that a
    // double click still reaches the map. True when the press was taken for that.
    bool armWindowMove(Qt::MouseButton button);

signals:
    void titleBarHiddenChanged(bool hidden);
    void statusPanelHiddenChanged(bool hidden);
    void keepOnTopChanged(bool onTop);
    void titleBarShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTitleBar(bool show);

    Parts m_p;
    float m_panelHeight = view::statusPanelShownHeight;
    bool m_titleBarHidden = false;
    bool m_keepOnTop = false;
    bool m_inTray = false;
    bool m_restoringFromTray = false;
    Qt::MouseButton m_windowMoveButton = Qt::NoButton;
    QPoint m_windowMovePress;
};

} // namespace pluvix::app
