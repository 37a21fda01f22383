#include "platform/NetworkDownloadService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using pluvix::platform::CachePolicy;
using pluvix::platform::DownloadResult;
using pluvix::platform::NetworkDownloadService;
using Failure = DownloadResult::Failure;

Q_DECLARE_METATYPE(DownloadResult::Failure)

namespace {

constexpr qint64 mib = 1024 * 1024;

// An HTTP server on its own thread (the test's thread is blocked while it downloads) whose
// paths choose the answer:
//   /ok/T            200 with body "body:T"
//   /slow/MS/T       the same after MS milliseconds
//   /missing         404
//   /stall           headers and 10 of 100 bytes, then silence
//   /silent          nothing at all
//   /cut             400 of 1000 announced bytes, then the connection closes
//   /big, /bigstream 2 MiB, announced or not
//   /trickle         one byte every 100 ms
//   /img/T           a cacheable picture body
//   /listing         a body that changes with every request
class FaultServer {
public:
    FaultServer() {
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                auto* server = new QTcpServer(m_context);
                QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
                    while (QTcpSocket* s = server->nextPendingConnection())
                        accept(s);
                });
                server->listen(QHostAddress::LocalHost, 0);
                m_port = server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }
    ~FaultServer() {
        QMetaObject::invokeMethod(
            m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }
    int hits(const QString& path) const {
        QMutexLocker lock(&m_mutex);
        return m_hits.value(path);
    }

private:
    void accept(QTcpSocket* s) {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, request] {
            if (request->contains("\r\n\r\n"))
                return;
            *request += s->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            const QString path = QString::fromLatin1(request->split(' ').value(1));
            int n;
            {
                QMutexLocker lock(&m_mutex);
                n = ++m_hits[path];
            }
            answer(s, path, n);
        });
    }

    static void reply(QTcpSocket* s, const QByteArray& status, const QByteArray& body,
                      const QByteArray& extraHeaders = {}) {
        s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body);
        s->disconnectFromHost();
    }

    void answer(QTcpSocket* s, const QString& path, int n) {
        const QStringList parts = path.split(u'/');
        const QString what = parts.value(1);
        if (what == u"ok") {
            reply(s, "200 OK", "body:" + parts.value(2).toLatin1());
        } else if (what == u"slow") {
            const QByteArray body = "body:" + parts.value(3).toLatin1();
            QTimer::singleShot(parts.value(2).toInt(), s, [s, body] { reply(s, "200 OK", body); });
        } else if (what == u"missing") {
            reply(s, "404 Not Found", "<html>gone</html>");
        } else if (what == u"stall") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
        } else if (what == u"silent") {
        } else if (what == u"cut") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
                     QByteArray(400, 'x'));
            s->disconnectFromHost();
        } else if (what == u"big") {
            reply(s, "200 OK", QByteArray(2 * mib, 'b'));
        } else if (what == u"bigstream") {
            s->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + QByteArray(2 * mib, 'b'));
            s->disconnectFromHost();
        } else if (what == u"trickle") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
            auto* drip = new QTimer(s);
            QObject::connect(drip, &QTimer::timeout, s, [s] { s->write("."); });
            drip->start(100);
        } else if (what == u"img") {
            reply(s, "200 OK", "GIF89a-" + parts.value(2).toLatin1(),
                  "Last-Modified: Thu, 15 Sep 2005 15:03:00 GMT\r\n"
                  "Cache-Control: max-age=86400\r\n");
        } else if (what == u"listing") {
            reply(s, "200 OK", "listing " + QByteArray::number(n));
        } else {
            reply(s, "400 Bad Request", {});
        }
    }

    QThread m_thread;
    QObject* m_context = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QString, int> m_hits;
};

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class EventRecorder : public QObject {
public:
    int updates = 0;
    int keys = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::UpdateRequest)
            ++updates;
        if (e->type() == QEvent::KeyPress)
            ++keys;
        return QObject::event(e);
    }
};

} // namespace

class DownloadServiceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void wholeBodyReplacesFile();
    void failureLeavesFileAlone_data();
    void failureLeavesFileAlone();
    void unwritableLocalFile();
    void waitingRunsNoTimerNorInput();
    void batchRunsAtOnceAndAnswersInOrder();
    void batchGoesOnAfterAFailure();
    void cacheAnswersImagesButNotListings();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void DownloadServiceTest::init() {
    m_file = m_dir.filePath(QStringLiteral("tempIMG.gif"));
    QFile::remove(m_file);
}

void DownloadServiceTest::wholeBodyReplacesFile() {
    FaultServer server;
    NetworkDownloadService service({});
    writeFile(m_file, "previous content that is longer");
    const DownloadResult r = service.download(server.url(QStringLiteral("/ok/hello")), m_file,
                                              pluvix::platform::imageByteCap);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.failure, Failure::None);
    QCOMPARE(r.httpStatus, 200);
    QCOMPARE(r.bytes, 10);
    QCOMPARE(contentOf(m_file), QByteArray("body:hello"));
}

void DownloadServiceTest::failureLeavesFileAlone_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<int>("totalMs");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<int>("status");

    QTest::newRow("refused") << QString() << mib << 0 << Failure::Refused << 0;
    QTest::newRow("not found") << u"/missing"_s << mib << 0 << Failure::HttpStatus << 404;
    QTest::newRow("stalls mid-body") << u"/stall"_s << mib << 0 << Failure::Timeout << 200;
    QTest::newRow("never answers") << u"/silent"_s << mib << 0 << Failure::Timeout << 0;
    QTest::newRow("cut off") << u"/cut"_s << mib << 0 << Failure::Truncated << 200;
    QTest::newRow("announced too large") << u"/big"_s << mib << 0 << Failure::TooLarge << 200;
    QTest::newRow("streamed too large") << u"/bigstream"_s << mib << 0 << Failure::TooLarge << 200;
    QTest::newRow("trickles past the total limit")
        << u"/trickle"_s << mib << 700 << Failure::Timeout << 200;
    QTest::newRow("not http") << u"file:///etc/hostname"_s << mib << 0 << Failure::Other << 0;
}

void DownloadServiceTest::failureLeavesFileAlone() {
    QFETCH(QString, path);
    QFETCH(qint64, cap);
    QFETCH(int, totalMs);

    FaultServer server;
    NetworkDownloadService service({});
    service.setTransferTimeout(500ms);
    if (totalMs > 0)
        service.setTotalTimeout(std::chrono::milliseconds(totalMs));

    QUrl url;
    if (path.isEmpty()) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        url = QUrl(QStringLiteral("http://127.0.0.1:%1/ok/x").arg(closed.serverPort()));
    } else {
        url = path.startsWith(u'/') ? server.url(path) : QUrl(path);
    }

    writeFile(m_file, "previous");
    QElapsedTimer clock;
    clock.start();
    const DownloadResult r = service.download(url, m_file, cap);
    const qint64 ms = clock.elapsed();

    QVERIFY(!r.ok);
    QTEST(r.failure, "failure");
    QTEST(r.httpStatus, "status");
    QVERIFY(!r.message.isEmpty());
    QCOMPARE(contentOf(m_file), QByteArray("previous"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"tempIMG.gif"_s});
    if (r.failure == Failure::Timeout) {
        QVERIFY2(ms >= 450, qPrintable(QString::number(ms)));
        QVERIFY2(ms < 5000, qPrintable(QString::number(ms)));
    }
}

void DownloadServiceTest::unwritableLocalFile() {
    FaultServer server;
    NetworkDownloadService service({});
    const DownloadResult r = service.download(server.url(QStringLiteral("/ok/x")),
                                              m_dir.filePath(QStringLiteral("no/such/dir/f")), mib);
    QVERIFY(!r.ok);
    QCOMPARE(r.failure, Failure::LocalFile);
    QCOMPARE(r.httpStatus, 200);
}

// The user's clicks and the program's timers must wait until the download has ended; only
// repaints may run in the meantime.
void DownloadServiceTest::waitingRunsNoTimerNorInput() {
    FaultServer server;
    NetworkDownloadService service({});
    EventRecorder recorder;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start();
    QCoreApplication::postEvent(&recorder, new QEvent(QEvent::KeyPress));
    QCoreApplication::postEvent(&recorder, new QEvent(QEvent::UpdateRequest));

    QElapsedTimer clock;
    clock.start();
    const DownloadResult r =
        service.download(server.url(QStringLiteral("/slow/300/x")), m_file, mib);
    QVERIFY(r.ok);
    QVERIFY(clock.elapsed() >= 290);
    QCOMPARE(ticks, 0);
    QCOMPARE(recorder.keys, 0);
    QCOMPARE(recorder.updates, 1);

    // Both were only held back.
    QTRY_VERIFY(ticks > 0);
    QTRY_COMPARE(recorder.keys, 1);
}

void DownloadServiceTest::batchRunsAtOnceAndAnswersInOrder() {
    FaultServer server;
    NetworkDownloadService service({});
    constexpr int latencyMs = 150;
    QList<QUrl> urls;
    for (int i = 0; i < 10; ++i)
        urls << server.url(QStringLiteral("/slow/%1/%2").arg(latencyMs).arg(i));

    QElapsedTimer clock;
    clock.start();
    auto batch = service.startBatch(urls, mib);
    QCOMPARE(batch->remaining(), 10);
    for (int i = 0; i < 10; ++i) {
        const DownloadResult r = batch->takeNext(m_file);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(contentOf(m_file), "body:" + QByteArray::number(i));
    }
    const qint64 ms = clock.elapsed();
    qInfo("10 transfers of %d ms each took %lld ms", latencyMs, ms);
    QVERIFY2(ms < 5 * latencyMs, qPrintable(QString::number(ms)));
    QCOMPARE(batch->remaining(), 0);
    QVERIFY(!batch->takeNext(m_file).ok);
}

void DownloadServiceTest::batchGoesOnAfterAFailure() {
    FaultServer server;
    NetworkDownloadService service({});
    auto batch = service.startBatch({server.url(u"/ok/a"_s), server.url(u"/missing"_s),
                                     server.url(u"/ok/c"_s), server.url(u"/silent"_s)},
                                    mib);
    QVERIFY(batch->takeNext(m_file).ok);
    const DownloadResult missing = batch->takeNext(m_file);
    QCOMPARE(missing.failure, Failure::HttpStatus);
    QCOMPARE(contentOf(m_file), QByteArray("body:a"));
    QVERIFY(batch->takeNext(m_file).ok);
    QCOMPARE(contentOf(m_file), QByteArray("body:c"));

    // Dropping a batch with a transfer still hanging must not wait for it.
    QElapsedTimer clock;
    clock.start();
    batch.reset();
    QVERIFY(clock.elapsed() < 1000);
}

void DownloadServiceTest::cacheAnswersImagesButNotListings() {
    QTemporaryDir cacheDir;
    FaultServer server;
    NetworkDownloadService service(cacheDir.path());
    const QUrl listing = server.url(u"/listing"_s);
    const QUrl image = server.url(u"/img/a.gif"_s);
    const QString listingFile = m_dir.filePath(u"tempURL.txt"_s);

    QVERIFY(service.download(listing, listingFile, mib, CachePolicy::AlwaysNetwork).ok);
    QVERIFY(service.download(image, m_file, mib, CachePolicy::PreferCache).ok);

    service.deleteCacheEntry(listing);
    QVERIFY(service.download(listing, listingFile, mib, CachePolicy::AlwaysNetwork).ok);
    QCOMPARE(contentOf(listingFile), QByteArray("listing 2"));
    QCOMPARE(server.hits(u"/listing"_s), 2);

    QFile::remove(m_file);
    const DownloadResult again = service.download(image, m_file, mib, CachePolicy::PreferCache);
    QVERIFY(again.ok);
    QCOMPARE(contentOf(m_file), QByteArray("GIF89a-a.gif"));
    auto batch = service.startBatch({image}, mib, CachePolicy::PreferCache);
    QVERIFY(batch->takeNext(m_file).ok);
    QCOMPARE(server.hits(u"/img/a.gif"_s), 1);

    service.deleteCacheEntry(image);
    QVERIFY(service.download(image, m_file, mib, CachePolicy::PreferCache).ok);
    QCOMPARE(server.hits(u"/img/a.gif"_s), 2);
}

QTEST_GUILESS_MAIN(DownloadServiceTest)
#include "tst_downloadservice.moc"
