// Panning, the map's right-click and the resize layout of the real main window.
#include "AppHarness.h"

#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

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
};

QTEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
