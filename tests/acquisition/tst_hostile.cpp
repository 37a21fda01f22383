// Hostile servers and files: what they may cost in memory and time, and how the program ends.
#include "AppHarness.h"
#include "acquisition/FolderAddress.h"
#include "acquisition/ImageHistory.h"
#include "core/RuntimeError.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"
#include "platform/NetworkDownloadService.h"
#include "platform/TempFolder.h"
#include "settings/FileSettingsStore.h"
#include "support/ErrorOf.h"
#include "support/FaultHttpServer.h"
#include "support/GifFixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QTest>

#include <atomic>
#include <thread>

using namespace pluvix;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Failure = platform::DownloadResult::Failure;
using testsupport::errorOf;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

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

#define VERIFY_BELOW(value, limit) QVERIFY2((value) < (limit), qPrintable(QString::number(value)))

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void endlessBodyStopsAtTheCap() {
        testsupport::FaultHttpServer server;
        platform::NetworkDownloadService service({});
        QTemporaryDir dir;
        platform::DownloadResult r;
        const qint64 growth = peakGrowthMiB([&] {
            r = service.download(server.url(u"/endless"_s), dir.filePath(u"f"_s),
                                 platform::imageByteCap);
        });
        QCOMPARE(r.failure, Failure::TooLarge);
        VERIFY_BELOW(growth, 16 + 24);
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
        testsupport::FaultHttpServer server;
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
        QTemporaryDir dir;
        QElapsedTimer clock;
        clock.start();
        const auto r = service.download(server.url(path), dir.filePath(u"f"_s), 1 << 20);
        const qint64 elapsed = clock.elapsed();
        signaller.join();
        QCOMPARE(r.failure, failure);
        VERIFY_BELOW(elapsed, signal ? 1000 : 2500);
        QCOMPARE(interruptions, signal ? 1 : 0);
        // Once interrupted, later calls do not even start.
        QCOMPARE(service.download(server.url(u"/ok/x"_s), dir.filePath(u"g"_s), 99).failure ==
                     Failure::Interrupted,
                 signal);
    }

    void hugeGifIsRefusedCheaply() {
        // A 5600 x 5600 screen around one pixel: a few dozen bytes that decode to 125 MB.
        QByteArray gif("GIF89a");
        gif += QByteArray::fromHex("e015e015000000"); // screen, no colour table
        gif += QByteArray::fromHex("2c0000000001000100"
                                   "80"
                                   "000000ffffff"
                                   "02024401003b");
        int error = 0;
        const qint64 growth =
            peakGrowthMiB([&] { error = errorOf([&] { acquisition::decodePicture(gif); }); });
        QCOMPARE(error, 481);
        VERIFY_BELOW(growth, 32);
        // The same picture within the limit decodes.
        gif.replace(6, 4, QByteArray::fromHex("00100010"));
        QCOMPARE(acquisition::decodePicture(gif).size(), QSize(4096, 4096));
    }

    void undecodableNewestAddsNoElement() {
        testsupport::AppHarness h;
        testsupport::FakeDownloadService fake;
        QStringList names = testsupport::tenImageNamesUpTo(10, 0);
        h.useFakeFolder(fake, kFolder, names);
        auto& w = h.loadStill();
        for (int minute : {5, 10}) {
            names.append(testsupport::radarImageName(10, minute));
            testsupport::serveFolder(fake, kFolder, names);
            fake.serve(QUrl(kFolder + names.last()), "GIF89a not a picture");
            w.CheckForNewImage();
            QCOMPARE(w.Image2.UBound(), 9);
            QCOMPARE(w.Image2.tag(9), names[9]);
        }
    }

    void failingEndingsExitNonZero_data() {
        QTest::addColumn<int>("failing"); // -1: the listing, else that image
        QTest::newRow("listing") << -1;
        QTest::newRow("image") << 3;
    }

    void failingEndingsExitNonZero() {
        QFETCH(int, failing);
        testsupport::AppHarness h;
        testsupport::FakeDownloadService fake;
        const QStringList names = testsupport::tenImageNamesUpTo(10, 0);
        h.useFakeFolder(fake, kFolder, names);
        fake.fail(QUrl(failing < 0 ? kFolder : kFolder + names[failing]), Failure::HttpStatus, 404);
        h.load();
        QCOMPARE(h.programEnd.lastStatus, platform::exitFailure);

        // Cancel in the error box, too.
        testsupport::FakeMessageBoxes boxes;
        boxes.answers = {platform::MessageButton::Cancel};
        testsupport::FakeProgramEnd end;
        testsupport::FakeClock clock;
        diagnostics::ErrorReporter reporter(boxes, end, clock, h.dir.filePath(u"Log.txt"_s),
                                            [] { return 0; });
        reporter.ReportError(6, u"Overflow"_s, u"Module1.LoadCheckINI"_s);
        QCOMPARE(end.lastStatus, platform::exitFailure);
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
        testsupport::FaultHttpServer server;
        platform::NetworkDownloadService service({});
        QTemporaryDir dir;
        // The listing's bytes, one character each, as the cut gives them: UTF-8 "é" and a blank.
        const QString name = QString::fromLatin1("caf\xC3\xA9 1.gif");
        const QUrl url = acquisition::imageAddress(server.url(u"/ok/"_s).toString(), name);
        QVERIFY(service.download(url, dir.filePath(u"f"_s), 1024).ok);
        QCOMPARE(server.hits(u"/ok/caf%C3%A9%201.gif"_s), 1);
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
