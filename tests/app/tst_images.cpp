// The real main window's images: start-up, polling, reloads, the loop player and the clock,
// against the bundled radar server, a plain folder server or a fake folder.
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
#include "platform/ImageCache.h"
#include "support/FaultHttpServer.h"
#include "support/SmallDisk.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kFolderPath = u"/radar/images/DS.p37cr/SI.kmlb/"_s;
const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

QStringList tags(const app::MainWindow& w, int from, int to) {
    QStringList t;
    for (int i = from; i <= to; ++i)
        t.append(w.Image2.tag(i));
    return t;
}

void pollNow(app::MainWindow& w) {
    w.PollCounter = w.Settings.PollInterval - 1;
    w.Timer1_Timer();
}

// The window on a fake folder of ten images up to 10:00.
struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0)); }
    void serve(const QStringList& names) { testsupport::serveFolder(fake, kFolder, names); }
};

QString timeText(QString name) {
    QString hourMinute;
    acquisition::FormatImageTime(name, hourMinute);
    return u" "_s + name + u" "_s;
}

// Runs `ticks` loop ticks and returns the slider value after each, marking with -1 a step
// whose picture or labels lag behind the slider.
QList<int> tick(app::MainWindow& w, int ticks) {
    QList<int> values;
    for (int t = 0; t < ticks; ++t) {
        w.PlayImages();
        const int v = w.historySlider()->value();
        values.append(v);
        if (w.mapView()->picture() != w.Image2.picture(v - 1) ||
            w.pictureNumberLabel()->text() != QString::number(v) ||
            w.timeLabel()->text() != timeText(w.Image2.tag(v - 1)))
            values.append(-1);
    }
    return values;
}

void switchLoopOn(app::MainWindow& w) {
    w.loopSwitch()->setChecked(true);
    w.loopTimer().stop(); // the test is the clock of the loop
}

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
};

QList<int> hitsOf(const Folder& f, const QStringList& names) {
    QList<int> n;
    for (const QString& name : names)
        n.append(f.hits(name));
    return n;
}

} // namespace

class TestImages : public QObject {
    Q_OBJECT
private slots:
    // A too fast stored play speed is limited and does not stop the start-up.
    void loadsTenImagesFromTheServer() {
        AppHarness h(AppHarness::Server);
        h.set(u"PlaySpeed"_s, u"25"_s);
        auto& w = h.load();

        const auto listing = h.server.get(kFolderPath);
        const auto names = acquisition::cutImageNames(listing.body);
        QCOMPARE(tags(w, 0, w.Image2.UBound()), QStringList(names.begin(), names.end()));
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
        QCOMPARE(w.timeLabel()->text(), timeText(names[9]));
        QCOMPARE(fileBytes(w.ListingFile), listing.body);
        QCOMPARE(fileBytes(w.ImageTempFile), w.Image2.encoded(9));
        QCOMPARE(w.windowTitle(), u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s);
        QVERIFY(h.boxes.shown.isEmpty());
        QCOMPARE(w.Settings.PlaySpeed, qint16(10));
        QCOMPARE(w.loopTimer().interval(), 100);
    }

    // The clock's tooltip counts down to the poll. A stored limit below the start-up's ten is
    // raised, not applied, at the first new image.
    void newImageIsAppendedAndRaisesASmallLimit() {
        AppHarness h(AppHarness::Server);
        h.set(u"MaxImageNumber"_s, u"5"_s);
        h.set(u"PollInterval"_s, u"60"_s);
        auto& w = h.loadStill();
        pollNow(w); // nothing new yet: the count starts again
        QCOMPARE(w.Image2.UBound(), 9);

        QVERIFY(h.server.control(u"advance?images=1"_s));
        const auto after = acquisition::cutImageNames(h.server.get(kFolderPath).body);
        const int listings = h.listingRequests();
        for (int tick = 1; tick <= 59; ++tick)
            w.Timer1_Timer();
        QCOMPARE(w.clock()->toolTip(), u" 1 Seconds till next Poll "_s);
        QCOMPARE(h.listingRequests(), listings);
        w.Timer1_Timer();
        QCOMPARE(h.listingRequests(), listings + 1);
        QCOMPARE(w.Image2.UBound(), 10);
        QCOMPARE(w.Image2.tag(10), after[9]);
        QCOMPARE(w.Image2.encoded(10), h.server.get(kFolderPath + after[9]).body);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(10));
        QCOMPARE(w.Settings.MaxImageNumber, qint16(20));
        w.close();
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"MaxImageNumber"_s), u"20"_s);
    }

    void historyIsTrimmedOneImageAtATime() {
        AppHarness h(AppHarness::Server);
        h.set(u"MaxImageNumber"_s, u"20"_s);
        auto& w = h.loadStill();
        for (int added = 1; added <= 15; ++added) {
            QVERIFY(h.server.control(u"advance?images=1"_s));
            pollNow(w);
        }
        // Element 0 stays loaded; the one after it went at the 15th.
        QCOMPARE(w.Image2.UBound(), 24);
        QCOMPARE(w.Image2.FirstHistoryIndex, qint16(2));
        QVERIFY(w.Image2.exists(0) && !w.Image2.exists(1) && w.Image2.exists(2));
        // Stepping down to the oldest in range shows it; the slider stops there.
        w.historySlider()->setValue(1);
        QCOMPARE(w.historySlider()->value(), 3);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
    }

    void sameNewestNameIsNotNew_data() {
        QTest::addColumn<QString>("listedNewest");
        QTest::addColumn<bool>("isNew");
        const QString newest = testsupport::radarImageName(10, 0);
        QTest::newRow("blank and case") << u" "_s + newest.toLower() << false;
        QTest::newRow("one minute later") << testsupport::radarImageName(10, 1) << true;
    }

    void sameNewestNameIsNotNew() {
        QFETCH(QString, listedNewest);
        QFETCH(bool, isNew);
        FakeRadar r;
        auto& w = r.h.loadStill();
        QStringList names = testsupport::tenImageNamesUpTo(10, 0).mid(1);
        // Served, so that treating it as new would visibly append it.
        r.serve(names << listedNewest);
        pollNow(w);
        QCOMPARE(w.Image2.UBound(), isNew ? 10 : 9);
    }

    void reloadWithAFailingImageKeepsAPartialHistory() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        // The next listing is an hour later; its sixth image cannot be fetched.
        const QStringList second = testsupport::tenImageNamesUpTo(11, 0);
        r.serve(second);
        r.fake.fail(QUrl(kFolder + second[5]), platform::DownloadResult::Failure::HttpStatus, 500);
        w.progressBar()->show(); // as during a preset recall
        w.ReFreshNewMap();

        QCOMPARE(tags(w, 0, w.Image2.UBound()), second.mid(0, 5));
        QVERIFY(w.connectionNotice()->isVisible());
        QVERIFY(!w.progressBar()->isVisible());
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
        // Positions past the partial history show nothing new and raise no error.
        w.historySlider()->setValue(8);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
        QVERIFY(r.h.boxes.shown.isEmpty());

        // A later reload that works clears the notice and fills the history again.
        r.serve(second);
        w.ReFreshNewMap();
        QVERIFY(!w.connectionNotice()->isVisible());
        QCOMPARE(tags(w, 0, w.Image2.UBound()), second);
    }

    void reloadWithoutAListingEndsTheProgramThere() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        r.fake.fail(QUrl(kFolder), platform::DownloadResult::Failure::Refused);
        w.ReFreshNewMap();
        QCOMPARE(r.h.boxes.shown.size() + r.h.programEnd.endCount, 2);
        // The program ended there: no image was loaded afterwards and nothing was saved.
        QCOMPARE(w.Image2.UBound(), 0);
        QCOMPARE(r.h.stored(u"SectionGeneral"_s, u"PollInterval"_s), u"<missing>"_s);
    }

    void failedListingShowsTheNoticeAndAFailedImageIsSilent() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        const QStringList history = tags(w, 0, 9);
        w.historySlider()->setValue(4);
        r.fake.fail(QUrl(kFolder), platform::DownloadResult::Failure::HttpStatus, 404);
        pollNow(w);
        QVERIFY(w.connectionNotice()->isVisible());
        QCOMPARE(tags(w, 0, w.Image2.UBound()), history);

        // A good listing hides the notice; its new image times out without a word.
        const QStringList next = testsupport::tenImageNamesUpTo(10, 5);
        r.serve(next);
        r.fake.fail(QUrl(kFolder + next[9]), platform::DownloadResult::Failure::Timeout);
        pollNow(w);
        QCOMPARE(w.Image2.UBound(), 9);
        QVERIFY(!w.connectionNotice()->isVisible());
        QVERIFY(r.h.boxes.shown.isEmpty());
        QCOMPARE(r.h.programEnd.endCount, 0);
        // It is fetched at the next poll once it can be.
        r.serve(next);
        pollNow(w);
        QCOMPARE(w.Image2.tag(10), next[9]);
    }
    void loopRunsOverTheNewestPicturesAndPauses_data() {
        QTest::addColumn<int>("historyImageCount");
        QTest::addColumn<int>("loopDelay");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("20 pictures, delay 4")
            << 20 << 4 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 1, 2};
        QTest::newRow("5 pictures, delay 0") << 5 << 0 << QList<int>{5, 6, 7, 8, 9, 10, 5, 6};
        QTest::newRow("delay beyond the switch-on count pauses at once")
            << 3 << 11 << QList<int>{10, 10, 7, 8, 9, 10} + QList<int>(11, 10) + QList<int>{7};
        QTest::newRow("negative count") << -5 << 0 << QList<int>(3, 10);
    }

    void loopRunsOverTheNewestPicturesAndPauses() {
        QFETCH(int, historyImageCount);
        QFETCH(int, loopDelay);
        QFETCH(QList<int>, expected);
        FakeRadar r;
        r.h.set(u"HistoryImageCount"_s, QString::number(historyImageCount));
        r.h.set(u"LoopDelay"_s, QString::number(loopDelay));
        auto& w = r.h.loadStill();
        QCOMPARE(tick(w, 2), (QList<int>{10, 10})); // off: ticks change nothing
        switchLoopOn(w);
        // The first pass jumps back at once, without a pause on the newest.
        QCOMPARE(tick(w, int(expected.size())), expected);
    }

    void switchingOffReturnsToTheNewest() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        QAction* menu = w.action(u"mnuPlayNow"_s);
        switchLoopOn(w);
        QVERIFY(menu->isChecked());
        QCOMPARE(tick(w, 4), (QList<int>{1, 2, 3, 4}));
        w.loopSwitch()->setChecked(false);
        QCOMPARE(w.historySlider()->value(), 10);
        QVERIFY(!w.loopTimer().isActive());
        QVERIFY(!menu->isChecked());
        w.close();
        QCOMPARE(r.h.stored(u"SectionGeneral"_s, u"PlayLoop"_s), u"0"_s);
    }

    void slidersDoNothingWhileAMapLoads() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        w.historySlider()->setValue(5);
        const QPointF minuteHand = w.clock()->minuteHandEnd();
        const view::MapRect map{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};

        w.m_IsLoadingMap = true;
        w.historySlider()->setValue(3);
        w.zoomSlider()->setValue(11);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
        QCOMPARE(w.clock()->minuteHandEnd(), minuteHand);
        QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == map);

        // Once loaded, the change action brings the window in line with the slider.
        w.m_IsLoadingMap = false;
        w.HScroll1_Change(0);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
        QVERIFY(w.clock()->minuteHandEnd() != minuteHand);
    }

    // End points in twips inside the 510-twip clock: centre (255, 255), hour hand 140 long and
    // minute hand 240. The offset is the machine's bias (300 minutes in the harness).
    void handsFollowTheShownImage() {
        FakeRadar r; // the newest image is 10:00 UTC, the oldest 09:15
        r.h.set(u"AutoUTCOffset"_s, u"1"_s);
        auto& w = r.h.loadStill();
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(325, 376)); // 05:00 local
        w.historySlider()->setValue(1);
        QCOMPARE(w.timeLabel()->text(), u" 12/06/2026  09:15 UTC "_s);
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(366, 340)); // 04:15 local
        QCOMPARE(w.clock()->minuteHandEnd().toPoint(), QPoint(495, 255));
        w.PastImageTime(u"x:y"_s); // not a time: the hands stay
        QCOMPARE(w.clock()->minuteHandEnd().toPoint(), QPoint(495, 255));
    }
    // What the window asks of a plain folder server that sends no cache header: each picture
    // once, ever; the listing on every start and poll.
    void warmStartAndPollRequestOnlyNewImages() {
        Folder f;
        f.serve();
        QTemporaryDir cacheDir;
        // Each harness is one run of the program; the cache folder outlives it.
        const auto startOnCache = [&](AppHarness& h) -> app::MainWindow& {
            h.downloads = std::make_unique<platform::NetworkDownloadService>(
                cacheDir.path(), &acquisition::passesPictureCheck);
            h.set(u"BaseURL"_s, f.url());
            return h.loadStill();
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

    // A start-up whose listing or any image fails ends with a message and saves nothing; the
    // newest image, shown first, is no exception.
    void failedStartEndsWithAMessage_data() {
        QTest::addColumn<int>("failing"); // an image, or -1 for the listing
        QTest::addColumn<QString>("text");
        const QString noServer = u"Pluvix Cannot Cannot Connect to the NOAA Web Server.\n"
                                 "Pluvix will now close."_s;
        QTest::newRow("listing") << -1
                                 << u"Pluvix Cannot Cannot Connect to the Internet.\n"
                                    "                     Pluvix will now close."_s;
        QTest::newRow("newest") << 9 << noServer;
        QTest::newRow("oldest") << 0 << noServer;
    }

    void failedStartEndsWithAMessage() {
        QFETCH(int, failing);
        Folder f;
        f.serve({f.names.value(failing)});
        AppHarness h;
        h.set(u"BaseURL"_s, failing < 0 ? f.server.url(u"/missing/"_s).toString() : f.url());
        auto& w = h.loadStill();

        QCOMPARE(h.boxes.shown.size(), 1);
        QTEST(h.boxes.shown[0].text, "text");
        QCOMPARE(h.programEnd.endCount, 1);
        QCOMPARE(h.programEnd.lastStatus, platform::exitFailure);
        QCOMPARE(w.connectionNotice()->isVisibleTo(&w), failing >= 0);
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"PollInterval"_s), u"<missing>"_s);
        // The ten went out together; none is asked for again after the failure.
        for (int n : hitsOf(f, f.names))
            QVERIFY(n <= 1);
        QCOMPARE(f.hits(f.names.value(failing)), failing < 0 ? 0 : 1);
    }

    // A full disk is the user's to mend: each failed write is an error box naming the file and
    // the reason, not the connection failure that ends the program.
    void fullDiskIsALocalErrorNotAConnectionFailure() {
        Folder f;
        f.serve();
        AppHarness h;
        testsupport::SmallDisk disk(h.dir.filePath(u"tmp"_s), 64);
        if (!disk.mounted())
            QSKIP("a size-limited file system needs root");
        disk.fill(0);
        h.set(u"BaseURL"_s, f.url());
        auto& w = h.loadStill();

        QCOMPARE(h.programEnd.endCount, 0);
        QVERIFY(!w.connectionNotice()->isVisibleTo(&w));
        const QString last = h.boxes.shown.value(h.boxes.shown.size() - 1).text;
        for (const QString& part : {u"Number: 75"_s, w.ImageTempFile, u"form1.LoadInitialImages"_s,
                                    QString::fromLocal8Bit(std::strerror(ENOSPC))})
            QVERIFY2(last.contains(part), qPrintable(last));
    }

    void imageCacheKeepsUnderItsCapAndToTheUser() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"images"_s);
        const auto url = [](char c) { return QUrl(u"http://h/%1.gif"_s.arg(c)); };
        const platform::ImageCache::Limits limits{250, 250, 0};
        platform::ImageCache cache(folder, limits);
        cache.insert(url('a'), QByteArray(100, 'a'));
        cache.insert(url('b'), QByteArray(100, 'b'));
        QCOMPARE(cache.find(url('a')), QByteArray(100, 'a'));
        cache.insert(url('c'), QByteArray(100, 'c')); // over the cap: b is the least recently used
        QVERIFY(!cache.find(url('b')));
        QVERIFY(cache.find(url('a')));

        // Kept copies outlive the process; nobody else may read them.
        platform::ImageCache again(folder, limits);
        QCOMPARE(again.find(url('c')), QByteArray(100, 'c'));
        QCOMPARE(int(QFileInfo(folder).permissions() & 0x0077), 0);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
            QCOMPARE(int(file.permissions() & 0x0077), 0);
    }
};

QTEST_MAIN(TestImages)
#include "tst_images.moc"
