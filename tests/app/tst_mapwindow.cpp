// The real main window in use: panning, the map's right-click, the resize layout, faults met in
// use (a start-up stopped by an error, a failed recall, stray clicks) and the termination signals.
#include "AppHarness.h"

#include "app/TerminationSignals.h"
#include "presets/PresetButtons.h"
#include "support/RecordingSettingsStore.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;
const QString kPreset0 = u"SectionPreset0"_s;

// A window on a served folder that loads at once.
struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0)); }
};

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

class TestMapWindow : public QObject {
    Q_OBJECT
private slots:
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
        AppHarness h;
        testsupport::FakeDownloadService fake;
        h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0));
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
};

QTEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
