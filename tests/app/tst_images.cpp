// The real main window against the bundled radar server, a plain folder server or a fake folder
// (images, loop, clock, mouse, resize layout, faults met in use, termination signals), and the
// viewer without its window (start-up, shut-down, wallpaper, bad stored numbers, series save).
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
#include "app/HistorySaver.h"
#include "app/TerminationSignals.h"
#include "app/Viewer.h"
#include "platform/ImageCache.h"
#include "presets/PresetButtons.h"
#include "support/FakeSettingsWindow.h"
#include "support/FaultHttpServer.h"
#include "support/RecordingSettingsStore.h"
#include "support/SmallDisk.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>

using namespace pluvix;
using namespace Qt::StringLiterals;
using app::Viewer;
using testsupport::AppHarness;
using testsupport::fileBytes;

namespace {

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

// A viewer on a fake folder of ten images up to 10:00 amid the harness's fakes; each make() is
// a new run of the program.
struct Rig : FakeRadar {
    testsupport::FakeSettingsWindow window;
    std::unique_ptr<Viewer> viewer;
    int finished = 0;
    QImage shownAtFinish;
    const QStringList names = testsupport::tenImageNamesUpTo(10, 0);

    void make() {
        viewer.reset();
        window = testsupport::FakeSettingsWindow();
        viewer = std::make_unique<Viewer>(h.services());
    }
    // The window's finishing ends the loading, as the window's own does.
    Viewer::StartUp start(std::function<void()> letEventsRun = {}) {
        if (!viewer)
            make();
        if (letEventsRun)
            viewer->setEventPump(std::move(letEventsRun));
        return viewer->startUp(window, [this] {
            ++finished;
            shownAtFinish = viewer->shownPicture();
            viewer->feed().setLoading(false);
        });
    }
    QString stored(const QString& key) const { return h.stored(u"SectionGeneral"_s, key); }
    const acquisition::ImageHistory& history() const { return viewer->feed().history(); }
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

const QString kPreset0 = u"SectionPreset0"_s;

void placeMap(app::MainWindow& w, float left, float top, float width, float height) {
    w.viewer().mapState().setRect({left, top, width, height});
}

view::MapRect mapOf(app::MainWindow& w) {
    return {w.viewer().mapState().rect().Left, w.viewer().mapState().rect().Top,
            w.viewer().mapState().rect().Width, w.viewer().mapState().rect().Height};
}

// As the program wires it: a termination request closes the window.
void closeOnTermination(app::TerminationSignals& termination, app::MainWindow& w) {
    QObject::connect(&termination, &app::TerminationSignals::terminationRequested, &w,
                     [&w](int) { w.close(); });
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

        const auto listing = h.server.get(QUrl(h.folderUrl()).path());
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
        w.statusPanel()->loopSwitch()->setChecked(true);
        w.viewer().playback().timer().stop(); // the test is the clock of the loop
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

    // Releases on the clock or outside the window are no drops; mouseOnTheMap has one that is.
    void dropOnTheClockOrOutsideMovesNothing() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        // A map covering the whole window, so that the drop points lie over it.
        placeMap(w, -3000.0f, -3000.0f, 36000.0f, 36000.0f);
        for (const QPoint drop : {w.clock()->geometry().center(), QPoint(w.width() + 40, 100)}) {
            QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(100, 100));
            QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, drop);
            QVERIFY((mapOf(w) == view::MapRect{-3000.0f, -3000.0f, 36000.0f, 36000.0f}));
        }
    }

    void rightClickOpensTheMenuOnlyWhenNoDownloadShows() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);

        w.statusPanel()->progressBar()->show();
        QTest::mousePress(w.mapView(), Qt::RightButton, {}, QPoint(150, 120));
        QTest::mouseRelease(w.mapView(), Qt::RightButton, {}, QPoint(150, 120));
        QCOMPARE(w.viewer().mapState().popupPoint(), QPointF(750, 300));
        QVERIFY(!w.imageMenu()->isVisible());
        QVERIFY((mapOf(w) == view::MapRect{1500.0f, 1500.0f, 3000.0f, 3000.0f}));

        w.statusPanel()->progressBar()->hide();
        QTest::mousePress(w.mapView(), Qt::RightButton, {}, QPoint(200, 260));
        QCOMPARE(w.viewer().mapState().popupPoint(), QPointF(1500, 2400));
        QVERIFY(w.imageMenu()->isVisible());
        w.imageMenu()->hide();
        QTest::mouseRelease(w.mapView(), Qt::RightButton, {}, QPoint(200, 260));
    }

    // A double click on the map toggles the status bar and moves nothing; off the map it does
    // nothing. Without the title bar the map moves the window once the mouse moves, and the
    // background still drags the map.
    void mouseOnTheMap() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);
        QTest::mouseDClick(w.mapView(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(w.statusPanelHeight(), 615.0f);
        QTest::mouseDClick(w.mapView(), Qt::LeftButton, {}, QPoint(150, 150));
        QCOMPARE(w.statusPanelHeight(), 15.0f);
        QVERIFY((mapOf(w) == view::MapRect{1500.0f, 1500.0f, 3000.0f, 3000.0f}));

        w.action(u"mnuHideTitleBar"_s)->trigger();
        QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(150, 150));
        QCOMPARE(r.h.desktop.windowMoves, 0); // a double click may follow
        QTest::mouseMove(w.mapView(), QPoint(170, 170));
        QCOMPARE(r.h.desktop.windowMoves, 1);
        QVERIFY(!w.mapView()->isDragging());
        QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, QPoint(170, 170));
        QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, QPoint(30, 20));
        QCOMPARE(w.viewer().mapState().rect().Left, 1650.0f);
        QCOMPARE(r.h.desktop.windowMoves, 1);
    }

    void resizePlacesPanelClockAndTimeLabel() {
        FakeRadar r;
        r.h.set(u"ShowUTCDateTime"_s, u"1"_s);
        auto& w = r.h.loadStill();
        const view::MapRect map = mapOf(w);
        // 400 x 300 px is 6000 x 4500 twips; the panel is 615 twips (41 px) high.
        w.resize(400, 300);
        QTRY_COMPARE(w.size(), QSize(400, 300));
        QCOMPARE(w.statusPanel()->geometry(), QRect(0, 259, 402, 41));
        QCOMPARE(w.clock()->geometry(), QRect(366, 263, 34, 34));
        QCOMPARE(w.clock()->handColour(), view::ClockWidget::panelHandColour());
        QVERIFY(w.timeLabel()->isVisible());
        QCOMPARE(w.timeLabel()->y() + w.timeLabel()->height(), 259);

        // Hidden panel: the window loses its height, 15 twips stay; the clock sits 30 twips
        // above the bottom without its face.
        w.action(u"mnuHideStatusBar"_s)->trigger();
        QCOMPARE(w.height(), 300 - 41);
        w.resize(400, 300);
        QTRY_COMPARE(w.size(), QSize(400, 300));
        QCOMPARE(w.statusPanel()->geometry(), QRect(0, 299, 402, 1));
        QCOMPARE(w.clock()->geometry(), QRect(366, 264, 34, 34));
        QVERIFY(!w.clock()->isFaceBitmapShown());
        QCOMPARE(w.clock()->handColour(), view::ClockWidget::bareHandColour());
        QCOMPARE(w.timeLabel()->y() + w.timeLabel()->height(), 299);
        // The map rectangle is never touched by a resize.
        QVERIFY(mapOf(w) == map);
        // Shown again; a window no higher than the panel is not shrunk, the panel still hides.
        w.action(u"mnuHideStatusBar"_s)->trigger();
        QCOMPARE(w.height(), 300 + 41);
        w.resize(w.width(), 40);
        w.action(u"mnuHideStatusBar"_s)->trigger();
        QCOMPARE(w.statusPanelHeight(), 15.0f);
        QCOMPARE(w.height(), 40);
    }

    void startUpStoppedByAnErrorStillPolls() {
        AppHarness h(AppHarness::Server);
        testsupport::RecordingSettingsStore failing;
        failing.failReadOnce = kPreset0; // read while the preset tool tips are set
        h.storeOverride = &failing;
        auto& w = h.loadStill();
        QCOMPARE(h.boxes.shown.size(), 1);
        QVERIFY(h.boxes.shown[0].text.contains(u"form1.Form_Load"_s));
        QVERIFY(w.isVisible());

        QVERIFY(h.server.control(u"advance?images=1"_s));
        testsupport::tickUntilPoll(w);
        QCOMPARE(w.viewer().feed().history().UBound(), 10);
    }

    void failedRecallLeavesAUsableWindow() {
        AppHarness h(AppHarness::Server);
        h.store.SaveSetting(h.appName, kPreset0, u"BaseURL"_s, h.folderUrl(u"ktbw"_s));
        h.store.SaveSetting(h.appName, kPreset0, u"ZoomLevel"_s, u"13"_s);
        auto& w = h.loadStill();
        const QString title = w.windowTitle();
        const QImage picture = w.mapView()->picture();

        w.viewer().presetRecall().press(0, Qt::LeftButton);
        QCOMPARE(h.boxes.shown.size(), 1);
        QVERIFY(!w.viewer().feed().isLoading() && !w.viewer().presetRecall().busy() &&
                !w.statusPanel()->progressBar()->isVisible());
        QVERIFY(w.mapView()->isMapVisible());
        // Given up before its reload: the pictures shown and the caption still agree.
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.mapView()->picture(), picture);

        w.action(u"mnuZoomIn"_s)->trigger();
        QCOMPARE(w.mapView()->mapRect().Width, 27000.0f);
    }

    void hiddenTitleBarKeepsTheStationInFileNames() {
        AppHarness h(AppHarness::Server);
        h.set(u"HideTitleBar"_s, u"1"_s);
        auto& w = h.loadStill();
        w.action(u"mnuSaveMap"_s)->trigger();
        QCOMPARE(h.fileDialogs.requests.size(), 1);
        QCOMPARE(h.fileDialogs.requests[0].proposedName,
                 u"Melbourne, FL  (SRC) - "_s + w.viewer().feed().history().tag(9));
    }

    void labelDoubleClickPollsOnlyWithTheLeftButton_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("polls");
        QTest::addColumn<int>("position");
        QTest::newRow("left") << Qt::LeftButton << 1 << 11;
        // Two presses, each a step back.
        QTest::newRow("right") << Qt::RightButton << 0 << 8;
    }

    void labelDoubleClickPollsOnlyWithTheLeftButton() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, polls);
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        QVERIFY(h.server.control(u"advance?images=1"_s));
        const int listings = h.listingRequests();
        // As a real double click arrives: a click, then the double click.
        QTest::mouseClick(w.statusPanel()->pictureNumberLabel(), button);
        QTest::mouseDClick(w.statusPanel()->pictureNumberLabel(), button);
        QCOMPARE(h.listingRequests(), listings + polls);
        QTEST(w.statusPanel()->historySlider()->value(), "position");
    }

    void signalsBecomeTerminationRequests_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("ignoredBefore");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGHUP under nohup") << int(SIGHUP) << true;
    }

    void signalsBecomeTerminationRequests() {
        QFETCH(int, number);
        QFETCH(bool, ignoredBefore);
        std::signal(number, ignoredBefore ? SIG_IGN : SIG_DFL);
        {
            app::TerminationSignals termination;
            QSignalSpy spy(&termination, &app::TerminationSignals::terminationRequested);
            QCOMPARE(::raise(number), 0);
            QCOMPARE(spy.wait(ignoredBefore ? 200 : 5000), !ignoredBefore);
            if (!ignoredBefore) {
                QCOMPARE(spy.at(0).at(0).toInt(), number);
                // Each signal is one request, also when they come quickly.
                QCOMPARE(::raise(number), 0);
                QCOMPARE(::raise(number), 0);
                QTRY_COMPARE(spy.count(), 3);
            }
        }
        // Left as it was found.
        QCOMPARE(std::signal(number, SIG_DFL) == SIG_IGN, ignoredBefore);
    }

    void terminationSavesLikeAClose_data() {
        QTest::addColumn<bool>("inTray");
        QTest::newRow("window") << false;
        QTest::newRow("in the tray") << true;
    }

    void terminationSavesLikeAClose() {
        QFETCH(bool, inTray);
        FakeRadar r;
        AppHarness& h = r.h;
        h.set(u"MinimizeToTray"_s, u"1"_s);
        auto& w = h.loadStill();
        app::TerminationSignals termination;
        closeOnTermination(termination, w);
        if (inTray) {
            w.setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(w.inTray() && h.desktop.iconShown);
        }
        w.viewer().playback().setSpeed(4);
        const auto stored = [&h](const char* key) {
            return h.stored(u"SectionGeneral"_s, QLatin1String(key));
        };
        QCOMPARE(stored("PlaySpeed"), u"<missing>"_s);

        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY(w.shutDownDone());
        QVERIFY(!w.isVisible() && !w.inTray() && !h.desktop.iconShown);
        QCOMPARE(stored("PlaySpeed"), u"4"_s);
        QCOMPARE(stored("BaseURL"), kFolder);
        // A window in the tray keeps the stored geometry.
        QCOMPARE(stored("FormWidth") == u"<missing>"_s, inTray);
        QCOMPARE(h.desktop.restored, 1);
        QCOMPARE(h.programEnd.endCount, 0);
    }

    // The user's wallpaper is read before anything changes it; the newest picture is on the
    // map before the window finishes.
    void startUpLoadsTheHistoryThenFinishes() {
        Rig r;
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        QCOMPARE(r.h.desktop.remembered, 1);
        QCOMPARE(r.finished, 1);
        QCOMPARE(r.shownAtFinish, r.history().picture(9)); // the history itself: tst_images
        QCOMPARE(r.viewer->playback().position(), 10);
        QVERIFY(r.h.boxes.shown.isEmpty() && !r.viewer->ending());
    }

    // Nothing fetched means no window: a message, and the program ends before finishing it.
    void failedDownloadEndsTheProgram_data() {
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
    void failedDownloadEndsTheProgram() {
        QFETCH(int, failing);
        Rig r;
        const QUrl failed(failing < 0 ? kFolder : kFolder + r.names[failing]);
        r.fake.fail(failed, platform::DownloadResult::Failure::HttpStatus, 500);
        r.make();
        QSignalSpy notice(r.viewer.get(), &Viewer::connectionNoticeShown);
        QCOMPARE(r.start(), Viewer::StartUp::Ending);

        QCOMPARE(r.h.boxes.shown.size(), 1);
        QTEST(r.h.boxes.shown[0].text, "text");
        QCOMPARE(r.h.programEnd.endCount, 1);
        QCOMPARE(r.h.programEnd.lastStatus, platform::exitFailure);
        QCOMPARE(r.finished, 0);
        QCOMPARE(!notice.isEmpty() && notice.last().at(0).toBool(), failing >= 0);
        // None is asked for again after the failure.
        for (const QString& name : r.names)
            QVERIFY(r.fake.asked.value(QUrl(kFolder + name)) <= 1);
        QCOMPARE(r.fake.asked.value(failed), 1);
    }

    // After Retry in either box the window is still finished, with a blank for the picture.
    void unreadablePicturesStillFinishTheWindow() {
        Rig r;
        r.fake.serve(QUrl(kFolder + r.names[3]), testsupport::undecodableGif());
        r.fake.serve(QUrl(kFolder + r.names[4]), testsupport::makeRadarGif(48, 48, 4).chopped(9));
        QCOMPARE(r.start(), Viewer::StartUp::Failed);
        QCOMPARE(r.history().UBound(), 3); // the history ends before the picture refused
        QCOMPARE(r.history().tag(3), r.names[3]);
        QCOMPARE(r.h.boxes.shown.size(), 2);
        QVERIFY(r.h.boxes.shown[0].mentions({u"481"_s, u"form1.LoadInitialImages"_s}));
        QVERIFY(r.h.boxes.shown[1].mentions({u"481"_s, u"form1.Form_Load"_s}));
        QCOMPARE(r.finished, 1);
        QVERIFY(r.shownAtFinish.isNull());
        QCOMPARE(r.h.programEnd.endCount, 0);
        QVERIFY(!r.history().picture(2).isNull()); // those before it are kept whole
    }

    // A close wherever pending events run ends the start-up there: the shut-down runs once and
    // the window is never finished.
    void closeDuringTheStartUpEndsIt() {
        for (int point = 1;; ++point) {
            Rig r;
            int calls = 0;
            const auto outcome = r.start([&] {
                if (++calls == point)
                    r.viewer->shutDown();
            });
            if (calls < point) {
                QCOMPARE(outcome, Viewer::StartUp::Loaded);
                QVERIFY(point > 3);
                break;
            }
            QCOMPARE(outcome, Viewer::StartUp::Ending);
            QCOMPARE(r.finished, 0);
            QVERIFY2(r.h.boxes.shown.isEmpty(), qPrintable(r.h.boxes.shown.value(0).text));
            QCOMPARE(r.stored(u"PollInterval"_s), u"60"_s);
            QCOMPARE(r.h.desktop.restored, 1);
        }
    }

    // Once only, however often it is asked for; it saves what the models hold then.
    void shutDownRunsOnceAndSaves() {
        Rig r;
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        r.viewer->playback().setSpeed(4);
        QVERIFY(r.viewer->shutDown() && r.viewer->settingsSaved());
        QVERIFY(!r.viewer->feed().pollTimer().isActive());
        r.viewer->playback().setSpeed(7);
        QVERIFY(!r.viewer->shutDown());
        QCOMPARE(r.stored(u"PlaySpeed"_s), u"4"_s);
        QCOMPARE(r.h.desktop.restored, 1);
    }

    // While it follows, each element the loop shows becomes the wallpaper, and nothing shows
    // while a map loads; switched off, the user's comes back. Where none can be set, not even a
    // stored mark switches following on.
    void wallpaperFollowsTheLoop_data() {
        QTest::addColumn<bool>("canSet");
        QTest::newRow("desktop sets wallpapers") << true;
        QTest::newRow("desktop cannot") << false;
    }
    void wallpaperFollowsTheLoop() {
        QFETCH(bool, canSet);
        Rig r;
        r.h.desktop.canSet = canSet;
        r.start();
        Viewer& v = *r.viewer;
        // As the window wires it.
        connect(&v.playback(), &view::Playback::positionChanged, &v, &Viewer::showHistoryPosition);
        v.setWallpaperFollows(true);
        QCOMPARE(v.wallpaperFollows(), canSet);
        v.playback().setLooping(true);
        v.playback().timer().stop();
        QSignalSpy shown(&v, &Viewer::pictureShown);
        QSignalSpy numbers(&v, &Viewer::pictureNumberChanged);
        const int before = r.h.desktop.followed;
        for (int i = 0; i < 5; ++i)
            v.playback().loopTick();
        QCOMPARE(r.h.desktop.followed - before, canSet ? 5 : 0);
        QCOMPARE(shown.size() + numbers.size(), 10);
        QCOMPARE(v.shownPicture(), r.history().picture(v.playback().position() - 1));

        v.feed().setLoading(true);
        v.playback().loopTick();
        QCOMPARE(shown.size() + numbers.size(), 10);
        QCOMPARE(r.h.desktop.followed - before, canSet ? 5 : 0);
        v.feed().setLoading(false);

        v.toggleWallpaper();
        QVERIFY(!v.wallpaperFollows());
        QCOMPARE(r.h.desktop.restored, canSet ? 1 : 0);
        const int off = r.h.desktop.followed;
        v.playback().loopTick();
        QCOMPARE(r.h.desktop.followed, off);
        v.shutDown();
        QCOMPARE(r.h.desktop.restored, canSet ? 2 : 1);
    }

    // A stored value that fails, or is no product, is not saved back: the next start is clean.
    void badStoredValueKeepsTheDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("boxes");
        QTest::newRow("overflow") << u"PollInterval"_s << u"40000"_s << 1;
        QTest::newRow("zoom out of range") << u"ZoomLevel"_s << u"13"_s << 1;
        for (const char* key : {"MapWidth", "MapHeight", "BullsEyeX", "BullsEyeY"})
            QTest::addRow("%s at the maximum", key)
                << QString::fromLatin1(key) << u"3.402823e+38"_s << 1;
        QTest::newRow("negative ring spacing") << u"BullsEyeGraduations"_s << u"-10"_s << 1;
        for (const QString& product :
             {QString(), u"\u0001\u007f"_s, u"../../x"_s, u"http://example.invalid/"_s})
            QTest::addRow("product %s", product.toUtf8().toPercentEncoding().constData())
                << u"MapTypeShort"_s << product << 0;
    }
    void badStoredValueKeepsTheDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, boxes);
        Rig r;
        r.h.set(key, value);
        QCOMPARE(r.start(), Viewer::StartUp::Loaded); // the error box is answered with Retry
        QCOMPARE(r.h.boxes.shown.size(), boxes);
        QCOMPARE(r.viewer->settings().PollInterval, qint16(60));
        QVERIFY(r.viewer->shutDown() && r.viewer->settingsSaved());
        QCOMPARE(r.stored(u"BaseURL"_s), kFolder);
        for (const auto& [k, v] : {std::pair{"PollInterval", "60"},
                                   {"ZoomLevel", "8"},
                                   {"NumberOfPresets", "4"},
                                   {"MapScaleLongRangeConstant", "0.319"}})
            QCOMPARE(r.stored(QLatin1String(k)), QLatin1String(v));
        QVERIFY(r.stored(key) != value);

        r.make();
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        QCOMPARE(r.h.boxes.shown.size(), boxes);
    }

    // Each element shows while it is saved, the panel is frozen throughout and released at
    // every ending, and an element that does not decode is skipped and named.
    void seriesSave_data() {
        QTest::addColumn<QString>("folder");  // empty: the dialog is cancelled
        QTest::addColumn<int>("undecodable"); // an element, or -1
        QTest::addColumn<int>("written");
        QTest::addColumn<QStringList>("box"); // what the one box names
        const QString fourth = testsupport::tenImageNamesUpTo(10, 0)[3];
        QTest::newRow("every picture") << u"out"_s << -1 << 10 << QStringList();
        QTest::newRow("undecodable skipped")
            << u"out"_s << 3 << 9
            << QStringList{u"481"_s, fourth, u"form1.mnuSaveSeriesMap_Click"_s};
        QTest::newRow("cancelled") << QString() << -1 << 0 << QStringList();
        QTest::newRow("no such folder")
            << u"out/missing"_s << -1 << 0 << QStringList{u"10 maps could not be saved"_s};
    }
    void seriesSave() {
        QFETCH(QString, folder);
        QFETCH(int, undecodable);
        QFETCH(int, written);
        QFETCH(QStringList, box);
        Rig r;
        if (undecodable >= 0)
            r.fake.serve(QUrl(kFolder + r.names[undecodable]), testsupport::undecodableGif());
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        const QString out = r.h.dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(out));
        if (!folder.isEmpty())
            r.h.fileDialogs.answers = {r.h.dir.filePath(folder + u"/typed name ignored.gif"_s)};
        app::HistorySaver saver(*r.viewer);
        QSignalSpy frozen(&saver, &app::HistorySaver::panelFrozen);
        QSignalSpy shown(r.viewer.get(), &Viewer::pictureShown);
        saver.saveSeries();

        QCOMPARE(r.h.fileDialogs.requests.size(), 1);
        QCOMPARE(r.h.fileDialogs.requests[0].proposedName, r.history().tag(9));
        QCOMPARE(frozen.size(), 2);
        QVERIFY(frozen[0].at(0).toBool() && !frozen[1].at(0).toBool());
        QCOMPARE(shown.size(), folder.isEmpty() ? 0 : 10);
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), written);
        for (int i = 0; i < 10 && written > 0; ++i) {
            QFile file(out + u"/Melbourne, FL  (SRC) - "_s + r.history().tag(i));
            QCOMPARE(file.open(QIODevice::ReadOnly), i != undecodable);
            if (i != undecodable)
                QCOMPARE(file.readAll(), r.history().encoded(i));
        }
        QCOMPARE(r.h.boxes.shown.size(), box.isEmpty() ? 0 : 1);
        QVERIFY(box.isEmpty() || r.h.boxes.shown[0].mentions(box));
    }
};

QTEST_MAIN(TestImages)
#include "tst_images.moc"
