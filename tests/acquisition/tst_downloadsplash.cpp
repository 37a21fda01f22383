// A window mapped just before a blocking download, as the splash is at start-up, is painted
// during the wait on a real X server, while the user's clicks, the window manager's close and the
// thread's timers wait until it has ended.
#include "platform/NetworkDownloadService.h"
#include "support/FaultHttpServer.h"
#include "support/XSession.h"

#include <QApplication>
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
        // Once it is painted: a click on it, and the window manager's close.
        int asked = 0, turnsHeld = 0;
        service.setWaitHook([&] {
            platform::NetworkDownloadService::deliverRepaintRequests();
            if (!asked && splash.paints > 0) {
                asked = 1;
                QVERIFY(m_x.runClient(u"xdotool"_qs, {u"mousemove"_qs, u"--window"_qs,
                                                      QString::number(splash.winId()), u"5"_qs,
                                                      u"5"_qs, u"click"_qs, u"1"_qs}));
                m_x.askToClose(splash.winId());
            }
            turnsHeld += platform::NetworkDownloadService::closeHeld(splash.windowHandle());
        });
        QVERIFY(service.download(server.url(u"/slow/1500/x"_qs), dir.filePath(u"f"_qs), 64).ok);
        QVERIFY(asked && turnsHeld > 0 && splash.isVisible());
        QCOMPARE(ticks + splash.presses, 0);
        QTRY_VERIFY(ticks > 0 && splash.presses == 1 && !splash.isVisible());
    }
};

PLUVIX_XSESSION_TEST_MAIN(TestDownloadSplash, testsupport::XSession::Options{})
#include "tst_downloadsplash.moc"
