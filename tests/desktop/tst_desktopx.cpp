#include "desktop/WindowChrome.h"
#include "support/XSession.h"

#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <QWindow>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

// Frame and stacking as a real window manager (openbox) applies them, read back from the X
// server. The main window's tray and drag paths are tested through the real window.
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
};

PLUVIX_XSESSION_TEST_MAIN(DesktopXTest, {.windowManager = true, .tray = false})
#include "tst_desktopx.moc"
