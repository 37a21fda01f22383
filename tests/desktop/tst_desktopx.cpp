#include "desktop/TrayController.h"
#include "desktop/TrayIcon.h"
#include "desktop/WindowChrome.h"
#include "support/XSession.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>
#include <QWindow>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

// Starts a window move from its own mouse press, as the map does without a title bar.
class DragSurface : public QWidget {
public:
    int presses = 0;
    bool systemMove = false;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        systemMove = startWindowMove(this, event->globalPosition().toPoint());
    }
};

} // namespace

// Frame, stacking and tray as a real window manager (openbox) and XEmbed tray (trayer) apply
// them, read back from the X server; clicks come from the X server itself.
class DesktopXTest : public QObject {
    Q_OBJECT

public:
    explicit DesktopXTest(XSession& session) : x(session) {}

private:
    XSession& x;

    QString client(const QString& program, QWidget& w, const QString& property = {}) {
        QStringList args{u"-id"_s, QString::number(w.windowHandle()->winId())};
        if (!property.isEmpty())
            args << property;
        return x.runClient(program, args).value_or(QString());
    }
    bool above(QWidget& w) {
        return client(u"xprop"_s, w, u"_NET_WM_STATE"_s).contains(u"_NET_WM_STATE_ABOVE"_s);
    }
    // Top frame extent; -1 while the window manager has not framed the window.
    int frameTop(QWidget& w) {
        static const QRegularExpression numbers(u"= (\\d+), (\\d+), (\\d+), (\\d+)"_s);
        const auto m = numbers.match(client(u"xprop"_s, w, u"_NET_FRAME_EXTENTS"_s));
        return m.hasMatch() ? m.captured(3).toInt() : -1;
    }
    // Where the X server has the client area.
    QPoint origin(QWidget& w) {
        const QString info = client(u"xwininfo"_s, w);
        static const QRegularExpression ax(u"Absolute upper-left X:\\s+(-?\\d+)"_s);
        static const QRegularExpression ay(u"Absolute upper-left Y:\\s+(-?\\d+)"_s);
        return {ax.match(info).captured(1).toInt(), ay.match(info).captured(1).toInt()};
    }
    bool at(QWidget& w, QPoint p) { return (origin(w) - p).manhattanLength() <= 2; }
    void xdotool(const QStringList& args) { QVERIFY(x.runClient(u"xdotool"_s, args)); }
    void mouseTo(QPoint p) {
        xdotool({u"mousemove"_s, QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(100);
    }
    void showFramed(QWidget& w) {
        w.setWindowTitle(u"desktop test"_s);
        w.setGeometry(220, 160, 400, 300);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY_WITH_TIMEOUT(frameTop(w) > 0, 5000);
    }

private slots:
    void init() {
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
    }

    // Title bar off and on, keep-on-top on and off: the client area stays where it was.
    void chromeChangesKeepTheMapInPlace() {
        QWidget w;
        showFramed(w);
        const QPoint place = origin(w);
        QVERIFY(!above(w));
        for (bool on : {true, false}) {
            ShowTitleBar(&w, !on, false);
            QTRY_VERIFY_WITH_TIMEOUT(on ? frameTop(w) == 0 : frameTop(w) > 0, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(at(w, place), 5000);
            QCOMPARE(w.size(), QSize(400, 300));
            setKeepOnTop(&w, on);
            QVERIFY(w.isVisible());
            QTRY_COMPARE_WITH_TIMEOUT(above(w), on, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(at(w, place), 5000);
        }
    }

    // Without a title bar a press on the map hands the move to the window manager.
    void dragMovesAFramelessWindow() {
        DragSurface w;
        showFramed(w);
        ShowTitleBar(&w, false, false);
        QTRY_VERIFY_WITH_TIMEOUT(frameTop(w) == 0, 5000);
        QTest::qWait(200);
        const QPoint place = origin(w);
        mouseTo(place + QPoint(100, 100));
        xdotool({u"mousedown"_s, u"1"_s});
        QTRY_COMPARE_WITH_TIMEOUT(w.presses, 1, 5000);
        QVERIFY(w.systemMove);
        QTest::qWait(200);
        for (int step = 1; step <= 4; ++step)
            mouseTo(place + QPoint(100 + 15 * step, 100 + 10 * step));
        xdotool({u"mouseup"_s, u"1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(at(w, place + QPoint(60, 40)), 5000);
    }

    // A single click does nothing, a double click restores; so does the menu's first item.
    void trayRestoresOnDoubleClickOrMenu() {
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SystemTrayIcon tray;
        TrayController controller(tray, window, u"Pluvix"_s);
        QPixmap pixmap(22, 22);
        pixmap.fill(Qt::blue);
        controller.setIcon(QIcon(pixmap));
        QMenu menu;
        connect(menu.addAction(u"Show Pluvix"_s), &QAction::triggered,
                [&] { controller.restore(); });
        controller.setMenu(&menu);
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
        QCOMPARE(tray.host(), TrayHost::XEmbed);
        const auto toTray = [&] {
            window.showMinimized();
            QVERIFY(controller.minimizeToTray() && !window.isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(tray.geometry().width() > 0 && tray.geometry().x() >= 0,
                                     10000);
            QTest::qWait(300);
            mouseTo(tray.geometry().center());
        };
        const auto click = [&](const char* button, int times) {
            xdotool({u"click"_s, u"--repeat"_s, QString::number(times), u"--delay"_s, u"60"_s,
                     QLatin1String(button)});
        };

        toTray();
        click("1", 1);
        QTest::qWait(QApplication::doubleClickInterval() + 300);
        QVERIFY(!window.isVisible());
        click("1", 2);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
        QVERIFY(!window.isMinimized() && !tray.isShown());

        toTray();
        click("3", 1);
        QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), 5000);
        mouseTo(menu.mapToGlobal(menu.actionGeometry(menu.actions()[0]).center()));
        click("1", 1);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
        QVERIFY(!tray.isShown());
        controller.shutdown();
    }
};

PLUVIX_XSESSION_TEST_MAIN(DesktopXTest, {.windowManager = true, .tray = true})
#include "tst_desktopx.moc"
