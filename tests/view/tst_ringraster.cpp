#include "view/RingRaster.h"

#include <QSet>
#include <QtTest>

#include <cmath>
#include <numbers>

using namespace pluvix::view;

class TestRingRaster : public QObject {
    Q_OBJECT

private slots:
    void outline_data();
    void outline();
    void tooSmallOrOutOfSight();
};

void TestRingRaster::outline_data() {
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<QRect>("clip");
    const QRect view(0, 0, 400, 300);
    QTest::newRow("2 px") << QRectF(10, 10, 2, 2) << view;
    QTest::newRow("3 px") << QRectF(10, 10, 3, 3) << view;
    QTest::newRow("whole pixels") << QRectF(50, 40, 101, 101) << view;
    QTest::newRow("even size") << QRectF(50, 40, 100, 100) << view;
    QTest::newRow("fractional") << QRectF(20.3, 17.8, 63.7, 63.7) << view;
    QTest::newRow("cut at the top left") << QRectF(-80.6, -50.2, 260.4, 260.4) << view;
    QTest::newRow("huge, an arc in view")
        << QRectF(-1.0e6 + 200, 150 - 5.0e5, 1.0e6, 1.0e6) << view;
    QTest::newRow("partial repaint") << QRectF(0, 0, 300, 300) << QRect(100, 0, 50, 40);
}

void TestRingRaster::outline() {
    QFETCH(QRectF, box);
    QFETCH(QRect, clip);
    const QList<QRect> runs = ringOutlineRuns(box, clip);
    QVERIFY(!runs.isEmpty());

    QSet<QPoint> pixels;
    qsizetype total = 0;
    for (const QRect& run : runs) {
        QCOMPARE(run.height(), 1);
        QVERIFY(clip.contains(run));
        total += run.width();
        for (int x = run.left(); x <= run.right(); ++x)
            pixels.insert(QPoint(x, run.top()));
    }
    // Drawn inverting, a pixel listed twice would vanish.
    QCOMPARE(pixels.size(), total);

    const QPointF c = box.center();
    const double r = box.width() / 2.0 - 0.5;
    for (const QPoint& p : pixels) {
        const double d = std::hypot(p.x() + 0.5 - c.x(), p.y() + 0.5 - c.y());
        QVERIFY2(std::abs(d - r) <= 1.0, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        // No loose ends: a gap would leave a pixel with a single neighbour.
        if (p.x() == clip.left() || p.x() == clip.right() || p.y() == clip.top() ||
            p.y() == clip.bottom())
            continue;
        int neighbours = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                neighbours += (dx || dy) && pixels.contains(p + QPoint(dx, dy)) ? 1 : 0;
        QVERIFY2(neighbours >= 2, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }

    // Every stretch of the circle inside the clip has a pixel on it.
    const int steps = 20000;
    for (int i = 0; i < steps; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / steps;
        const QPointF onCircle(c.x() + r * std::cos(angle), c.y() + r * std::sin(angle));
        const QPoint pixel(int(std::floor(onCircle.x())), int(std::floor(onCircle.y())));
        if (!clip.adjusted(1, 1, -1, -1).contains(pixel))
            continue;
        bool covered = false;
        for (int dy = -1; dy <= 1 && !covered; ++dy)
            for (int dx = -1; dx <= 1 && !covered; ++dx)
                covered = pixels.contains(pixel + QPoint(dx, dy));
        QVERIFY2(covered, qPrintable(QStringLiteral("%1,%2").arg(pixel.x()).arg(pixel.y())));
    }
}

void TestRingRaster::tooSmallOrOutOfSight() {
    const QRect view(0, 0, 100, 100);
    QVERIFY(ringOutlineRuns(QRectF(10, 10, 0, 0), view).isEmpty());
    QVERIFY(ringOutlineRuns(QRectF(10, 10, 0.9, 0.9), view).isEmpty());
    QVERIFY(ringOutlineRuns(QRectF(10, 10, -20, -20), view).isEmpty());
    QVERIFY(ringOutlineRuns(QRectF(200, 10, 50, 50), view).isEmpty());
    // A ring that encloses the whole view crosses none of it.
    QVERIFY(ringOutlineRuns(QRectF(-500, -500, 1100, 1100), view).isEmpty());
    QVERIFY(ringOutlineRuns(QRectF(10, 10, 50, 50), QRect()).isEmpty());
}

QTEST_APPLESS_MAIN(TestRingRaster)
#include "tst_ringraster.moc"
