#include "support/XSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>

namespace pluvix::testsupport {

using namespace Qt::StringLiterals;

namespace {

QStringList words(const char* line) {
    return QString::fromLatin1(line).split(u' ');
}

bool waitFor(const std::function<bool()>& ready) {
    for (QDeadlineTimer deadline(10000); !ready(); QThread::msleep(50))
        if (deadline.hasExpired())
            return false;
    return true;
}

void stop(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

} // namespace

XSession::XSession(Options options) {
    m_env = QProcessEnvironment::systemEnvironment();
    for (const char* dir : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        m_env.insert(QLatin1String(dir), m_home.filePath(QLatin1String(dir)));
    m_env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/pluvix-test-bus"_s);
    m_env.remove(u"WAYLAND_DISPLAY"_s);
    if (!m_home.isValid() || !startServer())
        return;
    // openbox runs the start-up command once it manages windows; its supporting-WM property
    // appears earlier, while windows mapped then may be left unmanaged.
    const QString ready = m_home.filePath(u"wm-ready"_s);
    if (options.windowManager && !(startHelper(u"openbox"_s, words("--sm-disable --startup")
                                                                 << u"touch '" + ready + u'\'') &&
                                   waitFor([&ready] { return QFile::exists(ready); }))) {
        m_problem = u"openbox did not start"_s;
        m_display.clear();
        return;
    }
    if (options.tray &&
        !(startHelper(u"trayer"_s,
                      words("--edge top --align right --widthtype request --height 24")) &&
          waitFor([this] {
              return runClient(u"xwininfo"_s, words("-root -tree"))
                  .value_or(QString())
                  .contains(u"\"trayer\"");
          }))) {
        m_problem = u"trayer did not start"_s;
        m_display.clear();
    }
}

XSession::~XSession() {
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it)
        stop(**it);
    if (m_server)
        stop(*m_server);
}

bool XSession::startServer() {
    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(m_env);
    m_server->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd: the server picks a free display and writes its number once it accepts clients.
    m_server->start(u"Xvfb"_s, words("-displayfd 1 -nolisten tcp -screen 0 1280x1024x24"));
    QByteArray out;
    const QDeadlineTimer deadline(15000);
    while (!out.contains('\n') && m_server->waitForReadyRead(int(deadline.remainingTime())))
        out += m_server->readAllStandardOutput();
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        m_problem = u"Xvfb did not start"_s;
        return false;
    }
    m_display = QLatin1Char(':') + QString::number(number);
    m_env.insert(u"DISPLAY"_s, m_display);
    return true;
}

bool XSession::startHelper(const QString& program, const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_env);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, args);
    if (!process->waitForStarted(5000))
        return false;
    m_helpers.push_back(std::move(process));
    return true;
}

void XSession::exportToEnvironment() const {
    qputenv("QT_QPA_PLATFORM", isRunning() ? "xcb" : "offscreen");
    if (!isRunning())
        return;
    qputenv("DISPLAY", m_display.toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_env.value(u"DBUS_SESSION_BUS_ADDRESS"_s).toLocal8Bit());
}

std::optional<QString> XSession::runClient(const QString& program, const QStringList& args,
                                           int timeoutMs) const {
    if (m_display.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt; // the QProcess destructor kills a client still running
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void XSession::askToClose(quintptr window) const {
    xcb_connection_t* c = xcb_connect(m_display.toLocal8Bit().constData(), nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    xcb_atom_t* atoms[] = {&event.type, &event.data.data32[0]};
    for (const char* name : {"WM_PROTOCOLS", "WM_DELETE_WINDOW"}) {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, qstrlen(name), name), nullptr);
        *atoms[name[3] == 'P' ? 0 : 1] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
    }
    xcb_send_event(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&event));
    // A round trip: the server has handled the request before the connection ends.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

} // namespace pluvix::testsupport
