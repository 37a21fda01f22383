// A window mapped just before a blocking download, as the splash is at start-up, is painted
// during the wait on a real X server, while the user's clicks and the thread's timers wait
// until it has ended.
#include "platform/NetworkDownloadService.h"
#include "support/FaultHttpServer.h"
#include "support/XSession.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace pluvix;

namespace {
class Canvas : public QWidget {
public:
    int paints = 0, presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};
} // namespace

class TestDownloadSplash : public QObject {
    Q_OBJECT
    testsupport::XSession& m_x;

public:
    explicit TestDownloadSplash(testsupport::XSession& x) : m_x(x) {}

private slots:
    void newWindowIsPaintedDuringTheWait() {
        if (!m_x.isRunning())
            QSKIP(qPrintable(m_x.problem()));
        testsupport::FaultHttpServer server;
        platform::NetworkDownloadService service{QString()};
        QTemporaryDir dir;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(10);
        Canvas splash;
        splash.show(); // no event loop from here until the download has ended
        QCoreApplication::postEvent(
            &splash, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QVERIFY(service.download(server.url(u"/slow/1000/x"_qs), dir.filePath(u"f"_qs), 64).ok);
        QVERIFY(splash.paints > 0);
        QCOMPARE(ticks + splash.presses, 0);
        QTRY_VERIFY(ticks > 0 && splash.presses == 1);
    }

    // The window manager's close and a real click during the wait wait for its end too: the
    // window stays open meanwhile, and the close is known to be waiting.
    void closeAndClickWaitForTheDownload() {
        if (!m_x.isRunning())
            QSKIP(qPrintable(m_x.problem()));
        testsupport::FaultHttpServer server;
        platform::NetworkDownloadService service{QString()};
        QTemporaryDir dir;
        Canvas window;
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString id = QString::number(window.winId());
        QVERIFY(m_x.runClient(u"xdotool"_qs,
                              {u"mousemove"_qs, u"--window"_qs, id, u"50"_qs, u"50"_qs}));
        int turns = 0, turnsHeld = 0, turnsClosed = 0;
        service.setWaitHook([&] {
            if (++turns == 1) {
                QVERIFY(m_x.runClient(u"xdotool"_qs, {u"click"_qs, u"1"_qs}));
                QVERIFY(m_x.askToClose(window.winId()));
            }
            platform::NetworkDownloadService::deliverRepaintRequests();
            turnsHeld += platform::NetworkDownloadService::closeHeld(window.windowHandle());
            turnsClosed += !window.isVisible();
        });
        QVERIFY(service.download(server.url(u"/slow/1500/x"_qs), dir.filePath(u"f"_qs), 64).ok);
        QVERIFY(turnsHeld > 0);
        QCOMPARE(turnsClosed + window.presses, 0);
        QVERIFY(!platform::NetworkDownloadService::closeHeld(window.windowHandle()));
        QTRY_VERIFY(!window.isVisible() && window.presses == 1);
    }
};

PLUVIX_XSESSION_TEST_MAIN(TestDownloadSplash, testsupport::XSession::Options{})
#include "tst_downloadsplash.moc"
