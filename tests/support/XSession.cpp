#include "support/XSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <functional>

namespace pluvix::testsupport {

XSession::XSession() : XSession(Options{}) {}

XSession::XSession(Options options) {
    if (!m_home.isValid()) {
        m_problem = QStringLiteral("no temporary folder");
        return;
    }
    m_env = QProcessEnvironment::systemEnvironment();
    for (const char* dir : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        m_env.insert(QLatin1String(dir), m_home.filePath(QLatin1String(dir)));
    m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QStringLiteral("unix:path=/nonexistent/pluvix-test-bus"));
    m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));

    if (!startServer())
        return;
    if (options.windowManager) {
        // openbox runs the start-up command once it manages windows; its supporting-WM
        // property appears earlier, while windows mapped then may be left unmanaged.
        const QString ready = m_home.filePath(QStringLiteral("wm-ready"));
        if (!startHelper(QStringLiteral("openbox"),
                         {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                          QStringLiteral("touch '") + ready + QLatin1Char('\'')}) ||
            !waitFor([&ready] { return QFile::exists(ready); }, 10000)) {
            m_problem = QStringLiteral("openbox did not start");
            m_display.clear();
            return;
        }
    }
    if (options.tray) {
        if (!startHelper(QStringLiteral("trayer"),
                         {QStringLiteral("--edge"), QStringLiteral("top"),
                          QStringLiteral("--align"), QStringLiteral("right"),
                          QStringLiteral("--widthtype"), QStringLiteral("request"),
                          QStringLiteral("--height"), QStringLiteral("24")}) ||
            !waitFor(
                [this] {
                    return runClient(QStringLiteral("xwininfo"),
                                     {QStringLiteral("-root"), QStringLiteral("-tree")})
                        .value_or(QString())
                        .contains(QLatin1String("\"trayer\""));
                },
                10000)) {
            m_problem = QStringLiteral("trayer did not start");
            m_display.clear();
            return;
        }
    }
}

XSession::~XSession() {
    auto stop = [](QProcess& p) {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(3000)) {
            p.kill();
            p.waitForFinished(3000);
        }
    };
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it)
        stop(**it);
    if (m_server)
        stop(*m_server);
}

bool XSession::startServer() {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        m_problem = QStringLiteral("Xvfb is not installed");
        return false;
    }
    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(m_env);
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    m_server->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd: the server picks a free display and writes its number once it accepts clients.
    m_server->start(xvfb,
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1280x1024x24")});
    if (!m_server->waitForStarted(5000)) {
        m_problem = QStringLiteral("Xvfb did not start");
        return false;
    }
    QByteArray out;
    QDeadlineTimer deadline(15000);
    while (!out.contains('\n') && !deadline.hasExpired() &&
           m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        out += m_server->readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        m_problem = QStringLiteral("Xvfb reported no display");
        return false;
    }
    m_display = QLatin1Char(':') + QString::number(number);
    m_env.insert(QStringLiteral("DISPLAY"), m_display);
    return true;
}

bool XSession::startHelper(const QString& program, const QStringList& args) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        m_problem = program + QLatin1String(" is not installed");
        return false;
    }
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_env);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(path, args);
    if (!process->waitForStarted(5000))
        return false;
    m_helpers.push_back(std::move(process));
    return true;
}

bool XSession::waitFor(const std::function<bool()>& ready, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    while (!ready()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

void XSession::exportToEnvironment() const {
    if (!isRunning()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return;
    }
    qputenv("DISPLAY", m_display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")).toLocal8Bit());
}

std::optional<QString> XSession::runClient(const QString& program, const QStringList& args,
                                           int timeoutMs) const {
    if (m_display.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace pluvix::testsupport
