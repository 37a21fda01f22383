// The download service against a server whose faults the test controls, and hostile servers
// and files: what they may cost in memory and time, and how the program ends.
#include "AppHarness.h"
#include "acquisition/FolderAddress.h"
#include "desktop/MapSaver.h"
#include "platform/ImageCache.h"
#include "platform/TempFolder.h"
#include "settings/FileSettingsStore.h"
#include "support/ErrorOf.h"
#include "support/FaultHttpServer.h"
#include "support/SmallDisk.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QLockFile>
#include <QTest>
#include <atomic>
#include <thread>
#include <unistd.h>

using namespace pluvix;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Failure = platform::DownloadResult::Failure;
using pluvix::platform::DownloadResult;
using testsupport::errorOf;
using testsupport::FaultHttpServer;
using testsupport::fileBytes;
Q_DECLARE_METATYPE(DownloadResult::Failure)

namespace {

// Resets the peak, runs body, and gives the peak's growth in MiB.
template <class Body> qint64 peakGrowthMiB(Body body) {
    auto peakKiB = [] {
        QFile f(u"/proc/self/status"_s);
        f.open(QIODevice::ReadOnly);
        const QByteArray s = f.readAll();
        return s.mid(s.indexOf("VmHWM:") + 6).trimmed().split(' ').first().toLongLong();
    };
    QFile reset(u"/proc/self/clear_refs"_s);
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const qint64 before = peakKiB();
    body();
    return (peakKiB() - before) / 1024;
}

// The address sanitizer pads every block and keeps freed memory in quarantine.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 memorySlack = 3;
#else
constexpr qint64 memorySlack = 1;
#endif
#define VERIFY_BELOW(value, limit)                                                                 \
    QVERIFY2((value) < (limit)*memorySlack, qPrintable(QString::number(value)))

constexpr qint64 mib = 1024 * 1024;

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;
    FaultHttpServer m_server;
    pluvix::platform::NetworkDownloadService m_service{QString()};

private slots:
    void init() {
        m_service.setTransferTimeout(500ms);
        m_service.setTotalTimeout(60s);
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
        QTest::newRow("endless") << u"/endless"_s << Failure::TooLarge << 200;
        QTest::newRow("gzip inflating without end") << u"/gzip"_s << Failure::TooLarge << 200;
    }
    // A failure leaves the local file as it was, with nothing beside it; an endless body costs
    // no more memory than the cap.
    void result() {
        QFETCH(QString, path);
        QFETCH(Failure, failure);
        m_service.setTotalTimeout(path == u"/trickle"_s ? 700ms : 60s);
        const QUrl url = path.isEmpty() ? QUrl(u"http://127.0.0.1:1/"_s) : m_server.url(path);
        QElapsedTimer clock;
        clock.start();
        DownloadResult r;
        const qint64 growth =
            peakGrowthMiB([&] { r = m_service.download(url, m_file, platform::imageByteCap); });
        QCOMPARE(r.failure, failure);
        QTEST(r.httpStatus, "status");
        QCOMPARE(fileBytes(m_file), failure == Failure::None ? "body:hello" : "previous");
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"tempIMG.gif"_s});
        VERIFY_BELOW(growth, 16 + 24);
        if (failure == Failure::Timeout)
            QVERIFY2(clock.elapsed() >= 450 && clock.elapsed() < 5000,
                     qPrintable(QString::number(clock.elapsed())));
        else
            VERIFY_BELOW(clock.elapsed(), 3000);
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
            QCOMPARE(fileBytes(m_file), "body:" + QByteArray::number(i == 3 ? 2 : i));
        }
        QVERIFY2(clock.elapsed() < 750, qPrintable(QString::number(clock.elapsed())));
        batch.reset(); // must not wait for the transfer still hanging
        QVERIFY(clock.elapsed() < 1750);
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

    // A whole answer of a cut picture, kept by this run or by one without the check, is asked
    // for again; a sound one is kept.
    void cacheKeepsOnlyCheckedPictures() {
        const QByteArray whole = testsupport::makeRadarGif(600, 550, 7); // 35 KB
        QTemporaryDir cache;
        for (const QString& name : {u"checked"_s, u"unchecked"_s}) {
            const QUrl url = m_server.url(u"/dir/"_s + name);
            auto fetch = [&](bool checked) { // one run of the program
                platform::NetworkDownloadService service(
                    cache.path(), checked ? &acquisition::passesPictureCheck : nullptr);
                return service.download(url, m_file, mib, platform::CachePolicy::PreferCache).ok;
            };
            m_server.setFolder({}, {{name, whole.first(16000)}});
            QVERIFY(fetch(name == u"checked"));
            m_server.setFolder({}, {{name, whole}});
            QVERIFY(fetch(true) && fetch(true));
            QCOMPARE(fileBytes(m_file), whole);
            QCOMPARE(m_server.hits(url.path()), 2);
        }
    }

    // The kept pictures leave room on their disk, and give it back, for the temporary files.
    void smallCacheDiskLeavesRoomForTemporaryFiles() {
        QTemporaryDir dir;
        testsupport::SmallDisk disk(dir.filePath(u"disk"_s), 200);
        if (!disk.mounted())
            QSKIP("a size-limited file system needs root");
        platform::NetworkDownloadService service(disk.path(u"http"_s),
                                                 &acquisition::passesPictureCheck);
        for (int i = 0; i <= 10; ++i) {
            if (i == 10)
                disk.fill(4096); // someone else takes the rest
            m_server.setFolder(
                {}, {{u"p%1"_s.arg(i), testsupport::makeRadarGif(600, 550, quint32(i))}});
            const DownloadResult r =
                service.download(m_server.url(u"/dir/p%1"_s.arg(i)), disk.path(u"tempIMG.gif"_s),
                                 mib, platform::CachePolicy::PreferCache);
            QVERIFY2(r.ok, qPrintable(r.message));
        }
    }

    void cacheTrustsOnlyItsOwnFiles_data() {
        QTest::addColumn<QString>("planted");
        QTest::newRow("folder is a link") << u"folder link"_s;
        QTest::newRow("file is a link to a copy of itself") << u"file link"_s;
        QTest::newRow("file of 1 GiB") << u"huge file"_s;
    }
    // Nothing outside the cache folder is read, changed or removed; a huge file is not read.
    void cacheTrustsOnlyItsOwnFiles() {
        QFETCH(QString, planted);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"images"_s), elsewhere = dir.filePath(u"elsewhere"_s);
        QFile notes(elsewhere + u"/notes"_s);
        QVERIFY(QDir().mkpath(elsewhere) && notes.open(QIODevice::WriteOnly));
        const auto shared = QFileDevice::Permissions(0x7755);
        QVERIFY(QFile::setPermissions(elsewhere, shared));
        const platform::ImageCache::Limits limits{64 * mib, mib, 0};
        const QUrl url(u"http://h/a.gif"_s);
        platform::ImageCache(folder, limits).insert(url, "body");
        const QString entry = QDir(folder).entryInfoList(QDir::Files).value(0).filePath();
        if (planted == u"folder link")
            QVERIFY(QDir(folder).removeRecursively() && QFile::link(elsewhere, folder));
        else if (planted == u"file link")
            QVERIFY(QFile::rename(entry, elsewhere + u"/copy"_s) &&
                    QFile::link(elsewhere + u"/copy"_s, entry));
        else
            QVERIFY(QFile::resize(entry, 1024 * mib)); // sparse

        std::optional<QByteArray> found;
        const qint64 growth = peakGrowthMiB([&] {
            platform::ImageCache cache(folder, limits);
            found = cache.find(url);
            cache.insert(QUrl(u"http://h/b.gif"_s), "other");
        });
        QVERIFY(!found);
        VERIFY_BELOW(growth, 16);
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), planted == u"file link" ? 2 : 1);
        QCOMPARE(QFileInfo(elsewhere).permissions(), shared);
    }

    void dripAndSignalEndAWait_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("signal");
        QTest::addColumn<Failure>("failure");
        QTest::newRow("drip") << u"/trickle"_s << false << Failure::Timeout;
        QTest::newRow("signal") << u"/silent"_s << true << Failure::Interrupted;
    }

    void dripAndSignalEndAWait() {
        QFETCH(QString, path);
        QFETCH(bool, signal);
        QFETCH(Failure, failure);
        platform::NetworkDownloadService service({});
        service.setTotalTimeout(10s);
        service.setMinimumRate(100, 1s); // the trickle brings 10 bytes a second
        std::atomic<bool> received{false};
        int interruptions = 0;
        service.setInterruption([&] { return received.load(); }, [&] { ++interruptions; });
        std::thread signaller([&] {
            std::this_thread::sleep_for(300ms);
            received = signal;
        });
        QElapsedTimer clock;
        clock.start();
        const auto r = service.download(m_server.url(path), m_dir.filePath(u"f"_s), 1 << 20);
        const qint64 elapsed = clock.elapsed();
        signaller.join();
        QCOMPARE(r.failure, failure);
        VERIFY_BELOW(elapsed, signal ? 1000 : 2500);
        QCOMPARE(interruptions, signal ? 1 : 0);
        // Once interrupted, later calls do not even start.
        QCOMPARE(service.download(m_server.url(u"/ok/x"_s), m_dir.filePath(u"g"_s), 99).failure ==
                     Failure::Interrupted,
                 signal);
    }

    void pictureBombsAreRefusedCheaply_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<int>("error");
        // A 5600 x 5600 screen around one pixel: a few dozen bytes that decode to 125 MB.
        QByteArray gif = "GIF89a" + QByteArray::fromHex("e015e015000000"
                                                        "2c000000000100010080000000ffffff"
                                                        "02024401003b");
        QTest::newRow("GIF screen over the limit") << gif << 481;
        QTest::newRow("GIF screen at the limit")
            << gif.replace(6, 4, QByteArray::fromHex("00100010")) << 0;
        // A progressive JPEG whose first scan header repeats: each copy a pass over the picture.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QImage image(512, 512, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        writer.write(image);
        QByteArray jpeg = buffer.data();
        QTest::newRow("progressive JPEG") << jpeg << 0;
        const qsizetype scan = jpeg.indexOf("\xFF\xDA");
        jpeg.insert(scan, jpeg.mid(scan, 2 + quint8(jpeg[scan + 3])).repeated(20000));
        QTest::newRow("JPEG scan header 20,000 times") << jpeg << 481;
    }
    void pictureBombsAreRefusedCheaply() {
        QFETCH(QByteArray, picture);
        QElapsedTimer clock;
        clock.start();
        int error = 0;
        const qint64 growth =
            peakGrowthMiB([&] { error = errorOf([&] { acquisition::decodePicture(picture); }); });
        QTEST(error, "error");
        if (error != 0) {
            VERIFY_BELOW(growth, 32);
            VERIFY_BELOW(clock.elapsed(), 1000);
        }
    }

    void noUsableTempFolderIsAnError() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"cache"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the cache folder should be
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME"), oldTmp = qgetenv("TMPDIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(blocker.fileName()));
        qputenv("TMPDIR", QFile::encodeName(dir.filePath(u"missing"_s)));
        const QStringList before = QDir(u"/"_s).entryList({u"pluvix*"_s});
        QString path;
        const int error = errorOf([&] { path = platform::userTempPath(u"Pluvix"_s); });
        qputenv("XDG_CACHE_HOME", oldCache);
        qputenv("TMPDIR", oldTmp);
        if (path.startsWith(u"/pluvix"))
            QDir(path).removeRecursively();
        QCOMPARE(error, 75);
        QCOMPARE(QDir(u"/"_s).entryList({u"pluvix*"_s}), before);
    }

    void nonAsciiNameRequestedAsListed() {
        // The listing's bytes, one character each, as the cut gives them: UTF-8 "é" and a blank.
        const QString name = QString::fromLatin1("caf\xC3\xA9 1.gif");
        const QUrl url = acquisition::imageAddress(m_server.url(u"/ok/"_s).toString(), name);
        QVERIFY(m_service.download(url, m_dir.filePath(u"f"_s), 1024).ok);
        QCOMPARE(m_server.hits(u"/ok/caf%C3%A9%201.gif"_s), 1);
    }

    void seriesNamesNeverCollideAndDecodeOneByOne() {
        QTemporaryDir dir;
        testsupport::FakeFileDialogs dialogs;
        dialogs.answers = {dir.filePath(u"x"_s)};
        testsupport::FakeMessageBoxes boxes;
        desktop::MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        // Each picture decodes to 24 MB; eight held at once would be 192 MB.
        QList<desktop::MapPicture> pictures;
        for (const char16_t* tag : {u"a/b", u"a\\b", u"a_b", u"c", u"d", u"e", u"f", u"g"}) {
            pictures.append({{}, {}, QString::fromUtf16(tag), [] {
                                 QImage image(3000, 2000, QImage::Format_RGB32);
                                 image.fill(Qt::darkBlue);
                                 return image;
                             }});
        }
        desktop::MapSaveOutcome outcome;
        const qint64 growth = peakGrowthMiB(
            [&] { outcome = saver.saveSeries(u"Pluvix - T"_s, {}, 0, pictures, {}); });
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 8);
        QVERIFY(outcome.written.contains(dir.filePath(u"T - a_b (3)"_s)));
        VERIFY_BELOW(growth, 120);
    }

    void settingsLockWaitIsBounded() {
        QTemporaryDir dir;
        settings::FileSettingsStore store(dir.path());
        store.SaveSetting(u"Pluvix"_s, u"S"_s, u"K"_s, u"1"_s);
        QLockFile other(store.filePath(u"Pluvix"_s) + u".lock"_s);
        QVERIFY(other.tryLock());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(errorOf([&] { store.SaveSetting(u"Pluvix"_s, u"S"_s, u"K"_s, u"2"_s); }), 75);
        VERIFY_BELOW(clock.elapsed(), 10000);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
