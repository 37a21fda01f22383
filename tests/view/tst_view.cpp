#include "acquisition/Catalogue.h"
#include "settings/SettingsRecord.h"
#include "view/AccessibleTexts.h"
#include "view/Bullseye.h"
#include "view/ClockWidget.h"
#include "view/ColourScale.h"
#include "view/EchoScales.h"
#include "view/KeyIntents.h"
#include "view/LoopPlayer.h"
#include "view/MapGeometry.h"
#include "view/MapOverlays.h"
#include "view/MapState.h"
#include "view/MapView.h"
#include "view/PictureAge.h"
#include "view/PictureAgeWatch.h"
#include "view/Playback.h"
#include "view/PollCountdown.h"
#include "view/RangeRings.h"

#include "support/ErrorOf.h"
#include "support/FakePlatform.h"

#include <QKeySequence>
#include <QPainter>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <numbers>

using namespace Qt::StringLiterals;
using namespace pluvix;
using namespace pluvix::view;
using pluvix::testsupport::errorOf;

Q_DECLARE_METATYPE(pluvix::view::MapRect)
Q_DECLARE_METATYPE(pluvix::view::RingLabels)

// The map and playback models without a window, the rules the window cannot show exactly and
// the painting of the two widgets.
namespace {

// Every pixel a different colour, so a misplaced pixel cannot pass for the right one.
QImage patterned(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + 11) % 256, (y * 53 + 7) % 256, (x * y + 91) % 256));
    return img;
}

QImage renderOf(QWidget& w) {
    QImage out(w.size(), QImage::Format_RGB32);
    out.fill(Qt::magenta);
    w.render(&out);
    return out;
}

MapRect pxRect(double x, double y, double w, double h) {
    return {float(x * 15), float(y * 15), float(w * 15), float(h * 15)};
}

// Labels as wide as 100 twips per character and 195 twips high.
QSizeF labelSize(const QString& caption) {
    return {100.0 * caption.size(), 195.0};
}

RingInputs shortRange(int zoom) {
    RingInputs in;
    in.map = {-7500, -9000, 3000.0f * float(zoom), 3000.0f * float(zoom)};
    in.zoom = zoom;
    in.BullsEyeGraduations = 10;
    in.BullsEyeX = 0.5f;
    in.BullsEyeY = 0.5f;
    in.MapTypeShort = u"p37cr"_s;
    in.MapScaleShortRangeConstant = 0.721f;
    return in;
}

bool near(QPointF a, QPointF b, double tolerance = 0.01) {
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < tolerance;
}

// Loop ticks after the switch goes on, the position after each.
QList<int> loopPositions(Playback& playback, int ticks) {
    QList<int> positions;
    for (int t = 0; t < ticks; ++t) {
        playback.loopTick();
        positions.append(playback.position());
    }
    return positions;
}

// WCAG relative luminance.
double luminance(QRgb c) {
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

QPointF ringCentre(const Ring& r) {
    return {r.Left + r.Diameter / 2.0, r.Top + r.Diameter / 2.0};
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void dragOffsetRoundsHalfToEven_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("left");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 down") << 102.5f << 100.0f << 2;
        QTest::newRow("-2.5 to -2") << 97.5f << 100.0f << -2;
        QTest::newRow("grab on a negative map") << 300.0f << -7295.4f << 7595;
    }
    void dragOffsetRoundsHalfToEven() {
        QFETCH(float, x);
        QFETCH(float, left);
        QFETCH(int, expected);
        const MapRect map{left, left, 24000, 24000};
        QCOMPARE(dragOffsetFromBackground(x, x, map), (DragOffset{expected, expected}));
        QCOMPARE(dragOffsetFromMap(x - left, x - left), (DragOffset{expected, expected}));
    }

    void badValuesAreErrors() {
        const ClientArea client{9000.0f, 6615.0f, 615.0f};
        const MapRect tiny{-1.0e30f, 0.0f, 1.0e-30f, 24000.0f};
        QCOMPARE(errorOf([&] { zoomedMapRect(12, client, tiny); }), 6);
        QCOMPARE(errorOf([&] { centerBullseye(1, 1, client, MapRect{0, 0, 0, 100}); }), 11);
        RingInputs in = shortRange(12);
        in.BullsEyeX = 1.0e37f;
        QCOMPARE(errorOf([&] { ringLayout(in, labelSize); }), 6);
        in.BullsEyeX = 1000.0f;
        in.BullsEyeGraduations = -10;
        QCOMPARE(errorOf([&] { ringLayout(in, labelSize); }), 380);
    }

    void ringsAroundTheBullseye() {
        QCOMPARE(scaleConstantForProduct(u"78ohp"_s, 0.5f, 0.25f), 0.5f);
        QCOMPARE(scaleConstantForProduct(u" p37cr"_s, 0.5f, 0.25f), 0.0f);
        RingInputs in = shortRange(1);
        const RingLayout layout = ringLayout(in, labelSize);
        const float first = layout.rings[0].Diameter;
        QVERIFY(qAbs(first - 192.27f) < 0.005f);
        for (int i = 0; i < ringCount; ++i) {
            const Ring& r = layout.rings[std::size_t(i)];
            QVERIFY(qAbs(r.Diameter / first - float(i + 1)) < 1e-5f);
            QCOMPARE(r.caption, QString::number(10 * (i + 1)));
            QVERIFY(near(ringCentre(r), QPointF(-6000, -7500)));
            QCOMPARE(r.LabelTop, r.Top);
        }
        // A mile grows with the zoom and the spacing: zoom 3, 25 miles apart.
        in = shortRange(3);
        in.BullsEyeGraduations = 25;
        QVERIFY(qAbs(ringLayout(in, labelSize).rings[0].Diameter / first - 7.5f) < 1e-5f);
        // An unknown product puts every ring, without size, and its label at the centre.
        in.MapTypeShort = u"xxxxx"_s;
        for (const Ring& r : ringLayout(in, labelSize).rings)
            QCOMPARE(QRectF(r.Left, r.Top, r.Diameter, r.Diameter), QRectF(-3000, -4500, 0, 0));
    }

    // Refresh and Show wait while a preset is applied; Hide and Apply act always.
    void ringLabelRequests_data() {
        QTest::addColumn<RingLabels>("request");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("expected"); // "ignored", or visibility and whether styled
        QTest::newRow("refresh, bullseye off")
            << RingLabels::Refresh << false << u"hidden styled"_s;
        QTest::newRow("refresh while busy") << RingLabels::Refresh << true << u"ignored"_s;
        QTest::newRow("show") << RingLabels::Show << false << u"shown"_s;
        QTest::newRow("show while busy") << RingLabels::Show << true << u"ignored"_s;
        QTest::newRow("hide while busy") << RingLabels::Hide << true << u"hidden"_s;
        QTest::newRow("apply while busy") << RingLabels::Apply << true << u"hidden styled"_s;
    }

    void ringLabelRequests() {
        QFETCH(RingLabels, request);
        QFETCH(bool, busy);
        const auto d = ringLabelsDecision(request, busy, 0);
        QString seen =
            d.ignored ? u"ignored"_s : (d.visible.value_or(true) ? u"shown"_s : u"hidden"_s);
        if (d.applyStyle)
            seen += u" styled"_s;
        QTEST(seen, "expected");
        // The bullseye switch decides what Refresh and Apply show.
        if (!d.ignored && d.applyStyle)
            QCOMPARE(ringLabelsDecision(request, busy, 1).visible, std::optional<bool>(true));
    }

    // The right-clicked point becomes the bullseye and the rings laid out from the model centre
    // in the visible area; zooming keeps that centre, so they stay. The switch is the stored
    // setting; label requests wait while a preset is applied, the others let events run.
    void bullseyeCentresSwitchesAndLabels() {
        settings::SettingsRecord record;
        record.BullsEyeGraduations = 10;
        record.MapTypeShort = u"p37cr"_s;
        record.MapScaleShortRangeConstant = 0.721f;
        MapState map;
        bool busy = false;
        int eventRuns = 0;
        Bullseye bullseye(
            record, map, [&busy] { return busy; }, [&eventRuns] { ++eventRuns; });
        const ClientArea client{12000.0f, 8415.0f, 615.0f};
        map.setRect({-7295, -7550, 24800, 24800});
        map.setZoom(8);
        map.setPopupPoint({17123, 5411});
        bullseye.centreAtPopup(client);
        const Ring first = ringLayout(bullseye.ringInputs(), labelSize).rings[0];
        QVERIFY(near(ringCentre(first), QPointF(6000, 3900), 0.7));
        QVERIFY(qAbs(first.Diameter - 8 * 192.27f) < 0.05f);

        QSignalSpy shown(&bullseye, &Bullseye::shownChanged);
        QSignalSpy labels(&bullseye, &Bullseye::labelsShown);
        bullseye.toggle();
        QVERIFY(bullseye.shown() && record.ShowBullseye == 1 && shown.last().at(0).toBool());
        busy = true;
        bullseye.setLabels(RingLabels::Show);
        QCOMPARE(labels.size() + eventRuns, 0);
        bullseye.setLabels(RingLabels::Hide);
        QCOMPARE(labels.size() + eventRuns, 2);
    }

    // The same fraction of the map stays under the centre of the visible area, and the first
    // zoom makes a stored oblong map square; the ends refuse to move; a stored level outside
    // 1..12 is refused whole.
    void zoomKeepsTheVisibleCentreAndStopsAtTheEnds() {
        const ClientArea client{9000.0f, 8415.0f, 615.0f};
        const QPointF centre(4500.0, 3900.0);
        MapState map;
        QSignalSpy zooms(&map, &MapState::zoomChanged);
        map.setZoom(8);
        map.setRect({float(centre.x()) - 9000.0f, float(centre.y()) - 14000.0f, 30000, 20000});
        for (const auto& [in, level] : {std::pair{true, 9}, {false, 8}, {false, 7}}) {
            QVERIFY(in ? map.zoomIn() : map.zoomOut());
            map.fitToZoom(client);
            const MapRect r = map.rect();
            QCOMPARE(map.zoom(), level);
            QCOMPARE(QSizeF(r.Width, r.Height), QSizeF(3000.0 * level, 3000.0 * level));
            const QPointF fraction((centre.x() - r.Left) / r.Width,
                                   (centre.y() - r.Top) / r.Height);
            QVERIFY(near(fraction, QPointF(0.3, 0.7), 1e-5));
        }
        QCOMPARE(zooms.count(), 4);

        map.moveZoom(40);
        QCOMPARE(map.zoom(), 12);
        QVERIFY(!map.zoomIn());
        map.moveZoom(-3);
        QVERIFY(!map.zoomOut());
        QCOMPARE(errorOf([&] { map.setZoom(13); }), 380);
        QCOMPARE(errorOf([&] { map.setZoom(0); }), 380);
        QCOMPARE(map.zoom(), 1);
        QCOMPARE(zooms.count(), 6);

        // The wheel keeps the point under the pointer, also through the re-fit that follows.
        const QPointF pointer(1234, 6100);
        const MapRect old{-5000, -2000, 3000, 3000};
        map.setRect(old);
        QVERIFY(!map.zoomAt(-1, pointer));
        QVERIFY(map.zoomAt(20, pointer));
        map.fitToZoom(client);
        QCOMPARE(map.zoom(), 12);
        const MapRect r = map.rect();
        QVERIFY(near({r.Left + (pointer.x() - old.Left) * 12, r.Top + (pointer.y() - old.Top) * 12},
                     pointer, 1));
    }

    // A drop lands the grabbed point under the mouse; while the drag lasts the map follows.
    void dragMovesTheMap() {
        MapState map;
        QSignalSpy rects(&map, &MapState::rectChanged);
        map.setRect({1500, 1500, 3000, 3000});
        map.grabOnMap({300, 450});
        map.drop({2000, 2000}, true);
        QCOMPARE(map.rect(), (MapRect{1700, 1550, 3000, 3000}));
        map.grabOnBackground({1800, 1600});
        map.drop({100, 100}, false);
        QCOMPARE(map.rect(), (MapRect{0, 50, 3000, 3000}));
        QCOMPARE(rects.count(), 3);
        // Live: the map follows the mouse; a drop that moves nothing puts it back.
        map.grabOnMap({300, 450});
        map.dragTo({2000, 2000});
        QCOMPARE(map.rect(), (MapRect{1700, 1550, 3000, 3000}));
        map.abandonDrag();
        QCOMPARE(map.rect(), (MapRect{0, 50, 3000, 3000}));
    }

    // The position stays inside its range as a slider keeps its value, and says so only when
    // it moved.
    void playbackStaysInItsRange() {
        settings::SettingsRecord record;
        Playback playback(record);
        QSignalSpy moves(&playback, &Playback::positionChanged);
        playback.setPosition(14);
        QCOMPARE(playback.position(), 10);
        QCOMPARE(moves.count(), 0);
        playback.setMinimum(3);
        playback.setPosition(1);
        QCOMPARE(playback.position(), 3);
        playback.setMaximum(2); // below the minimum: both ends meet there
        QCOMPARE(std::pair(playback.minimum(), playback.maximum()), std::pair(2, 2));
        QCOMPARE(playback.position(), 2);
        playback.setRange(1, 25);
        playback.stepNewerOrBack(false);
        playback.stepNewerOrBack(false);
        QCOMPARE(playback.position(), 1);
        playback.stepNewerOrBack(true);
        QCOMPARE(playback.position(), 2);
        QCOMPARE(moves.count(), 4);
    }

    void loopRunsOverTheNewestPicturesAndPauses_data() {
        QTest::addColumn<int>("historyImageCount");
        QTest::addColumn<int>("loopDelay");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QList<int>>("round"); // what a loop export shows
        QTest::newRow("20 pictures, delay 4")
            << 20 << 4 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 1, 2}
            << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        QTest::newRow("5 pictures, delay 0")
            << 5 << 0 << QList<int>{5, 6, 7, 8, 9, 10, 5, 6} << QList<int>{5, 6, 7, 8, 9, 10};
        QTest::newRow("delay beyond the switch-on count pauses at once")
            << 3 << 11 << QList<int>{10, 10, 7, 8, 9, 10} + QList<int>(11, 10) + QList<int>{7}
            << QList<int>{7, 8, 9, 10};
        QTest::newRow("negative count") << -5 << 0 << QList<int>(3, 10) << QList<int>{10};
    }

    // Off, ticks change nothing; the first pass jumps back at once; off again, the newest.
    void loopRunsOverTheNewestPicturesAndPauses() {
        QFETCH(int, historyImageCount);
        QFETCH(int, loopDelay);
        QFETCH(QList<int>, expected);
        QFETCH(QList<int>, round);
        settings::SettingsRecord record;
        record.HistoryImageCount = qint16(historyImageCount);
        record.LoopDelay = qint16(loopDelay);
        Playback playback(record);
        QCOMPARE(loopPositions(playback, 2), (QList<int>{10, 10}));
        playback.setLooping(true);
        QVERIFY(playback.timer().isActive());
        QCOMPARE(record.PlayLoop, qint16(1));
        QCOMPARE(loopPositions(playback, int(expected.size())), expected);
        QCOMPARE(
            loopRoundPositions(playback.minimum(), playback.maximum(), qint16(historyImageCount)),
            round);
        playback.setPosition(4);
        playback.setLooping(false);
        QCOMPARE(playback.position(), 10);
        QVERIFY(!playback.timer().isActive());
        QCOMPARE(record.PlayLoop, qint16(0));
    }

    void loopSpeedAndLength() {
        settings::SettingsRecord record;
        Playback playback(record);
        playback.setSpeed(3);
        QCOMPARE(playback.timer().interval(), 333);
        playback.setLoopLength(2);
        QCOMPARE(record.HistoryImageCount, qint16(20));
        QCOMPARE(errorOf([&] { playback.setSpeed(0); }), 11);
        QCOMPARE(errorOf([&] { playback.setLoopLength(10); }), 9);
    }

    // The interval shortened below the count already reached: overdue, poll at once.
    void overduePollRunsAtOnce() {
        const PollTick late = pollTick(70, 60);
        QCOMPARE(late.toolTip, u" -11 Seconds till next Poll "_s);
        QVERIFY(late.pollNow);
    }

    // Each pixel takes the picture pixel under its centre; transparent picture pixels and
    // everything off the map show the background.
    void pictureFillsItsRect_data() {
        QTest::addColumn<QRectF>("px");
        QTest::addColumn<int>("side"); // of the square picture
        QTest::newRow("fractional") << QRectF(3.3, 1.7, 25.9, 17.2) << 7;
        QTest::newRow("zoom 12, far corner") << QRectF(-2390, -2390, 2400, 2400) << 600;
        QTest::newRow("negative") << QRectF(10, 10, -5, -5) << 10;
        QTest::newRow("infinite") << QRectF(qInf(), 0, 10, 10) << 10;
    }
    void pictureFillsItsRect() {
        QFETCH(QRectF, px);
        QFETCH(int, side);
        QImage picture = patterned(side, side);
        picture.setPixel(1, 1, qRgba(0, 0, 0, 0));
        MapView view;
        view.resize(20, 20);
        view.setPicture(picture);
        const MapRect map = pxRect(px.x(), px.y(), px.width(), px.height());
        view.setMapRect(map);
        const QRectF rect = toPixels(map); // as the view has it after the trip through twips
        const QImage out = renderOf(view);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const QPointF c(x + 0.5, y + 0.5);
                QRgb p = 0;
                if (rect.isValid() && rect.contains(c) && c.x() < rect.right() &&
                    c.y() < rect.bottom())
                    p = picture.pixel(int((c.x() - rect.left()) / rect.width() * side),
                                      int((c.y() - rect.top()) / rect.height() * side));
                const QRgb expected = qAlpha(p) ? p : MapView::backgroundColour().rgb();
                QVERIFY2(out.pixel(x, y) == expected, qPrintable(u"%1,%2"_s.arg(x).arg(y)));
            }
        }
        view.setMapVisible(false);
        QVERIFY(view.findChild<QWidget*>(u"Image1"_s)->isHidden());
        QCOMPARE(renderOf(view).pixel(10, 10), MapView::backgroundColour().rgb());
    }

    // Each outline pixel is inverted exactly once, so the ring shows on light and dark alike
    // and has no gaps; nothing is drawn for a ring below a pixel or round the whole view.
    void ringsInvertTheirOutline_data() {
        QTest::addColumn<QRectF>("box"); // pixels
        QTest::addColumn<bool>("drawn");
        QTest::newRow("fractional, across both halves") << QRectF(150.3, 17.8, 63.7, 63.7) << true;
        QTest::newRow("huge, an arc in view")
            << QRectF(-1.0e6 + 200, 150 - 5.0e5, 1.0e6, 1.0e6) << true;
        QTest::newRow("below a pixel") << QRectF(10, 10, 0.9, 0.9) << false;
        QTest::newRow("round the view") << QRectF(-500, -500, 1400, 1400) << false;
    }
    void ringsInvertTheirOutline() {
        QFETCH(QRectF, box);
        QFETCH(bool, drawn);
        QImage picture(2, 1, QImage::Format_RGB32); // white left, black right
        picture.setPixel(0, 0, qRgb(255, 255, 255));
        picture.setPixel(1, 0, qRgb(0, 0, 0));
        MapView view;
        view.resize(400, 300);
        view.setPicture(picture);
        view.setMapRect(pxRect(0, 0, 400, 300));
        RingLayout layout;
        for (Ring& r : layout.rings)
            r.Left = float(box.x() * 15), r.Top = float(box.y() * 15);
        layout.rings[0].Diameter = float(box.width() * 15);
        view.setRings(layout);
        const QImage plain = renderOf(view);
        view.setRingsVisible(true);
        const QImage ringed = renderOf(view);
        const QPointF c = box.center();
        const double r = box.width() / 2.0 - 0.5;
        QSet<QPoint> pixels;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; ++x) {
                if (ringed.pixel(x, y) == plain.pixel(x, y))
                    continue;
                QCOMPARE(ringed.pixel(x, y), plain.pixel(x, y) ^ 0x00FFFFFFu);
                QVERIFY(std::abs(std::hypot(x + 0.5 - c.x(), y + 0.5 - c.y()) - r) <= 1.0);
                pixels.insert(QPoint(x, y));
            }
        }
        QCOMPARE(!pixels.isEmpty(), drawn);
        for (int i = 0; i < 20000; ++i) { // every stretch of the circle in view has a pixel on it
            const double angle = 2.0 * std::numbers::pi * i / 20000;
            const QPoint on(int(std::floor(c.x() + r * std::cos(angle))),
                            int(std::floor(c.y() + r * std::sin(angle))));
            bool covered = !drawn || !QRect(1, 1, 398, 298).contains(on);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    covered = covered || pixels.contains(on + QPoint(dx, dy));
            QVERIFY2(covered, qPrintable(u"%1,%2"_s.arg(on.x()).arg(on.y())));
        }
        view.setRingsVisible(false);
        QCOMPARE(renderOf(view), plain);
    }

    // Labels are drawn yellow inside the box the layout gave them, and only with the rings.
    void labelsStayInTheirBox() {
        MapView view;
        view.resize(80, 60);
        QImage black(1, 1, QImage::Format_RGB32);
        black.fill(Qt::black);
        view.setPicture(black);
        view.setMapRect(pxRect(0, 0, 80, 60));
        const QSizeF size = view.ringLabelSizeTwips(u"10"_s, 8);
        RingLayout layout;
        Ring& r = layout.rings[0];
        r = {.caption = u"10"_s,
             .LabelLeft = 150,
             .LabelTop = 180,
             .LabelWidth = float(size.width()),
             .LabelHeight = float(size.height())};
        view.setRings(layout);
        view.setRingLabelPointSize(8);
        const QRect box = toPixels({r.LabelLeft, r.LabelTop, r.LabelWidth, r.LabelHeight}).toRect();
        for (bool shown : {true, false}) {
            view.setRingsVisible(shown);
            const QImage out = renderOf(view);
            int ink = 0; // yellow pixels, a thousand for each outside the box
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x)
                    if (const QRgb c = out.pixel(x, y);
                        qRed(c) > 160 && qGreen(c) > 160 && qBlue(c) < 100)
                        ink += box.adjusted(-1, -1, 1, 1).contains(x, y) ? 1 : 1000;
            QVERIFY2(shown ? ink > 4 && ink < 1000 : ink == 0, qPrintable(QString::number(ink)));
        }
    }

    // Yellow hands on the bare face; the busy face is grey inside; the panel face is light.
    void clockPaintsHandsAndFaces() {
        ClockWidget clock;
        const QPoint inside(9, 25); // on the dial, clear of hands and ticks
        QVERIFY(qGray(renderOf(clock).pixel(inside)) > 180);
        clock.setFaceBitmapShown(false);
        clock.setHandColour(ClockWidget::bareHandColour());
        const auto yellowAt = [&](int x, int y) {
            const QImage img = renderOf(clock); // hands are two pixels wide about a centre line
            return img.pixel(x, y) == qRgb(255, 255, 0) ||
                   img.pixel(x - 1, y) == qRgb(255, 255, 0) ||
                   img.pixel(x, y - 1) == qRgb(255, 255, 0);
        };
        clock.setHands(3.0f, 0);
        QVERIFY(yellowAt(24, 17) && yellowAt(17, 6) && !yellowAt(9, 17) && !yellowAt(17, 28));
        clock.setHands(9.0f, 30);
        QVERIFY(yellowAt(17, 28) && !yellowAt(17, 6) && !yellowAt(24, 17));
        clock.setFaceOpaque(true);
        QCOMPARE(renderOf(clock).pixel(inside), ClockWidget::busyFaceColour().rgb());
        QCOMPARE(renderOf(clock).pixel(0, 0), clock.palette().color(QPalette::WindowText).rgb());
    }

    // Old only past three poll intervals or 20 minutes, whichever is longer.
    void pictureAge_data() {
        QTest::addColumn<int>("age");
        QTest::addColumn<int>("poll");
        QTest::addColumn<QString>("badge");
        QTest::newRow("20 min is not yet old") << 1200 << 60 << QString();
        QTest::newRow("21 min") << 1260 << 60 << u"Picture 21 min old"_s;
        QTest::newRow("hours") << 11100 << 60 << u"Picture 3 h 05 min old"_s;
        QTest::newRow("days") << 93780 << 60 << u"Picture 1 d 02 h old"_s;
        QTest::newRow("slow polls: 25 min fresh") << 1500 << 600 << QString();
        QTest::newRow("slow polls: 31 min") << 1860 << 600 << u"Picture 31 min old"_s;
        QTest::newRow("from the future") << -7200 << 60 << QString();
    }
    void pictureAge() {
        QFETCH(int, age);
        QFETCH(int, poll);
        const QDateTime now(QDate(2026, 3, 1), QTime(3, 40), QTimeZone::utc());
        PictureAgeInput in{now.addSecs(-age), now, qint16(poll), {}, QTimeZone(10 * 3600)};
        QTEST(pictureAgeBadge(in), "badge");
        in.serverSilentSince = now.addSecs(-300);
        QFETCH(QString, badge);
        if (!badge.isEmpty())
            QCOMPARE(pictureAgeBadge(in), badge + u", server not answering since 13:35"_s);
    }

    // The badge follows the shown picture's name, the polls' outcomes and the clock.
    void pictureAgeWatch_data() {
        QTest::addColumn<int>("poll");
        QTest::addColumn<int>("minutesOn"); // the clock, past the picture's time
        QTest::addColumn<QString>("polls"); // five minutes apart: a answered, f failed
        QTest::addColumn<QString>("badge");
        QTest::newRow("fresh") << 60 << 15 << u""_s << QString();
        QTest::newRow("hours old") << 60 << 185 << u""_s << u"Picture 3 h 05 min old"_s;
        QTest::newRow("silent since the first failure")
            << 60 << 185 << u"aff"_s
            << u"Picture 3 h 20 min old, server not answering since 23:15"_s;
        QTest::newRow("an answer ends the silence")
            << 60 << 185 << u"fa"_s << u"Picture 3 h 15 min old"_s;
        QTest::newRow("slow polls") << 600 << 25 << u"f"_s << QString();
    }
    void pictureAgeWatch() {
        QFETCH(int, poll);
        QFETCH(int, minutesOn);
        QFETCH(QString, polls);
        testsupport::FakeClock clock;
        const QDateTime ten(QDate(2026, 12, 6), QTime(10, 0), QTimeZone::utc());
        clock.fixed = ten.addSecs(60 * minutesOn);
        PictureAgeWatch watch(
            clock, [poll] { return qint16(poll); }, QTimeZone(10 * 3600));
        watch.showPicture(u"MLB20261206_NCR1000.gif"_s);
        for (const QChar outcome : polls) {
            clock.fixed = clock.fixed.addSecs(300);
            watch.notePoll(outcome == u'a');
        }
        QTEST(watch.badge(), "badge");
        QCOMPARE(watch.pictureTimeText(), u"10:00 UTC"_s);
        // The age moves on with the clock alone; a fresh picture clears the badge.
        clock.fixed = clock.fixed.addSecs(3600);
        watch.refresh();
        QCOMPARE(*watch.ageSeconds(), ten.secsTo(clock.fixed));
        QVERIFY(watch.badge().startsWith(u"Picture "_s + ageText(*watch.ageSeconds())));
        watch.showPicture(u"MLB20261206_NCR"_s + clock.fixed.toString(u"HHmm"_s));
        QCOMPARE(watch.badge(), QString());
    }

    // Every offered product has a legend in its unit whose values rise and whose colours differ.
    void colourScales() {
        for (int slot = 0; slot < acquisition::OfferedProductCount; ++slot) {
            const ColourScale scale = colourScaleFor(acquisition::productSlot(slot).code);
            QSet<QRgb> colours;
            for (qsizetype i = 0; i < scale.steps.size(); ++i) {
                colours.insert(scale.steps[i].colour | 0xff000000U);
                QVERIFY(i == 0 ||
                        scale.steps[i].label.toDouble() > scale.steps[i - 1].label.toDouble());
            }
            QCOMPARE(colours.size(), 15);
        }
        QCOMPARE(colourScaleFor(u"p38cr"_s).unit + colourScaleFor(u"80stp"_s).unit, u"dBZin"_s);
        QVERIFY(colourScaleFor(u"zzzzz"_s).steps.isEmpty());
    }

    // The legend stays in its corner, rows never overlap, at least five values are labelled, and
    // each swatch shows its step's colour.
    void colourScaleLayout_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("labels"); // at least
        QTest::newRow("roomy") << QRect(0, 0, 800, 600) << int(Qt::BottomLeftCorner) << 15;
        QTest::newRow("short") << QRect(20, 10, 300, 150) << int(Qt::BottomLeftCorner) << 5;
        QTest::newRow("top right") << QRect(0, 0, 400, 300) << int(Qt::TopRightCorner) << 5;
    }
    void colourScaleLayout() {
        QFETCH(QRect, area);
        QFETCH(int, corner);
        const ColourScale scale = colourScaleFor(u"78ohp"_s);
        QImage image(area.right() + 1, area.bottom() + 1, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        const QFontMetricsF metrics(painter.font(), &image);
        const auto layout = layoutColourScale(area, Qt::Corner(corner), scale, metrics);
        QVERIFY(QRectF(area).contains(layout.plate));
        QCOMPARE(layout.plate.center().x() < area.center().x(), corner == Qt::BottomLeftCorner);
        QCOMPARE(layout.plate.center().y() > area.center().y(), corner == Qt::BottomLeftCorner);
        QFETCH(int, labels);
        QVERIFY(layout.labelled.size() >= labels);
        for (qsizetype i = 0; i < layout.swatches.size(); ++i) {
            QVERIFY(layout.plate.contains(layout.swatches[i]));
            QVERIFY(layout.swatches[i].bottom() <=
                    (i == 0 ? layout.plate.bottom() : layout.swatches[i - 1].top()));
        }
        for (qsizetype k = 1; k < layout.labelled.size(); ++k)
            QVERIFY(layout.swatches[layout.labelled[k - 1]].center().y() -
                        layout.swatches[layout.labelled[k]].center().y() >=
                    metrics.height() - 0.01);
        paintColourScale(painter, area, Qt::Corner(corner), scale);
        painter.end();
        for (qsizetype i = 0; i < layout.swatches.size(); ++i)
            QCOMPARE(image.pixel(layout.swatches[i].center().toPoint()), scale.steps[i].colour);
    }

    // Light text on the badge's plate keeps 4.5:1 over every echo colour, black and white.
    void ageBadgeReadsOnAnyEcho() {
        QList<QRgb> backgrounds{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        for (const std::uint32_t c : echo::reflectivityColours)
            backgrounds.append(c | 0xff000000U);
        for (const QRgb background : backgrounds) {
            QImage image(400, 100, QImage::Format_RGB32);
            image.fill(background);
            QPainter painter(&image);
            const QRect plate =
                paintAgeBadge(painter, image.rect(), u"Picture 45 min old"_s).toAlignedRect();
            painter.end();
            QVERIFY(!plate.isEmpty() && image.rect().contains(plate));
            // 4.5:1 against white.
            QVERIFY(luminance(image.pixel(plate.left() + 1, plate.center().y())) <= 0.183);
            double lightest = 0;
            for (int y = plate.top(); y <= plate.bottom(); ++y)
                for (int x = plate.left(); x <= plate.right(); ++x)
                    lightest = std::max(lightest, luminance(image.pixel(x, y)));
            QVERIFY(lightest > 0.9);
        }
    }

    void accessibleNamesAndTooltip() {
        QCOMPARE(trayToolTip(u"Melbourne, FL"_s, u"02:40 UTC"_s, 3660),
                 u"Melbourne, FL\nPicture of 02:40 UTC\n1 h 01 min old"_s);
        QCOMPARE(historySliderName(10, 10, u"14:35"_s), u"History: picture 10 of 10, 14:35 UTC"_s);
        QCOMPARE(zoomSliderName(8), u"Zoom level 8 of 12"_s);
        QCOMPARE(presetButtonName(1, u"Melbourne, FL"_s, u"p37cr"_s),
                 u"Preset 1: Melbourne, FL short-range composite"_s);
        QCOMPARE(presetButtonName(2, u"Miami, FL"_s, u"78ohp"_s),
                 u"Preset 2: Miami, FL 1-hour precipitation"_s);
        QCOMPARE(presetButtonName(3, {}, {}), u"Preset 3: empty"_s);
        QCOMPARE(mapViewName(u"Melbourne, FL"_s, u"14:35"_s),
                 u"Radar map of Melbourne, FL, picture of 14:35 UTC"_s);
        // An offset moves the clock's hour past either end of the day, or into a fraction.
        QCOMPARE(localHourMinute(-5.0f, 35), u"19:35"_s);
        QCOMPARE(localHourMinute(23.5f, 45), u"00:15"_s);
        QCOMPARE(timeLabelName(u" 12/06/2026  10:00 UTC "_s),
                 u"Picture time: 12/06/2026 10:00 UTC"_s);
    }

    void keyActions_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("intent");
        QTest::addColumn<int>("preset");
        const auto row = [](const char* name, QKeyCombination key, KeyIntent intent, int n = 0) {
            QTest::newRow(name) << key.toCombined() << int(intent) << n;
        };
        row("keypad Left", Qt::KeypadModifier | Qt::Key_Left, KeyIntent::PreviousPicture);
        row("shifted +", Qt::SHIFT | Qt::Key_Plus, KeyIntent::ZoomIn);
        row("Ctrl+Shift+=", Qt::CTRL | Qt::SHIFT | Qt::Key_Plus, KeyIntent::ZoomIn);
        row("Ctrl+=", Qt::CTRL | Qt::Key_Equal, KeyIntent::ZoomIn);
        row("keypad -", Qt::KeypadModifier | Qt::Key_Minus, KeyIntent::ZoomOut);
        row("shifted 1", Qt::SHIFT | Qt::Key_1, KeyIntent::RecallPreset, 1);
        row("9", QKeyCombination(Qt::Key_9), KeyIntent::None);
        row("Shift+C", Qt::SHIFT | Qt::Key_C, KeyIntent::None);
        row("Alt+S", Qt::ALT | Qt::Key_S, KeyIntent::None);
        row("F10", QKeyCombination(Qt::Key_F10), KeyIntent::None);
    }
    void keyActions() {
        QFETCH(int, key);
        QFETCH(int, intent);
        QFETCH(int, preset);
        QCOMPARE(keyAction(QKeyCombination::fromCombined(key)),
                 (KeyAction{KeyIntent(intent), preset}));
    }

    // The text beside each menu item names a key that really does that.
    void shortcutTextsMatchTheKeys() {
        QList<KeyAction> actions;
        for (int i = int(KeyIntent::PreviousPicture); i <= int(KeyIntent::OpenMapMenu); ++i)
            actions.append({KeyIntent(i), KeyIntent(i) == KeyIntent::RecallPreset ? 1 : 0});
        for (int n = 2; n <= 8; ++n)
            actions.append({KeyIntent::RecallPreset, n});
        for (const KeyAction& action : actions) {
            const auto shown =
                QKeySequence::fromString(shortcutText(action), QKeySequence::NativeText);
            QCOMPARE(shown.count(), 1);
            QCOMPARE(keyAction(shown[0]), action);
        }
        QCOMPARE(captionWithShortcut(u"Exit"_s, {KeyIntent::Exit}), u"Exit\tCtrl+Q"_s);
    }

    // The map point under the pointer stays there (within 2 px) at every zoom change and limit.
    void wheelZoomKeepsPointerPoint_data() {
        QTest::addColumn<MapRect>("old");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<float>("side");
        QTest::newRow("out, pointer off the map")
            << pxRect(-900, -700, 2400, 2400) << 7 << QPointF(150, 9000) << 21000.f;
        QTest::newRow("past the top")
            << pxRect(0, 0, 2400, 2400) << 13 << QPointF(6000, 6000) << 36000.f;
        QTest::newRow("below the bottom")
            << pxRect(0, 0, 200, 200) << 0 << QPointF(45, 2950) << 3000.f;
    }
    void wheelZoomKeepsPointerPoint() {
        QFETCH(MapRect, old);
        QFETCH(int, zoom);
        QFETCH(QPointF, pointer);
        const MapRect map = zoomedMapRectAt(zoom, old, float(pointer.x()), float(pointer.y()));
        QTEST(map.Width, "side");
        QCOMPARE(map.Height, map.Width);
        const double fx = (pointer.x() - old.Left) / old.Width;
        const double fy = (pointer.y() - old.Top) / old.Height;
        QVERIFY(near({map.Left + fx * map.Width, map.Top + fy * map.Height}, pointer, 30));
    }

    void wheelNotchesFitAndCentre() {
        WheelNotches wheel;
        QList<int> notches;
        for (const int delta : {60, 60, -120, -30, -90, 240, 119, -119})
            notches.append(wheel.add(delta));
        QCOMPARE(notches, (QList<int>{0, 1, -1, 0, -1, 2, 0, 0}));

        const ClientArea client{9000, 8000, 615};
        QCOMPARE(fittedMap(client).zoom, 2);
        QCOMPARE(fittedMap(client).map, (MapRect{1500, 692.5f, 6000, 6000}));
        QCOMPARE(fittedMap({1000, 1000, 615}).zoom, minZoomLevel);
        const MapRect centred = centredOn(client, {-4000, 200, 12000, 12000});
        QVERIFY(near({centred.Left + radarSiteX * 12000, centred.Top + radarSiteY * 12000},
                     {4500, 3692.5}, 0.5));
    }
};

QTEST_MAIN(TestView)
#include "tst_view.moc"
