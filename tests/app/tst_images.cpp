// The real main window's images: start-up, polling, reloads, the loop player and the clock,
// against the bundled radar server, a plain folder server or a fake folder.
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
#include "platform/ImageCache.h"
#include "support/FaultHttpServer.h"
#include "support/SmallDisk.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
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
using testsupport::fileBytes;

namespace {

const QString kFolderPath = u"/radar/images/DS.p37cr/SI.kmlb/"_s;
const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

QStringList tags(app::MainWindow& w, int from, int to) {
    QStringList t;
    for (int i = from; i <= to; ++i)
        t.append(w.viewer().feed().history().tag(i));
    return t;
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
        w.viewer().playback().loopTick();
        const int v = w.statusPanel()->historySlider()->value();
        values.append(v);
        if (w.mapView()->picture() != w.viewer().feed().history().picture(v - 1) ||
            w.statusPanel()->pictureNumberLabel()->text() != QString::number(v) ||
            w.timeLabel()->text() != timeText(w.viewer().feed().history().tag(v - 1)))
            values.append(-1);
    }
    return values;
}

void switchLoopOn(app::MainWindow& w) {
    w.statusPanel()->loopSwitch()->setChecked(true);
    w.viewer().playback().timer().stop(); // the test is the clock of the loop
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
    QList<int> hits() const { // of each name listed
        QList<int> n;
        for (const QString& name : names)
            n.append(server.hits(u"/dir/"_s + name));
        return n;
    }
};

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
        const QStringList names = testsupport::cutNames(listing.body);
        QCOMPARE(tags(w, 0, w.viewer().feed().history().UBound()), names);
        QCOMPARE(w.mapView()->picture(), w.viewer().feed().history().picture(9));
        QCOMPARE(w.timeLabel()->text(), timeText(names[9]));
        QCOMPARE(fileBytes(w.viewer().feed().listingFile()), listing.body);
        QCOMPARE(fileBytes(w.viewer().feed().imageTempFile()),
                 w.viewer().feed().history().encoded(9));
        QCOMPARE(w.windowTitle(), u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s);
        QVERIFY(h.boxes.shown.isEmpty());
        QCOMPARE(w.viewer().settings().PlaySpeed, qint16(10));
        QCOMPARE(w.viewer().playback().timer().interval(), 100);
    }

    void reloadWithAFailingImageKeepsAPartialHistory() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        // The next listing is an hour later; its sixth image cannot be fetched.
        const QStringList second = testsupport::tenImageNamesUpTo(11, 0);
        r.serve(second);
        r.fake.fail(QUrl(kFolder + second[5]), platform::DownloadResult::Failure::HttpStatus, 500);
        w.statusPanel()->progressBar()->show(); // as during a preset recall
        w.viewer().feed().reload();

        QCOMPARE(tags(w, 0, w.viewer().feed().history().UBound()), second.mid(0, 5));
        QVERIFY(w.connectionNotice()->isVisible());
        QVERIFY(!w.statusPanel()->progressBar()->isVisible());
        QCOMPARE(w.mapView()->picture(), w.viewer().feed().history().picture(4));
        // Positions past the partial history show nothing new and raise no error.
        w.statusPanel()->historySlider()->setValue(8);
        QCOMPARE(w.mapView()->picture(), w.viewer().feed().history().picture(4));
        QVERIFY(r.h.boxes.shown.isEmpty());

        // A later reload that works clears the notice and fills the history again.
        r.serve(second);
        w.viewer().feed().reload();
        QVERIFY(!w.connectionNotice()->isVisible());
        QCOMPARE(tags(w, 0, w.viewer().feed().history().UBound()), second);
    }

    // Never another picture under its number and time: a blank with the notice, told once,
    // and Save Map refuses it.
    void undecodablePictureShowsABlankToldOnce() {
        FakeRadar r;
        const QStringList names = testsupport::tenImageNamesUpTo(10, 0);
        r.fake.serve(QUrl(kFolder + names[3]), testsupport::undecodableGif());
        auto& w = r.h.loadStill();
        for (int value : {4, 5, 4}) {
            w.statusPanel()->historySlider()->setValue(value);
            QCOMPARE(w.mapView()->picture(),
                     value == 4 ? QImage() : w.viewer().feed().history().picture(4));
            QCOMPARE(w.connectionNotice()->isVisible(), value == 4);
            QCOMPARE(w.statusPanel()->pictureNumberLabel()->text(), QString::number(value));
            QCOMPARE(w.timeLabel()->text(), timeText(names[value - 1]));
        }
        r.h.fileDialogs.answers = {QDir::temp().filePath(u"never written.gif"_s)};
        w.action(u"mnuSaveMap"_s)->trigger();
        QVERIFY(r.h.fileDialogs.requests.isEmpty());
        QCOMPARE(r.h.boxes.shown.size(), 2);
        QVERIFY(r.h.boxes.shown[0].mentions({u"481"_s, u"form1.HScroll1_Change"_s}) &&
                r.h.boxes.shown[1].mentions({u"481"_s, u"form1.mnuSaveMap_Click"_s}));
    }

    // The loop's rule is the playback model's; here the picture, labels, menu and stored
    // setting follow it.
    void switchingOffReturnsToTheNewest() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        QAction* menu = w.action(u"mnuPlayNow"_s);
        switchLoopOn(w);
        QVERIFY(menu->isChecked());
        QCOMPARE(tick(w, 4), (QList<int>{1, 2, 3, 4}));
        w.statusPanel()->loopSwitch()->setChecked(false);
        QCOMPARE(w.statusPanel()->historySlider()->value(), 10);
        QVERIFY(!w.viewer().playback().timer().isActive());
        QVERIFY(!menu->isChecked());
        w.close();
        QCOMPARE(r.h.stored(u"SectionGeneral"_s, u"PlayLoop"_s), u"0"_s);
    }

    // The history slider's wait is the viewer's; the zoom slider's is the window's.
    void zoomSliderDoesNothingWhileAMapLoads() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        const view::MapRect map = w.viewer().mapState().rect();
        w.viewer().feed().setLoading(true);
        w.statusPanel()->zoomSlider()->setValue(11);
        QVERIFY(w.viewer().mapState().rect() == map);
        w.viewer().feed().setLoading(false);
        w.statusPanel()->zoomSlider()->setValue(10);
        QVERIFY(!(w.viewer().mapState().rect() == map));
    }

    // End points in twips inside the 510-twip clock: centre (255, 255), hour hand 140 long and
    // minute hand 240. The offset is the machine's bias (300 minutes in the harness).
    void handsFollowTheShownImage() {
        FakeRadar r; // the newest image is 10:00 UTC, the oldest 09:15
        r.h.set(u"AutoUTCOffset"_s, u"1"_s);
        auto& w = r.h.loadStill();
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(325, 376)); // 05:00 local
        w.statusPanel()->historySlider()->setValue(1);
        QCOMPARE(w.timeLabel()->text(), u" 12/06/2026  09:15 UTC "_s);
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(366, 340)); // 04:15 local
        QCOMPARE(w.clock()->minuteHandEnd().toPoint(), QPoint(495, 255));
        w.viewer().setClockToImageTime(u"x:y"_s); // not a time: the hands stay
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
            QCOMPARE(startOnCache(cold).viewer().feed().history().UBound(), 9);
            QCOMPARE(f.listings(), 1);
            QCOMPARE(f.hits(), QList<int>(10, 1));
        }

        AppHarness warm;
        auto& w = startOnCache(warm);
        QVERIFY(warm.boxes.shown.isEmpty());
        QCOMPARE(f.listings(), 2);
        QCOMPARE(f.hits(), QList<int>(10, 1));
        QCOMPARE(w.viewer().feed().history().encoded(9), Folder::gif(f.names[9]));

        // A poll asks for the listing and the one new picture.
        f.names = testsupport::tenImageNamesUpTo(10, 5);
        f.serve();
        w.viewer().feed().pollNow();
        QCOMPARE(w.viewer().feed().history().tag(10), f.names[9]);
        QCOMPARE(f.listings(), 3);
        QCOMPARE(f.hits(), QList<int>(10, 1));
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
        const auto last = h.boxes.shown.value(h.boxes.shown.size() - 1);
        QVERIFY2(last.mentions({u"Number: 75"_s, w.viewer().feed().imageTempFile(),
                                u"form1.LoadInitialImages"_s,
                                QString::fromLocal8Bit(std::strerror(ENOSPC))}),
                 qPrintable(last.text));
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
