#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pluvix::testsupport {

// A private X server (Xvfb) for tests that need real X11 components, optionally with a window
// manager (openbox) and a system tray (trayer). Everything it starts ends with it. Nothing is
// shared with the user's own session: no TCP, own display number, own config folders, no
// D-Bus session bus.
class XSession {
public:
    struct Options {
        bool windowManager = false;
        bool tray = false;
    };

    explicit XSession(Options options);
    ~XSession();

    bool isRunning() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    // Why the session could not start (for QSKIP).
    QString problem() const { return m_problem; }

    // Points this process at the session (DISPLAY, xcb platform); when it is not running, at the
    // offscreen platform, so the application still starts and the tests can skip.
    void exportToEnvironment() const;

    // Runs an X client program (xprop, xdotool, xwininfo) on this display; its standard output,
    // nothing when it failed.
    std::optional<QString> runClient(const QString& program, const QStringList& args,
                                     int timeoutMs = 10000) const;
    // Sends what a window manager sends for the window's close button; from any thread.
    void askToClose(quintptr window) const;

private:
    bool startServer();
    bool startHelper(const QString& program, const QStringList& args);

    QTemporaryDir m_home;
    QProcessEnvironment m_env;
    std::unique_ptr<QProcess> m_server;
    std::vector<std::unique_ptr<QProcess>> m_helpers;
    QString m_display;
    QString m_problem;
};

} // namespace pluvix::testsupport

// main() for a QtTest class whose constructor takes the XSession&; the session is started
// before the application connects to it and ends after the application.
#define PLUVIX_XSESSION_TEST_MAIN(TestClass, ...)                                                  \
    int main(int argc, char** argv) {                                                              \
        pluvix::testsupport::XSession session(__VA_ARGS__);                                        \
        session.exportToEnvironment();                                                             \
        QApplication app(argc, argv);                                                              \
        TestClass test(session);                                                                   \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
