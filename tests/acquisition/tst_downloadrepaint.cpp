#include "platform/NetworkDownloadService.h"
#include "support/FaultHttpServer.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

using pluvix::platform::DownloadResult;
using pluvix::platform::NetworkDownloadService;
using pluvix::testsupport::FaultHttpServer;

namespace {

class Canvas : public QWidget {
public:
    int paints = 0;
    int presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

class DownloadRepaintTest : public QObject {
    Q_OBJECT

private slots:
    void waitingOnlyRepaints();
};

// While a download blocks, the window still repaints, but the user's clicks and the program's
// own timers wait until it has ended.
void DownloadRepaintTest::waitingOnlyRepaints() {
    FaultHttpServer server;
    NetworkDownloadService service({});
    QTemporaryDir dir;

    Canvas canvas;
    canvas.resize(120, 90);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    QTRY_VERIFY(canvas.paints > 0);
    const int paintsBefore = canvas.paints;

    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start();
    const QPointF at(10, 10);
    QCoreApplication::postEvent(&canvas, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                         canvas.mapToGlobal(at), Qt::LeftButton,
                                                         Qt::LeftButton, Qt::NoModifier));
    canvas.update();

    QElapsedTimer clock;
    clock.start();
    const DownloadResult r = service.download(server.url(QStringLiteral("/slow/300/x")),
                                              dir.filePath(QStringLiteral("f")), 1024);
    QVERIFY(r.ok);
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(ticks, 0);
    QCOMPARE(canvas.presses, 0);
    QCOMPARE(canvas.paints, paintsBefore + 1);

    // Both were only held back.
    QTRY_VERIFY(ticks > 0);
    QTRY_COMPARE(canvas.presses, 1);
}

QTEST_MAIN(DownloadRepaintTest)
#include "tst_downloadrepaint.moc"
