#include "desktop/WindowChrome.h"
#include "support/XSession.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRegularExpression>
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

// Frame and stacking as a real window manager (openbox) applies them, read back from the X
// server rather than from Qt's own records.
class WindowChromeTest : public QObject {
    Q_OBJECT

public:
    explicit WindowChromeTest(XSession& session) : x(session) {}

private:
    XSession& x;

    QString xprop(QWidget& w, const QString& property) {
        return x
            .runClient(u"xprop"_s, {u"-id"_s, QString::number(w.windowHandle()->winId()), property})
            .value_or(QString());
    }

    // left, right, top, bottom; empty while the window manager has not framed the window.
    QList<int> frameExtents(QWidget& w) {
        static const QRegularExpression numbers(u"= (\\d+), (\\d+), (\\d+), (\\d+)"_s);
        const auto m = numbers.match(xprop(w, u"_NET_FRAME_EXTENTS"_s));
        if (!m.hasMatch())
            return {};
        return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                m.captured(4).toInt()};
    }

    // Where the X server has the client area.
    QPoint clientOrigin(QWidget& w) {
        const QString info =
            x.runClient(u"xwininfo"_s, {u"-id"_s, QString::number(w.windowHandle()->winId())})
                .value_or(QString());
        static const QRegularExpression ax(u"Absolute upper-left X:\\s+(-?\\d+)"_s);
        static const QRegularExpression ay(u"Absolute upper-left Y:\\s+(-?\\d+)"_s);
        return {ax.match(info).captured(1).toInt(), ay.match(info).captured(1).toInt()};
    }

    static bool near(QPoint a, QPoint b) { return (a - b).manhattanLength() <= 2; }

    void showFramed(QWidget& w) {
        w.setWindowTitle(u"chrome test"_s);
        w.resize(400, 300);
        w.move(220, 160);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY_WITH_TIMEOUT(frameExtents(w).value(2) > 0, 5000);
    }

private slots:
    void init() {
        if (!x.isRunning())
            QSKIP(qPrintable(x.problem()));
    }

    void titleBarOffAndOnKeepsTheMapInPlace() {
        QWidget w;
        showFramed(w);
        const QPoint origin = clientOrigin(w);
        const QSize size = w.size();

        ShowTitleBar(&w, false, false);
        QVERIFY(w.isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(frameExtents(w), (QList<int>{0, 0, 0, 0}), 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(
            near(clientOrigin(w), origin),
            qPrintable(u"%1,%2"_s.arg(clientOrigin(w).x()).arg(clientOrigin(w).y())), 5000);
        QCOMPARE(w.size(), size);
        QCOMPARE(w.frameGeometry(), w.geometry());

        ShowTitleBar(&w, true, false);
        QTRY_VERIFY_WITH_TIMEOUT(frameExtents(w).value(2) > 0, 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(
            near(clientOrigin(w), origin),
            qPrintable(u"%1,%2"_s.arg(clientOrigin(w).x()).arg(clientOrigin(w).y())), 5000);
        QCOMPARE(w.size(), size);
        QTRY_VERIFY(w.frameGeometry().top() < w.geometry().top());
    }

    // At start-up the window is not shown yet: it only takes the setting and appears without
    // a frame where it was placed.
    void startUpOnlyTakesTheSetting() {
        QWidget w;
        w.setWindowTitle(u"chrome test"_s);
        w.setGeometry(300, 250, 320, 240);
        ShowTitleBar(&w, false, true);
        QVERIFY(!w.isVisible());
        QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(w.geometry(), QRect(300, 250, 320, 240));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE_WITH_TIMEOUT(frameExtents(w), (QList<int>{0, 0, 0, 0}), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(near(clientOrigin(w), QPoint(300, 250)), 5000);
    }

    void keepOnTopSetsAndClearsTheAboveState() {
        QWidget w;
        showFramed(w);
        const QPoint origin = clientOrigin(w);
        QVERIFY(!xprop(w, u"_NET_WM_STATE"_s).contains(u"_NET_WM_STATE_ABOVE"_s));

        setKeepOnTop(&w, true);
        QVERIFY(w.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(xprop(w, u"_NET_WM_STATE"_s).contains(u"_NET_WM_STATE_ABOVE"_s),
                                 5000);
        QTRY_VERIFY_WITH_TIMEOUT(near(clientOrigin(w), origin), 5000);

        setKeepOnTop(&w, false);
        QVERIFY(w.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!xprop(w, u"_NET_WM_STATE"_s).contains(u"_NET_WM_STATE_ABOVE"_s),
                                 5000);
        QTRY_VERIFY_WITH_TIMEOUT(near(clientOrigin(w), origin), 5000);
    }

    // Without a title bar a press on the map hands the move to the window manager.
    void dragMovesAFramelessWindow() {
        DragSurface w;
        showFramed(w);
        ShowTitleBar(&w, false, false);
        QTRY_COMPARE_WITH_TIMEOUT(frameExtents(w), (QList<int>{0, 0, 0, 0}), 5000);
        QTest::qWait(200);
        const QPoint origin = clientOrigin(w);
        const QPoint grab = origin + QPoint(100, 100);
        QVERIFY(x.runClient(u"xdotool"_s, {u"mousemove"_s, QString::number(grab.x()),
                                           QString::number(grab.y()), u"mousedown"_s, u"1"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(w.presses, 1, 5000);
        QVERIFY(w.systemMove);
        QTest::qWait(200);
        for (int step = 1; step <= 4; ++step) {
            const QPoint p = grab + QPoint(15 * step, 10 * step);
            QVERIFY(x.runClient(u"xdotool"_s,
                                {u"mousemove"_s, QString::number(p.x()), QString::number(p.y())}));
            QTest::qWait(50);
        }
        QVERIFY(x.runClient(u"xdotool"_s, {u"mouseup"_s, u"1"_s}));
        QTRY_VERIFY2_WITH_TIMEOUT(
            near(clientOrigin(w), origin + QPoint(60, 40)),
            qPrintable(u"%1,%2"_s.arg(clientOrigin(w).x()).arg(clientOrigin(w).y())), 5000);
    }
};

PLUVIX_XSESSION_TEST_MAIN(WindowChromeTest, {.windowManager = true})
#include "tst_windowchrome.moc"
