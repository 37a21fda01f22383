#pragma once

#include <QIcon>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QMenu;

namespace pluvix::desktop {

class TrayIcon;
enum class TrayClick;
enum class TrayHost;

// Minimising into the notification area and back.
class TrayController {
public:
    TrayController(TrayIcon& tray, QWidget& window, QString appName);
    ~TrayController();
    TrayController(const TrayController&) = delete;
    TrayController& operator=(const TrayController&) = delete;

    // The icon's right-click menu (the window's mnuFile); owned by the window.
    void setMenu(QMenu* menu);
    // Lines shown below the tip's first line (the shown picture and its age).
    void setDetails(const QString& details);
    // Defaults to the window's icon.
    void setIcon(const QIcon& icon) { m_icon = icon; }
    // Told true when the window goes into the tray and false when it comes back, so the
    // window can hide and show its map.
    void setTrayStateChanged(std::function<void(bool inTray)> callback) {
        m_trayStateChanged = std::move(callback);
    }

    // The window was minimised: with MinimizeToTray 1 it goes into the tray.
    bool handleMinimized(int MinimizeToTray);
    // Hides the window behind one icon. Without any notification area the window stays
    // minimised on the task bar instead (false).
    bool minimizeToTray();
    // "Show Pluvix", or the restoring click on the icon.
    void restore();
    // At shut-down; harmless when no icon was added.
    void shutdown();

    bool isInTray() const { return m_inTray; }

private:
    void onClicked(TrayClick click);
    QString tip() const;

    TrayIcon& m_tray;
    QPointer<QWidget> m_window;
    QString m_appName;
    QIcon m_icon;
    QString m_details;
    bool m_inTray = false;
    TrayHost m_host{};
    std::function<void(bool)> m_trayStateChanged;
    QMetaObject::Connection m_clicks;
};

} // namespace pluvix::desktop
