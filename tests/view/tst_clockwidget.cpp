#include "view/ClockWidget.h"

#include <QSignalSpy>
#include <QtTest>

using namespace pluvix::view;

namespace {

QImage renderOf(ClockWidget& clock) {
    QImage out(clock.size(), QImage::Format_RGB32);
    out.fill(Qt::magenta);
    clock.render(&out);
    return out;
}

int count(const QImage& img, const std::function<bool(QRgb)>& pred) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pred(img.pixel(x, y)) ? 1 : 0;
    return n;
}

bool near(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 0.01;
}

} // namespace

class TestClockWidget : public QObject {
    Q_OBJECT

private slots:
    void startsAsDesigned();
    void handsFollowTheTime();
    void faces();
    void clicks();
};

void TestClockWidget::startsAsDesigned() {
    ClockWidget clock;
    QCOMPARE(clock.objectName(), QStringLiteral("ClockPic"));
    QCOMPARE(clock.size() * 15, QSize(510, 510));
    QCOMPARE(clock.toolTip(), QStringLiteral("Local Time of RADAR Image"));
    QCOMPARE(clock.handCentre(), QPointF(255, 255));
    QCOMPARE(ClockWidget::faceBitmap().size(), QSize(88, 84));
}

void TestClockWidget::handsFollowTheTime() {
    ClockWidget clock;
    clock.setHands(15.0f, 15);
    QVERIFY(near(clock.minuteHandEnd(), QPointF(495, 255)));
    QVERIFY(clock.hourHandEnd().x() > 255 + 135 && clock.hourHandEnd().y() > 255);

    // Yellow hands on the bare background; 3:00 puts the hour hand along the middle row.
    clock.setFaceBitmapShown(false);
    clock.setHandColour(ClockWidget::bareHandColour());
    clock.setHands(3.0f, 0);
    const auto yellow = [](QRgb c) { return c == qRgb(255, 255, 0); };
    const auto yellowAt = [&](const QImage& img, int x, int y) {
        // Two pixels wide about a centre between pixels: either neighbour may carry the colour.
        return yellow(img.pixel(x, y)) || yellow(img.pixel(x - 1, y)) ||
               yellow(img.pixel(x, y - 1));
    };
    const QImage three = renderOf(clock);
    QVERIFY(yellowAt(three, 24, 17));  // hour hand to the right
    QVERIFY(yellowAt(three, 17, 6));   // minute hand up
    QVERIFY(!yellowAt(three, 9, 17));  // nothing at 9 o'clock
    QVERIFY(!yellowAt(three, 17, 28)); // nor at 6

    clock.setHands(9.0f, 30);
    const QImage halfPastNine = renderOf(clock);
    QVERIFY(yellowAt(halfPastNine, 17, 28));
    QVERIFY(!yellowAt(halfPastNine, 17, 6));
    QVERIFY(!yellowAt(halfPastNine, 24, 17));

    clock.setHandColour(ClockWidget::panelHandColour());
    QCOMPARE(clock.handColour(), QColor(0x40, 0x40, 0x40));
    QCOMPARE(count(renderOf(clock), yellow), 0);
}

void TestClockWidget::faces() {
    ClockWidget clock;
    const QRgb text = clock.palette().color(QPalette::WindowText).rgb();
    const QPoint inside(9, 25); // on the dial, clear of hands and ticks

    QVERIFY(clock.isFaceBitmapShown());
    const QImage withBitmap = renderOf(clock);
    QVERIFY(qGray(withBitmap.pixel(inside)) > 180);

    clock.setFaceBitmapShown(false);
    const QImage bare = renderOf(clock);
    QCOMPARE(bare.pixel(inside), text);
    QCOMPARE(bare.pixel(0, 0), text);
    // The grey face circle runs round the edge.
    QVERIFY(qAbs(qGray(bare.pixel(17, 0)) - 128) < 60);

    clock.setFaceOpaque(true);
    QVERIFY(clock.isFaceOpaque());
    const QImage polling = renderOf(clock);
    QCOMPARE(polling.pixel(inside), ClockWidget::busyFaceColour().rgb());
    QCOMPARE(polling.pixel(0, 0), text);
    clock.setFaceOpaque(false);
    QCOMPARE(renderOf(clock), bare);
}

void TestClockWidget::clicks() {
    ClockWidget clock;
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QSignalSpy left(&clock, &ClockWidget::leftPressed);
    QSignalSpy doubled(&clock, &ClockWidget::doubleClicked);

    QTest::mouseClick(&clock, Qt::RightButton, {}, QPoint(17, 17));
    QCOMPARE(left.size(), 0);
    QTest::mouseClick(&clock, Qt::LeftButton, {}, QPoint(17, 17));
    QCOMPARE(left.size(), 1);
    QCOMPARE(doubled.size(), 0);
    // The first press of a double-click is a press of its own.
    QTest::mouseDClick(&clock, Qt::LeftButton, {}, QPoint(17, 17));
    QCOMPARE(doubled.size(), 1);
    QVERIFY(left.size() >= 1);
}

QTEST_MAIN(TestClockWidget)
#include "tst_clockwidget.moc"
