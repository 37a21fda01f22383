#include "view/MapGeometry.h"

#include "core/RuntimeError.h"

#include <QtTest>

#include <functional>

using namespace pluvix;
using namespace pluvix::view;

Q_DECLARE_METATYPE(pluvix::view::MapRect)

namespace {

// 600 x 441 pixels with the panel shown: the area above the panel is centred on (4500, 3000).
const ClientArea client{9000.0f, 6615.0f, 615.0f};
const QPointF viewCentre(4500.0, 3000.0);

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const core::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestMapGeometry : public QObject {
    Q_OBJECT

private slots:
    void zoomKeepsCentredMapCentred();
    void zoomKeepsPointUnderCentre_data();
    void zoomKeepsPointUnderCentre();
    void zoomOfDegenerateRect();
    void zoomOverflowIsAnError();
    void dragOffsetRoundsHalfToEven_data();
    void dragOffsetRoundsHalfToEven();
    void dropPutsGrabPointUnderPointer();
    void centerBullseyeScrollsPointToMiddle();
    void resizeLayout_data();
    void resizeLayout();
    void panelControlsFitThePanel();
};

void TestMapGeometry::zoomKeepsCentredMapCentred() {
    MapRect rect{4500.0f - 12000.0f, 3000.0f - 12000.0f, 24000.0f, 24000.0f};
    for (int z : {1, 12, 5, 8, 2, 11, 7}) {
        rect = zoomedMapRect(z, client, rect);
        const float side = 3000.0f * float(z);
        QCOMPARE(rect, (MapRect{4500.0f - side / 2, 3000.0f - side / 2, side, side}));
    }
}

void TestMapGeometry::zoomKeepsPointUnderCentre_data() {
    QTest::addColumn<MapRect>("old");
    QTest::addColumn<int>("zoom");
    QTest::newRow("stored default, not square") << MapRect{-7295, -7550, 24800, 24800} << 8;
    QTest::newRow("wide") << MapRect{-1000, 200, 30000, 12000} << 3;
    QTest::newRow("centre off the map") << MapRect{6000, 4000, 3000, 3000} << 12;
    QTest::newRow("same level") << MapRect{-17011.5f, -9000.25f, 27000, 27000} << 9;
}

void TestMapGeometry::zoomKeepsPointUnderCentre() {
    QFETCH(MapRect, old);
    QFETCH(int, zoom);
    const MapRect now = zoomedMapRect(zoom, client, old);
    QCOMPARE(now.Width, 3000.0f * float(zoom));
    QCOMPARE(now.Height, now.Width);
    // The fraction of the map under the view centre is the same before and after.
    const double fxOld = (viewCentre.x() - old.Left) / old.Width;
    const double fyOld = (viewCentre.y() - old.Top) / old.Height;
    QVERIFY(qAbs((viewCentre.x() - now.Left) / now.Width - fxOld) < 1e-5);
    QVERIFY(qAbs((viewCentre.y() - now.Top) / now.Height - fyOld) < 1e-5);
}

void TestMapGeometry::zoomOfDegenerateRect() {
    for (const MapRect& old : {MapRect{100, 100, 0, 0}, MapRect{100, 100, -500, -500}}) {
        const MapRect now = zoomedMapRect(4, client, old);
        QCOMPARE(now, (MapRect{4500.0f - 6000.0f, 3000.0f - 6000.0f, 12000.0f, 12000.0f}));
    }
}

void TestMapGeometry::zoomOverflowIsAnError() {
    const MapRect tiny{-1.0e30f, 0.0f, 1.0e-30f, 24000.0f};
    QCOMPARE(errorNumber([&] { zoomedMapRect(12, client, tiny); }), 6);
}

void TestMapGeometry::dragOffsetRoundsHalfToEven_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("left");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5 down") << 102.5f << 100.0f << 2;
    QTest::newRow("3.5 up") << 103.5f << 100.0f << 4;
    QTest::newRow("-2.5 to -2") << 97.5f << 100.0f << -2;
    QTest::newRow("grab on a negative map") << 300.0f << -7295.4f << 7595;
    QTest::newRow("plain") << 15.0f << -15.0f << 30;
}

void TestMapGeometry::dragOffsetRoundsHalfToEven() {
    QFETCH(float, x);
    QFETCH(float, left);
    QFETCH(int, expected);
    const MapRect map{left, left, 24000, 24000};
    QCOMPARE(dragOffsetFromBackground(x, x, map), (DragOffset{expected, expected}));
    QCOMPARE(dragOffsetFromMap(x - left, x - left), (DragOffset{expected, expected}));
}

void TestMapGeometry::dropPutsGrabPointUnderPointer() {
    const MapRect map{-7290, -7545, 24000, 24000};
    const DragOffset grab = dragOffsetFromBackground(1500, 900, map);
    const MapRect onBackground = dropOnBackground(map, 2400, 600, grab);
    QCOMPARE(onBackground, (MapRect{-6390, -7845, 24000, 24000}));
    // The same drop seen from the map, which reports the point relative to itself.
    QCOMPARE(dropOnMap(map, 2400 - map.Left, 600 - map.Top, grab), onBackground);
    // Grabbing on the map itself works the same way.
    const DragOffset onMap = dragOffsetFromMap(1500 - map.Left, 900 - map.Top);
    QCOMPARE(onMap, grab);
    // Dragging far out of the window is allowed.
    const MapRect away = dropOnBackground(map, -40000, 50000, grab);
    QCOMPARE(away.Left, -40000.0f - float(grab.X));
    QCOMPARE(away.Width, map.Width);
}

void TestMapGeometry::centerBullseyeScrollsPointToMiddle() {
    const MapRect map{-7500, -9000, 24000, 24000};
    const CenteredBullseye c = centerBullseye(6000, 18000, client, map);
    QCOMPARE(c.BullsEyeX, 0.25f);
    QCOMPARE(c.BullsEyeY, 0.75f);
    QCOMPARE(c.map, (MapRect{4500 - 6000, 3000 - 18000, 24000, 24000}));
    QCOMPARE(errorNumber([&] { centerBullseye(1, 1, client, MapRect{0, 0, 0, 100}); }), 11);
}

void TestMapGeometry::resizeLayout_data() {
    QTest::addColumn<float>("panelHeight");
    QTest::addColumn<float>("panelTop");
    QTest::addColumn<float>("clockTop");
    QTest::addColumn<bool>("faceBitmap");
    QTest::newRow("panel shown") << 615.0f << 5385.0f << 5445.0f << true;
    QTest::newRow("panel collapsed") << 15.0f << 5985.0f << 5460.0f << false;
    QTest::newRow("almost collapsed") << 16.0f << 5984.0f << 6044.0f << true;
}

void TestMapGeometry::resizeLayout() {
    QFETCH(float, panelHeight);
    QFETCH(float, panelTop);
    QFETCH(float, clockTop);
    QFETCH(bool, faceBitmap);
    const ResizeLayout l = view::resizeLayout(9000, 6000, panelHeight, 510, 510, 285);
    QCOMPARE(l.Picture1, (TwipsRect{0, panelTop, 9030, panelHeight}));
    QCOMPARE(l.ClockPicLeft, 8490.0f);
    QCOMPARE(l.ClockPicTop, clockTop);
    QCOMPARE(l.clockFaceBitmap, faceBitmap);
    QCOMPARE(l.Label4Top, panelTop - 285.0f);
}

void TestMapGeometry::panelControlsFitThePanel() {
    const TwipsRect fixed[] = {panel::Label1_0,   panel::Label1_1,   panel::HScroll1_0,
                               panel::HScroll1_1, panel::Label3,     panel::Command1,
                               panel::Check1,     panel::progressBar};
    QRectF presets;
    for (int i = 0; i < panel::presetCount; ++i) {
        const QRectF button = toPixels(panel::presetButton(i));
        QVERIFY(button.bottom() * 15 <= statusPanelShownHeight);
        for (int j = 0; j < i; ++j)
            QVERIFY(!button.intersects(toPixels(panel::presetButton(j))));
        presets |= button;
    }
    QCOMPARE(presets.left() * 15, 3660.0);
    QCOMPARE(presets.width() * 15, 960.0);
    // The first slot is top left, the second under it.
    QCOMPARE(panel::presetButton(1).Left, panel::presetButton(0).Left);
    QVERIFY(panel::presetButton(1).Top > panel::presetButton(0).Top);
    for (const TwipsRect& r : fixed) {
        QVERIFY(r.Top + r.Height <= statusPanelShownHeight);
        QVERIFY(!toPixels(r).intersects(presets));
    }
}

QTEST_APPLESS_MAIN(TestMapGeometry)
#include "tst_mapgeometry.moc"
