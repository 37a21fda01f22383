#include "view/NearestStretch.h"

#include <QtTest>

using namespace pluvix::view;

namespace {

constexpr QRgb untouched = 0xFF123456;

QImage patterned(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) % 256));
    return img;
}

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(untouched);
    return img;
}

} // namespace

class TestNearestStretch : public QObject {
    Q_OBJECT

private slots:
    void samplesAtPixelCentres_data();
    void samplesAtPixelCentres();
    void onlyClipAndTargetAreWritten();
    void hugeTargetPartlyInView();
    void nothingForBadInput();
};

void TestNearestStretch::samplesAtPixelCentres_data() {
    QTest::addColumn<QRectF>("target");
    QTest::addColumn<QSize>("sourceSize");
    QTest::newRow("x3") << QRectF(5, 7, 12, 12) << QSize(4, 4);
    QTest::newRow("x4 wide") << QRectF(0, 0, 40, 8) << QSize(10, 2);
    QTest::newRow("halved") << QRectF(2, 2, 20, 10) << QSize(40, 20);
    QTest::newRow("fractional place and scale") << QRectF(3.3, 1.7, 25.9, 17.2) << QSize(7, 5);
    QTest::newRow("one pixel source") << QRectF(-2.5, -2.5, 40, 40) << QSize(1, 1);
}

void TestNearestStretch::samplesAtPixelCentres() {
    QFETCH(QRectF, target);
    QFETCH(QSize, sourceSize);
    const QImage source = patterned(sourceSize.width(), sourceSize.height());
    QImage dest = canvas(32, 24);
    stretchNearest(source, target, dest, dest.rect());
    for (int y = 0; y < dest.height(); ++y) {
        for (int x = 0; x < dest.width(); ++x) {
            const QPointF centre(x + 0.5, y + 0.5);
            QRgb expected = untouched;
            if (target.contains(centre) && centre.x() < target.right() &&
                centre.y() < target.bottom()) {
                const int sx = int((centre.x() - target.left()) / target.width() * source.width());
                const int sy = int((centre.y() - target.top()) / target.height() * source.height());
                expected = source.pixel(sx, sy);
            }
            QVERIFY2(dest.pixel(x, y) == expected,
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }
}

void TestNearestStretch::onlyClipAndTargetAreWritten() {
    const QImage source = patterned(3, 3);
    QImage dest = canvas(30, 30);
    stretchNearest(source, QRectF(0, 0, 30, 30), dest, QRect(10, 5, 4, 6));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            QCOMPARE(dest.pixel(x, y) != untouched, QRect(10, 5, 4, 6).contains(x, y));
    QCOMPARE(dest.pixel(13, 10), source.pixel(1, 1));
}

void TestNearestStretch::hugeTargetPartlyInView() {
    // Zoom 12 far off the picture's top left: 2400 px wide, only its bottom-right corner shows.
    const QImage source = patterned(600, 550);
    QImage dest = canvas(100, 100);
    stretchNearest(source, QRectF(-2350, -2150, 2400, 2200), dest, dest.rect());
    QCOMPARE(dest.pixel(0, 0), source.pixel(587, 537));
    QCOMPARE(dest.pixel(49, 49), source.pixel(599, 549));
    QCOMPARE(dest.pixel(50, 49), untouched);
    QCOMPARE(dest.pixel(49, 50), untouched);
}

void TestNearestStretch::nothingForBadInput() {
    const QImage source = patterned(4, 4);
    for (const QRectF& target :
         {QRectF(0, 0, 0, 10), QRectF(0, 0, -10, 10), QRectF(qInf(), 0, 10, 10),
          QRectF(40, 0, 10, 10), QRectF(0, 0, 0.4, 0.4)}) {
        QImage dest = canvas(20, 20);
        stretchNearest(source, target, dest, dest.rect());
        QCOMPARE(dest, canvas(20, 20));
    }
    QImage dest = canvas(20, 20);
    stretchNearest(source.convertToFormat(QImage::Format_Indexed8), QRectF(0, 0, 20, 20), dest,
                   dest.rect());
    QCOMPARE(dest, canvas(20, 20));
    stretchNearest(QImage(), QRectF(0, 0, 20, 20), dest, dest.rect());
    QCOMPARE(dest, canvas(20, 20));
}

QTEST_APPLESS_MAIN(TestNearestStretch)
#include "tst_neareststretch.moc"
