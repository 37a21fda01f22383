#include "view/MapView.h"

#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

using namespace pluvix::view;

namespace {

// Every pixel a different colour, so a misplaced pixel cannot pass for the right one.
QImage patterned(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + 11) % 256, (y * 53 + 7) % 256, (x * y + 91) % 256));
    return img;
}

QImage filled(int w, int h, QColor colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

QImage renderOf(MapView& view) {
    QImage out(view.size(), QImage::Format_RGB32);
    out.fill(Qt::magenta);
    view.render(&out);
    return out;
}

MapRect pxRect(double x, double y, double w, double h) {
    return {float(x * 15), float(y * 15), float(w * 15), float(h * 15)};
}

QRgb background() {
    return MapView::backgroundColour().rgb();
}

// One ring of the given pixel diameter at (x, y); the other ten have no size.
RingLayout oneRing(double x, double y, double diameter) {
    RingLayout layout;
    for (Ring& r : layout.rings) {
        r.Left = float(x * 15);
        r.Top = float(y * 15);
    }
    layout.rings[0].Diameter = float(diameter * 15);
    return layout;
}

int countColour(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == colour ? 1 : 0;
    return n;
}

bool isYellowish(QRgb c) {
    return qRed(c) > 160 && qGreen(c) > 160 && qBlue(c) < 100;
}

} // namespace

class TestMapView : public QObject {
    Q_OBJECT

private slots:
    void enlargedPixelsAreExact();
    void partlyOutsideShowsVisiblePart();
    void nothingWhenOutsideOrHidden();
    void transparentPicturePixelsShowBackground();
    void ringsInvertWhatIsBeneath();
    void labels();
    void pressesCarryTwips();
    void dragEndsOnRelease();
    void toolTipOnlyOverMap();
    void paintSpeed();
};

void TestMapView::enlargedPixelsAreExact() {
    MapView view;
    view.resize(40, 40);
    const QImage picture = patterned(4, 4);
    view.setPicture(picture);
    view.setMapRect(pxRect(5, 7, 12, 12));
    const QImage out = renderOf(view);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const bool inside = x >= 5 && x < 17 && y >= 7 && y < 19;
            const QRgb expected = inside ? picture.pixel((x - 5) / 3, (y - 7) / 3) : background();
            QVERIFY2(out.pixel(x, y) == expected,
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }
}

void TestMapView::partlyOutsideShowsVisiblePart() {
    const QImage picture = patterned(10, 10);
    MapView view;
    view.resize(20, 20);
    view.setPicture(picture);

    view.setMapRect(pxRect(-6, -3, 30, 30));
    QImage out = renderOf(view);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            QCOMPARE(out.pixel(x, y), picture.pixel((x + 6) / 3, (y + 3) / 3));

    view.setMapRect(pxRect(12, 14, 30, 30));
    out = renderOf(view);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 12 && y >= 14;
            QCOMPARE(out.pixel(x, y),
                     inside ? picture.pixel((x - 12) / 3, (y - 14) / 3) : background());
        }
    }
}

void TestMapView::nothingWhenOutsideOrHidden() {
    MapView view;
    view.resize(30, 30);
    view.setPicture(filled(8, 8, Qt::red));
    auto* image1 = view.findChild<QWidget*>(QStringLiteral("Image1"));
    QVERIFY(image1);
    QVERIFY(!image1->isHidden());

    for (const MapRect& r : {pxRect(-500, 10, 400, 400), pxRect(30, 0, 10, 10), pxRect(0, 0, 0, 0),
                             pxRect(10, 10, -5, -5)}) {
        view.setMapRect(r);
        QCOMPARE(countColour(renderOf(view), background()), 900);
    }

    view.setMapRect(pxRect(0, 0, 30, 30));
    QCOMPARE(countColour(renderOf(view), qRgb(255, 0, 0)), 900);
    view.setMapVisible(false);
    QVERIFY(image1->isHidden());
    QCOMPARE(countColour(renderOf(view), background()), 900);
    view.setMapVisible(true);
    QVERIFY(!image1->isHidden());
}

void TestMapView::transparentPicturePixelsShowBackground() {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    picture.setPixel(1, 0, qRgba(0, 200, 0, 255));
    MapView view;
    view.resize(4, 2);
    view.setPicture(picture);
    view.setMapRect(pxRect(0, 0, 4, 2));
    const QImage out = renderOf(view);
    QCOMPARE(out.pixel(0, 0), background());
    QCOMPARE(out.pixel(3, 1), qRgb(0, 200, 0));
    QCOMPARE(view.picture(), picture);
}

void TestMapView::ringsInvertWhatIsBeneath() {
    // Left half white, right half black: the ring must show on both.
    QImage picture = filled(2, 1, Qt::white);
    picture.setPixel(1, 0, qRgb(0, 0, 0));
    MapView view;
    view.resize(60, 60);
    view.setPicture(picture);
    view.setMapRect(pxRect(0, 0, 60, 60));
    view.setRings(oneRing(10, 10, 40));

    const QImage plain = renderOf(view);
    view.setRingsVisible(true);
    const QImage ringed = renderOf(view);
    int onWhite = 0;
    int onBlack = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x) {
            const QRgb before = plain.pixel(x, y);
            const QRgb after = ringed.pixel(x, y);
            if (after == before)
                continue;
            QCOMPARE(after, before ^ 0x00FFFFFFu);
            // Outline only: nothing outside the ring's box, nothing near its centre.
            QVERIFY(x >= 10 && x < 50 && y >= 10 && y < 50);
            QVERIFY(std::hypot(x - 29.5, y - 29.5) > 15);
            (x < 30 ? onWhite : onBlack)++;
        }
    }
    QVERIFY2(onWhite > 40 && onBlack > 40,
             qPrintable(QStringLiteral("%1 %2").arg(onWhite).arg(onBlack)));

    view.setRingsVisible(false);
    QCOMPARE(renderOf(view), plain);
}

void TestMapView::labels() {
    MapView view;
    view.resize(80, 60);
    view.setPicture(filled(1, 1, Qt::black));
    view.setMapRect(pxRect(0, 0, 80, 60));

    const QSizeF small = view.ringLabelSizeTwips(QStringLiteral("10"), 8);
    const QSizeF wide = view.ringLabelSizeTwips(QStringLiteral("110"), 8);
    const QSizeF big = view.ringLabelSizeTwips(QStringLiteral("10"), 16);
    QVERIFY(small.width() > 0 && small.height() > 0);
    QVERIFY(wide.width() > small.width());
    QVERIFY(big.width() > small.width() && big.height() > small.height());

    RingLayout layout = oneRing(40, 40, 0);
    Ring& r = layout.rings[0];
    r.caption = QStringLiteral("10");
    r.LabelLeft = 10 * 15;
    r.LabelTop = 12 * 15;
    r.LabelWidth = float(small.width());
    r.LabelHeight = float(small.height());
    view.setRings(layout);
    view.setRingLabelPointSize(8);
    view.setRingsVisible(true);
    const QImage out = renderOf(view);
    const QRect box = toPixels({r.LabelLeft, r.LabelTop, r.LabelWidth, r.LabelHeight}).toRect();
    int inside = 0;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            if (!isYellowish(out.pixel(x, y)))
                continue;
            QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(x, y),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 4);

    view.setRingsVisible(false);
    const QImage hidden = renderOf(view);
    for (int y = 0; y < hidden.height(); ++y)
        for (int x = 0; x < hidden.width(); ++x)
            QVERIFY(!isYellowish(hidden.pixel(x, y)));
}

void TestMapView::pressesCarryTwips() {
    MapView view;
    view.resize(200, 150);
    view.setPicture(filled(4, 4, Qt::gray));
    view.setMapRect({-300.0f, 150.0f, 1500.0f, 1200.0f}); // -20, 10 px, 100 x 80 px
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QSignalSpy onMap(&view, &MapView::mapMouseDown);
    QSignalSpy onBackground(&view, &MapView::backgroundMouseDown);
    QSignalSpy doubleClicked(&view, &MapView::mapDoubleClicked);

    QTest::mouseClick(&view, Qt::RightButton, {}, QPoint(30, 40));
    QCOMPARE(onMap.size(), 1);
    QCOMPARE(onMap.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(onMap.at(0).at(1).toPointF(), QPointF(750, 450));

    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(90, 120));
    QCOMPARE(onBackground.size(), 1);
    QCOMPARE(onBackground.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(onBackground.at(0).at(1).toPointF(), QPointF(1350, 1800));

    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(90, 120));
    QCOMPARE(doubleClicked.size(), 0);
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(5, 20));
    QCOMPARE(doubleClicked.size(), 1);

    // A hidden map takes no clicks: they fall on the background.
    view.setMapVisible(false);
    onBackground.clear();
    QTest::mouseClick(&view, Qt::RightButton, {}, QPoint(30, 40));
    QCOMPARE(onBackground.size(), 1);
    QCOMPARE(onBackground.at(0).at(1).toPointF(), QPointF(450, 600));
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(5, 20));
    QCOMPARE(doubleClicked.size(), 1);
}

void TestMapView::dragEndsOnRelease() {
    MapView view;
    view.resize(100, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    connect(&view, &MapView::backgroundMouseDown, &view, [&view] { view.beginDrag(); });
    QSignalSpy dropped(&view, &MapView::dragDropped);
    QSignalSpy released(&view, &MapView::mouseReleased);

    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(view.isDragging());
    QCOMPARE(view.cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(view.cursor().pixmap().size(), QSize(32, 32));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(60, 70));
    QVERIFY(!view.isDragging());
    QCOMPARE(view.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.at(0).at(0).toPointF(), QPointF(900, 1050));
    QCOMPARE(released.size(), 1);

    // A release with no drag under way drops nothing.
    disconnect(&view, &MapView::backgroundMouseDown, &view, nullptr);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(released.size(), 2);
}

void TestMapView::toolTipOnlyOverMap() {
    MapView view;
    view.resize(100, 100);
    view.setMapRect(pxRect(50, 0, 50, 100));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QHelpEvent overBackground(QEvent::ToolTip, QPoint(10, 10), view.mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(&view, &overBackground);
    QVERIFY(QToolTip::text().isEmpty());

    QHelpEvent overMap(QEvent::ToolTip, QPoint(60, 10), view.mapToGlobal(QPoint(60, 10)));
    QCoreApplication::sendEvent(&view, &overMap);
    QCOMPARE(QToolTip::text(), QStringLiteral("Right-Click on Map for Menu"));
}

void TestMapView::paintSpeed() {
    // Zoom 12 in a full-HD window, rings and labels on: the heaviest frame there is.
    MapView view;
    view.resize(1920, 1080);
    const QImage picture = patterned(600, 550);
    view.setPicture(picture);
    const MapRect map = pxRect(-240, -660, 2400, 2200);
    view.setMapRect(map);
    RingInputs in;
    in.map = map;
    in.zoom = 12;
    in.MapTypeShort = QStringLiteral("p37cr");
    view.setRings(ringLayout(
        in, [&view](const QString& caption) { return view.ringLabelSizeTwips(caption, 8); }));
    view.setRingsVisible(true);

    // Each frame shows a new picture, as the loop player does.
    const QImage other = picture.mirrored();
    QImage out(view.size(), QImage::Format_RGB32);
    view.render(&out); // fonts and caches warmed up
    int frames = 0;
    QBENCHMARK {
        view.setPicture(frames % 2 ? picture : other);
        view.render(&out);
        ++frames;
    }

    // Source pixels are 4 x 4 here; the sample points lie inside blocks, off their edges.
    view.setPicture(picture);
    view.setRingsVisible(false);
    view.render(&out);
    for (QPoint p : {QPoint(1, 1), QPoint(960, 540), QPoint(1917, 1077), QPoint(402, 911)}) {
        const QPoint source((p.x() + 240) / 4, (p.y() + 660) / 4);
        QCOMPARE(out.pixel(p), picture.pixel(source));
    }
}

QTEST_MAIN(TestMapView)
#include "tst_mapview.moc"
