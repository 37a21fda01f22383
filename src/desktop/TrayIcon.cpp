#include "desktop/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#ifdef PLUVIX_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#endif

namespace pluvix::desktop {

QString trayTip(const QString& appName) {
    const QString tip = QStringLiteral("Cirrusworks ") + appName;
    return tip.left(63);
}

bool isRestoreClick(TrayHost host, TrayClick click) {
    switch (host) {
    case TrayHost::XEmbed:
        return click == TrayClick::Double;
    case TrayHost::StatusNotifier:
        return click == TrayClick::Single || click == TrayClick::Double;
    case TrayHost::None:
        break;
    }
    return false;
}

bool statusNotifierHostRegistered() {
#ifdef PLUVIX_HAVE_QTDBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
#else
    return false;
#endif
}

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : TrayIcon(parent), m_icon(new QSystemTrayIcon(this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    emit clicked(TrayClick::Single);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    emit clicked(TrayClick::Double);
                    break;
                case QSystemTrayIcon::Context:
                    emit clicked(TrayClick::Context);
                    break;
                case QSystemTrayIcon::MiddleClick:
                    emit clicked(TrayClick::Middle);
                    break;
                case QSystemTrayIcon::Unknown:
                    break;
                }
            });
}

SystemTrayIcon::~SystemTrayIcon() = default;

TrayHost SystemTrayIcon::host() const {
    if (statusNotifierHostRegistered())
        return TrayHost::StatusNotifier;
    return QSystemTrayIcon::isSystemTrayAvailable() ? TrayHost::XEmbed : TrayHost::None;
}

void SystemTrayIcon::show(const QIcon& icon, const QString& tip) {
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip);
    m_icon->show();
}

void SystemTrayIcon::setToolTip(const QString& tip) {
    m_icon->setToolTip(tip);
}

void SystemTrayIcon::hide() {
    m_icon->hide();
}

bool SystemTrayIcon::isShown() const {
    return m_icon->isVisible();
}

void SystemTrayIcon::setMenu(QMenu* menu) {
    m_icon->setContextMenu(menu);
}

QRect SystemTrayIcon::geometry() const {
    return m_icon->geometry();
}

} // namespace pluvix::desktop
