#include "platform/NetworkDownloadService.h"
#include "support/FaultHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using pluvix::platform::CachePolicy;
using pluvix::platform::DownloadResult;
using pluvix::platform::NetworkDownloadService;
using pluvix::testsupport::FaultHttpServer;
using Failure = DownloadResult::Failure;

Q_DECLARE_METATYPE(DownloadResult::Failure)

namespace {

constexpr qint64 mib = 1024 * 1024;

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class DownloadServiceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void wholeBodyReplacesFile();
    void failureLeavesFileAlone_data();
    void failureLeavesFileAlone();
    void unwritableLocalFile();
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
    FaultHttpServer server;
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

    FaultHttpServer server;
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
    FaultHttpServer server;
    NetworkDownloadService service({});
    const DownloadResult r = service.download(server.url(QStringLiteral("/ok/x")),
                                              m_dir.filePath(QStringLiteral("no/such/dir/f")), mib);
    QVERIFY(!r.ok);
    QCOMPARE(r.failure, Failure::LocalFile);
    QCOMPARE(r.httpStatus, 200);
}

void DownloadServiceTest::batchRunsAtOnceAndAnswersInOrder() {
    FaultHttpServer server;
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
    FaultHttpServer server;
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
    FaultHttpServer server;
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
