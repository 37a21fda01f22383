// Zoom, panning, the map's right-click and the resize layout of the real main window.
#include "AppHarness.h"

#include "presets/PresetButtons.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");

// A window on a served folder that loads at once.
struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0)); }
};

// Centre of the area above the status bar, twips.
QPointF visibleCentre(const app::MainWindow& w) {
    return {w.width() * 15.0 / 2.0, (w.height() * 15.0 - w.statusPanelHeight()) / 2.0};
}

QPointF mapCentre(const app::MainWindow& w) {
    return {double(w.mapLeft() + w.mapWidth() / 2.0f), double(w.mapTop() + w.mapHeight() / 2.0f)};
}

bool near(QPointF a, QPointF b, double tolerance = 0.5) {
    return qAbs(a.x() - b.x()) <= tolerance && qAbs(a.y() - b.y()) <= tolerance;
}

QString pointText(QPointF p) {
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

void placeMap(app::MainWindow& w, float left, float top, float width, float height) {
    w.setMapLeft(left);
    w.setMapTop(top);
    w.setMapWidth(width);
    w.setMapHeight(height);
}

QList<int> checkedZoomItems(const app::MainWindow& w) {
    QList<int> levels;
    for (int i = 0; i <= 12; ++i)
        if (w.action(QStringLiteral("mnuZoomNum_%1").arg(i))->isChecked())
            levels.append(i);
    return levels;
}

} // namespace

class TestMapWindow : public QObject {
    Q_OBJECT
private slots:
    void zoomKeepsTheCentreOfTheVisibleArea();
    void firstZoomMakesTheMapSquareAroundTheSameMapPoint();
    void zoomStopsAtBothEnds_data();
    void zoomStopsAtBothEnds();
    void dropMovesTheMapByTheGrabPoint_data();
    void dropMovesTheMapByTheGrabPoint();
    void dropOnOtherControlsMovesNothing_data();
    void dropOnOtherControlsMovesNothing();
    void rightClickOpensTheMenuOnlyWhenNoDownloadShows();
    void checkedMenuItemsFollowWhatTheyStandFor();
    void doubleClickOnTheMapTogglesTheStatusBar();
    void withoutTitleBarTheMapMovesTheWindow();
    void resizePlacesPanelClockAndTimeLabel();
};

void TestMapWindow::zoomKeepsTheCentreOfTheVisibleArea() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    const QPointF c = visibleCentre(w);
    placeMap(w, float(c.x()) - 12000.0f, float(c.y()) - 12000.0f, 24000.0f, 24000.0f);
    QCOMPARE(w.zoomSlider()->value(), 8);

    for (const auto& [command, level] : {std::pair{"mnuZoomIn", 9}, {"mnuZoomOut", 8}}) {
        w.action(QLatin1String(command))->trigger();
        QCOMPARE(w.zoomSlider()->value(), level);
        QCOMPARE(w.mapWidth(), 3000.0f * float(level));
        QCOMPARE(w.mapHeight(), 3000.0f * float(level));
        QVERIFY2(near(mapCentre(w), c), qPrintable(pointText(mapCentre(w))));
    }
    w.action(QStringLiteral("mnuZoomNum_6"))->trigger();
    QCOMPARE(w.zoomSlider()->value(), 6);
    QCOMPARE(w.mapWidth(), 18000.0f);
    QVERIFY(near(mapCentre(w), c));
    QCOMPARE(checkedZoomItems(w), QList<int>{6});
}

void TestMapWindow::firstZoomMakesTheMapSquareAroundTheSameMapPoint() {
    FakeRadar r;
    r.h.set(QStringLiteral("MapLeft"), QStringLiteral("-9000"));
    r.h.set(QStringLiteral("MapTop"), QStringLiteral("-4000"));
    r.h.set(QStringLiteral("MapWidth"), QStringLiteral("30000"));
    r.h.set(QStringLiteral("MapHeight"), QStringLiteral("20000"));
    auto& w = r.h.loadStill();
    // Loading moved the slider to the stored level without zooming.
    QCOMPARE(w.mapWidth(), 30000.0f);
    QCOMPARE(w.mapHeight(), 20000.0f);
    const QPointF c = visibleCentre(w);
    const double fx = (c.x() - w.mapLeft()) / 30000.0;
    const double fy = (c.y() - w.mapTop()) / 20000.0;

    w.action(QStringLiteral("mnuZoomIn"))->trigger();
    QCOMPARE(w.zoomSlider()->value(), 9);
    QCOMPARE(w.mapWidth(), 27000.0f);
    QCOMPARE(w.mapHeight(), 27000.0f);
    // The same fraction of the map lies under the centre as before.
    QVERIFY(qAbs((c.x() - w.mapLeft()) / 27000.0 - fx) < 1e-5);
    QVERIFY(qAbs((c.y() - w.mapTop()) / 27000.0 - fy) < 1e-5);
}

void TestMapWindow::zoomStopsAtBothEnds_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("command");
    QTest::newRow("in at 12") << 12 << QStringLiteral("mnuZoomIn");
    QTest::newRow("out at 1") << 1 << QStringLiteral("mnuZoomOut");
}

void TestMapWindow::zoomStopsAtBothEnds() {
    QFETCH(int, level);
    QFETCH(QString, command);
    FakeRadar r;
    auto& w = r.h.loadStill();
    w.action(QStringLiteral("mnuZoomNum_%1").arg(level))->trigger();
    QCOMPARE(w.zoomSlider()->value(), level);
    placeMap(w, -1234.0f, 567.0f, w.mapWidth(), w.mapHeight());
    const view::MapRect before{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};
    w.presetButtons()->setChecked(2, true);

    w.action(command)->trigger();

    QCOMPARE(w.zoomSlider()->value(), level);
    const view::MapRect after{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};
    QVERIFY(after == before);
    QCOMPARE(checkedZoomItems(w), QList<int>{level});
    // The preset buttons are released all the same.
    QCOMPARE(w.presetButtons()->checkedIndex(), -1);
}

void TestMapWindow::dropMovesTheMapByTheGrabPoint_data() {
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<QPointF>("expectedTopLeft"); // twips
    // The map lies at (100, 100) px, 200 px square.
    QTest::newRow("background to background")
        << QPoint(20, 20) << QPoint(40, 30) << QPointF(1800, 1650);
    QTest::newRow("map to background") << QPoint(110, 120) << QPoint(20, 10) << QPointF(150, -150);
}

void TestMapWindow::dropMovesTheMapByTheGrabPoint() {
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(QPointF, expectedTopLeft);
    FakeRadar r;
    auto& w = r.h.loadStill();
    placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);
    w.presetButtons()->setChecked(0, true);

    QTest::mousePress(w.mapView(), Qt::LeftButton, {}, press);
    QVERIFY(w.mapView()->isDragging());
    QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, release);

    QVERIFY(!w.mapView()->isDragging());
    QCOMPARE(QPointF(w.mapLeft(), w.mapTop()), expectedTopLeft);
    QCOMPARE(w.mapWidth(), 3000.0f);
    QCOMPARE(w.mapHeight(), 3000.0f);
    QCOMPARE(w.presetButtons()->checkedIndex(), -1);
    QVERIFY(r.h.boxes.shown.isEmpty());
}

void TestMapWindow::dropOnOtherControlsMovesNothing_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("clock") << QStringLiteral("ClockPic");
}

void TestMapWindow::dropOnOtherControlsMovesNothing() {
    QFETCH(QString, target);
    FakeRadar r;
    auto& w = r.h.loadStill();
    // A map covering the whole window, so that the drop point lies over it.
    placeMap(w, -3000.0f, -3000.0f, 36000.0f, 36000.0f);
    auto* control = w.findChild<QWidget*>(target);
    QVERIFY(control && control->isVisible());
    const QPoint dropAt = control->geometry().center();

    QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, dropAt);

    QVERIFY(!w.mapView()->isDragging());
    QCOMPARE(w.mapLeft(), -3000.0f);
    QCOMPARE(w.mapTop(), -3000.0f);
    QCOMPARE(w.mapWidth(), 36000.0f);
}

void TestMapWindow::rightClickOpensTheMenuOnlyWhenNoDownloadShows() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);

    w.progressBar()->show();
    QTest::mousePress(w.mapView(), Qt::RightButton, {}, QPoint(150, 120));
    QTest::mouseRelease(w.mapView(), Qt::RightButton, {}, QPoint(150, 120));
    QCOMPARE(w.PopupX, 750.0f);
    QCOMPARE(w.PopupY, 300.0f);
    QVERIFY(!w.imageMenu()->isVisible());
    QVERIFY(!w.mapView()->isDragging());
    const view::MapRect unmoved{1500.0f, 1500.0f, 3000.0f, 3000.0f};
    QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == unmoved);

    w.progressBar()->hide();
    QTest::mousePress(w.mapView(), Qt::RightButton, {}, QPoint(200, 260));
    QCOMPARE(w.PopupX, 1500.0f);
    QCOMPARE(w.PopupY, 2400.0f);
    QVERIFY(w.imageMenu()->isVisible());
    w.imageMenu()->hide();
    QTest::mouseRelease(w.mapView(), Qt::RightButton, {}, QPoint(200, 260));
}

void TestMapWindow::checkedMenuItemsFollowWhatTheyStandFor() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    QCOMPARE(checkedZoomItems(w), QList<int>{8});
    w.action(QStringLiteral("mnuZoomNum_3"))->trigger();
    QCOMPARE(checkedZoomItems(w), QList<int>{3});

    QAction* bullseye = w.action(QStringLiteral("mnuBullseyeOn"));
    const bool ringsWereOn = w.Settings.ShowBullseye != 0;
    QCOMPARE(bullseye->isChecked(), ringsWereOn);
    bullseye->trigger();
    QCOMPARE(w.Settings.ShowBullseye != 0, !ringsWereOn);
    QCOMPARE(bullseye->isChecked(), !ringsWereOn);

    QAction* loop = w.action(QStringLiteral("mnuPlayNow"));
    loop->trigger();
    QVERIFY(w.loopSwitch()->isChecked());
    QVERIFY(loop->isChecked());
    loop->trigger();
    QVERIFY(!w.loopSwitch()->isChecked());
    QVERIFY(!loop->isChecked());

    QAction* speed = w.action(QStringLiteral("mnuPlayImagePerSec_3"));
    speed->trigger();
    QCOMPARE(w.loopTimer().interval(), 333);
    QVERIFY(speed->isChecked());
    QVERIFY(!w.action(QStringLiteral("mnuPlayImagePerSec_5"))->isChecked());
}

void TestMapWindow::doubleClickOnTheMapTogglesTheStatusBar() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);
    const view::MapRect map{1500.0f, 1500.0f, 3000.0f, 3000.0f};

    QTest::mouseDClick(w.mapView(), Qt::LeftButton, {}, QPoint(150, 150));
    QCOMPARE(w.statusPanelHeight(), 15.0f);
    QVERIFY(!w.statusPanel()->isVisible());
    // The clicks themselves moved nothing.
    QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == map);

    QTest::mouseDClick(w.mapView(), Qt::LeftButton, {}, QPoint(150, 150));
    QCOMPARE(w.statusPanelHeight(), 615.0f);
    QVERIFY(w.statusPanel()->isVisible());

    // Not on the map: nothing.
    QTest::mouseDClick(w.mapView(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(w.statusPanelHeight(), 615.0f);
}

void TestMapWindow::withoutTitleBarTheMapMovesTheWindow() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    placeMap(w, 1500.0f, 1500.0f, 3000.0f, 3000.0f);
    w.action(QStringLiteral("mnuHideTitleBar"))->trigger();
    QVERIFY(w.action(QStringLiteral("mnuHideTitleBar"))->isChecked());
    QCOMPARE(r.h.desktop.titleBarCalls, QList<bool>{false});

    QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(150, 150));
    QCOMPARE(r.h.desktop.windowMoves, 0); // a double click may follow
    QTest::mouseMove(w.mapView(), QPoint(170, 170));
    QCOMPARE(r.h.desktop.windowMoves, 1);
    QVERIFY(!w.mapView()->isDragging());
    QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, QPoint(170, 170));
    QCOMPARE(w.mapLeft(), 1500.0f);

    // The background still drags the map, and the right button still records the point.
    QTest::mousePress(w.mapView(), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(w.mapView()->isDragging());
    QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(w.mapLeft(), 1650.0f);
    w.progressBar()->show();
    QTest::mousePress(w.mapView(), Qt::RightButton, {}, QPoint(120, 120));
    QTest::mouseRelease(w.mapView(), Qt::RightButton, {}, QPoint(120, 120));
    QCOMPARE(r.h.desktop.windowMoves, 1);
    QCOMPARE(w.PopupX, 150.0f);
}

void TestMapWindow::resizePlacesPanelClockAndTimeLabel() {
    FakeRadar r;
    r.h.set(QStringLiteral("ShowUTCDateTime"), QStringLiteral("1"));
    auto& w = r.h.loadStill();
    const view::MapRect map{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};

    // 400 x 300 px is 6000 x 4500 twips; the panel is 615 twips (41 px) high.
    w.resize(400, 300);
    QTRY_COMPARE(w.size(), QSize(400, 300));
    QCOMPARE(w.statusPanel()->geometry(), QRect(0, 259, 402, 41));
    QCOMPARE(w.clock()->geometry(), QRect(366, 263, 34, 34));
    QVERIFY(w.clock()->isFaceBitmapShown());
    QCOMPARE(w.clock()->handColour(), view::ClockWidget::panelHandColour());
    QVERIFY(w.timeLabel()->isVisible());
    QCOMPARE(w.timeLabel()->x(), 0);
    QCOMPARE(w.timeLabel()->y() + w.timeLabel()->height(), 259);

    // Hidden panel: 15 twips high, the clock 30 twips above the bottom without its face.
    w.ToggleStatusBar(true);
    QVERIFY(w.action(QStringLiteral("mnuHideStatusBar"))->isChecked());
    w.resize(400, 300);
    QTRY_COMPARE(w.size(), QSize(400, 300));
    QCOMPARE(w.statusPanelHeight(), 15.0f);
    QVERIFY(!w.statusPanel()->isVisible());
    QCOMPARE(w.statusPanel()->geometry(), QRect(0, 299, 402, 1));
    QCOMPARE(w.clock()->geometry(), QRect(366, 264, 34, 34));
    QVERIFY(!w.clock()->isFaceBitmapShown());
    QCOMPARE(w.clock()->handColour(), view::ClockWidget::bareHandColour());
    QCOMPARE(w.timeLabel()->y() + w.timeLabel()->height(), 299);

    // Shown again.
    w.ToggleStatusBar(true);
    w.resize(300, 200);
    QTRY_COMPARE(w.size(), QSize(300, 200));
    QVERIFY(w.statusPanel()->isVisible());
    QCOMPARE(w.statusPanel()->geometry(), QRect(0, 159, 302, 41));
    QVERIFY(w.clock()->isFaceBitmapShown());

    // The map rectangle is never touched by a resize.
    QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == map);
}

QTEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
