// What the window asks of a plain folder server that sends no cache header: each picture once,
// ever; the listing on every start and poll.
#include "AppHarness.h"

#include "platform/ImageCache.h"
#include "support/FaultHttpServer.h"
#include "support/GifFixtures.h"

#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

struct Folder {
    testsupport::FaultHttpServer server;
    QStringList names = testsupport::tenImageNamesUpTo(10, 0);

    static QByteArray gif(const QString& name) {
        return testsupport::makeRadarGif(48, 48, quint32(qHash(name)));
    }
    // Serves `names`; a name in `failing` answers 500.
    void serve(const QStringList& failing = {}) {
        QHash<QString, QByteArray> files;
        for (const QString& name : names)
            if (!failing.contains(name))
                files.insert(name, gif(name));
        server.setFolder(testsupport::listingOf(names), files);
    }
    QString url() const { return server.url(u"/dir/"_s).toString(); }
    int listings() const { return server.hits(u"/dir/"_s); }
    int hits(const QString& name) const { return server.hits(u"/dir/"_s + name); }
    app::MainWindow& start(AppHarness& h) {
        h.set(u"BaseURL"_s, url());
        return h.loadStill();
    }
};

QList<int> hitsOf(const Folder& f, const QStringList& names) {
    QList<int> n;
    for (const QString& name : names)
        n.append(f.hits(name));
    return n;
}

} // namespace

class TestRequestCount : public QObject {
    Q_OBJECT
private slots:
    void warmStartAndPollRequestOnlyNewImages() {
        Folder f;
        f.serve();
        QTemporaryDir cacheDir;
        // Each harness is one run of the program; the cache folder outlives it.
        const auto startOnCache = [&](AppHarness& h) -> app::MainWindow& {
            h.downloads = std::make_unique<platform::NetworkDownloadService>(cacheDir.path());
            return f.start(h);
        };
        {
            AppHarness cold;
            QCOMPARE(startOnCache(cold).Image2.UBound(), 9);
            QCOMPARE(f.listings(), 1);
            QCOMPARE(hitsOf(f, f.names), QList<int>(10, 1));
        }

        AppHarness warm;
        auto& w = startOnCache(warm);
        QVERIFY(warm.boxes.shown.isEmpty());
        QCOMPARE(f.listings(), 2);
        QCOMPARE(hitsOf(f, f.names), QList<int>(10, 1));
        QCOMPARE(w.Image2.encoded(9), Folder::gif(f.names[9]));

        // A poll asks for the listing and the one new picture.
        f.names = testsupport::tenImageNamesUpTo(10, 5);
        f.serve();
        w.CheckForNewImage();
        QCOMPARE(w.Image2.tag(10), f.names[9]);
        QCOMPARE(f.listings(), 3);
        QCOMPARE(hitsOf(f, f.names), QList<int>(10, 1));
    }

    void failedImageEndsTheBatch_data() {
        QTest::addColumn<int>("failing");
        QTest::newRow("newest, shown first") << 9;
        QTest::newRow("oldest") << 0;
    }

    void failedImageEndsTheBatch() {
        QFETCH(int, failing);
        Folder f;
        f.serve({f.names[failing]});
        AppHarness h;
        f.start(h);

        QCOMPARE(h.boxes.shown.size(), 1);
        QCOMPARE(h.programEnd.endCount, 1);
        // The ten went out together; none is asked for again after the failure.
        for (int n : hitsOf(f, f.names))
            QVERIFY(n <= 1);
        QCOMPARE(f.hits(f.names[failing]), 1);
    }

    void imageCacheKeepsUnderItsCapAndToTheUser() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"images"_s);
        const auto url = [](char c) { return QUrl(u"http://h/%1.gif"_s.arg(c)); };
        platform::ImageCache cache(folder, 250);
        cache.insert(url('a'), QByteArray(100, 'a'));
        cache.insert(url('b'), QByteArray(100, 'b'));
        QCOMPARE(cache.find(url('a')), QByteArray(100, 'a'));
        cache.insert(url('c'), QByteArray(100, 'c')); // over the cap: b is the least recently used
        QVERIFY(!cache.find(url('b')));
        QVERIFY(cache.find(url('a')));

        // Kept copies outlive the process; nobody else may read them.
        platform::ImageCache again(folder, 250);
        QCOMPARE(again.find(url('c')), QByteArray(100, 'c'));
        QCOMPARE(int(QFileInfo(folder).permissions() & 0x0077), 0);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
            QCOMPARE(int(file.permissions() & 0x0077), 0);
    }
};

QTEST_MAIN(TestRequestCount)
#include "tst_requestcount.moc"
