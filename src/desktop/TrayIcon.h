#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>

class QMenu;
class QSystemTrayIcon;

namespace pluvix::desktop {

// What shows the icon: an XEmbed tray (X11) or a StatusNotifier host over D-Bus.
enum class TrayHost { None, XEmbed, StatusNotifier };

enum class TrayClick { Single, Double, Context, Middle };

// The notification-area icon.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual TrayHost host() const = 0;
    bool isAvailable() const { return host() != TrayHost::None; }
    virtual void show(const QIcon& icon, const QString& tip) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    // The menu a right click opens; owned by the caller.
    virtual void setMenu(QMenu* menu) = 0;
    // Screen rectangle of the icon, when the host tells.
    virtual QRect geometry() const = 0;

signals:
    void clicked(pluvix::desktop::TrayClick click);
};

class SystemTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;

    TrayHost host() const override;
    void show(const QIcon& icon, const QString& tip) override;
    void setToolTip(const QString& tip) override;
    void hide() override;
    bool isShown() const override;
    void setMenu(QMenu* menu) override;
    QRect geometry() const override;

private:
    QSystemTrayIcon* m_icon;
};

// True when a StatusNotifier host is registered on the session bus (always false without
// D-Bus support or a session bus).
bool statusNotifierHostRegistered();

// "Cirrusworks " + the application name, cut to the 63 characters a tip may hold.
QString trayTip(const QString& appName);

// StatusNotifier hosts never report double clicks: their activation arrives as a single click.
bool isRestoreClick(TrayHost host, TrayClick click);

} // namespace pluvix::desktop
