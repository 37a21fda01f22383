#include "platform/NetworkDownloadService.h"
#include "platform/TempFolder.h"
#include "support/FaultHttpServer.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using pluvix::platform::DownloadResult;
using pluvix::testsupport::FaultHttpServer;
using Failure = DownloadResult::Failure;
Q_DECLARE_METATYPE(DownloadResult::Failure)

namespace {
constexpr qint64 mib = 1024 * 1024;

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class Canvas : public QWidget {
public:
    int paints = 0, presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};
} // namespace

// The download service against a server whose faults the test controls, and the private
// temporary folder the downloads land in.
class DownloadServiceTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;
    FaultHttpServer m_server;
    pluvix::platform::NetworkDownloadService m_service{QString()};

private slots:
    void init() {
        m_file = m_dir.filePath(u"tempIMG.gif"_s);
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("previous") == 8);
    }

    void result_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("status");
        QTest::newRow("whole body") << u"/ok/hello"_s << Failure::None << 200;
        QTest::newRow("refused") << QString() << Failure::Refused << 0;
        QTest::newRow("not found") << u"/missing"_s << Failure::HttpStatus << 404;
        QTest::newRow("stalls mid-body") << u"/stall"_s << Failure::Timeout << 200;
        QTest::newRow("cut off") << u"/cut"_s << Failure::Truncated << 200;
        QTest::newRow("trickles past the total limit") << u"/trickle"_s << Failure::Timeout << 200;
    }
    // A failure leaves the local file as it was, with nothing beside it.
    void result() {
        QFETCH(QString, path);
        QFETCH(Failure, failure);
        m_service.setTransferTimeout(500ms);
        m_service.setTotalTimeout(path == u"/trickle"_s ? 700ms : 60s);
        const QUrl url = path.isEmpty() ? QUrl(u"http://127.0.0.1:1/"_s) : m_server.url(path);
        QElapsedTimer clock;
        clock.start();
        const DownloadResult r = m_service.download(url, m_file, mib);
        QCOMPARE(r.failure, failure);
        QTEST(r.httpStatus, "status");
        QCOMPARE(contentOf(m_file), failure == Failure::None ? "body:hello" : "previous");
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"tempIMG.gif"_s});
        if (failure == Failure::Timeout)
            QVERIFY2(clock.elapsed() >= 450 && clock.elapsed() < 5000,
                     qPrintable(QString::number(clock.elapsed())));
    }

    void batchRunsAtOnceAnswersInOrderAndGoesOn() {
        QList<QUrl> urls;
        for (int i = 0; i < 10; ++i)
            urls << m_server.url(u"/slow/150/%1"_s.arg(i));
        urls[3] = m_server.url(u"/missing"_s);
        urls << m_server.url(u"/silent"_s);
        QElapsedTimer clock;
        clock.start();
        auto batch = m_service.startBatch(urls, mib);
        for (int i = 0; i < 10; ++i) {
            const DownloadResult r = batch->takeNext(m_file);
            QCOMPARE(r.ok, i != 3);
            QCOMPARE(contentOf(m_file), "body:" + QByteArray::number(i == 3 ? 2 : i));
        }
        QVERIFY2(clock.elapsed() < 750, qPrintable(QString::number(clock.elapsed())));
        batch.reset(); // must not wait for the transfer still hanging
        QVERIFY(clock.elapsed() < 1750);
    }

    // While a download blocks, the window still repaints, but the user's clicks and the
    // program's own timers wait until it has ended.
    void waitingOnlyRepaints() {
        Canvas canvas;
        canvas.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canvas));
        QTRY_VERIFY(canvas.paints > 0);
        const int paintsBefore = canvas.paints;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(10);
        QCoreApplication::postEvent(
            &canvas, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        canvas.update();
        QVERIFY(m_service.download(m_server.url(u"/slow/300/x"_s), m_file, 1024).ok);
        QCOMPARE(ticks + canvas.presses, 0);
        QCOMPARE(canvas.paints, paintsBefore + 1);
        QTRY_VERIFY(ticks > 0 && canvas.presses == 1);
    }

    // Private to the user, under the cache folder, and never reached through a link.
    void tempFolderIsPrivate() {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(u"cache"_s)));
        const QString path = pluvix::platform::userTempPath(u"Pluvix"_s);
        QCOMPARE(path, m_dir.filePath(u"cache/pluvix/tmp/"_s));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x7777)));
        QCOMPARE(pluvix::platform::userTempPath(u"Pluvix"_s), path);
        QCOMPARE(int(QFileInfo(path).permissions() & 0x0077), 0);
        const QString elsewhere = m_dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().rename(path, elsewhere) && QFile::link(elsewhere, path.chopped(1)));
        const QString fresh = pluvix::platform::userTempPath(u"Pluvix"_s);
        QVERIFY(!fresh.startsWith(path.chopped(1)) && QFileInfo(fresh).isDir());
        QCOMPARE(QFileInfo(fresh).ownerId(), uint(::geteuid()));
    }
};

QTEST_MAIN(DownloadServiceTest)
#include "tst_downloadservice.moc"
