#include "view/ClockHands.h"

#include <QtTest>

#include <cmath>
#include <numbers>

using namespace pluvix::view;

namespace {

constexpr float centre = 255.0f;

// Where a hand of the given length points at `dialHours` on a 12-hour dial (12 up, clockwise).
QPointF onDial(double dialHours, double length) {
    const double angle = dialHours / 12.0 * 2.0 * std::numbers::pi;
    return {centre + length * std::sin(angle), centre - length * std::cos(angle)};
}

bool near(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 0.01;
}

} // namespace

class TestClockHands : public QObject {
    Q_OBJECT

private slots:
    void hands_data();
    void hands();
    void hourWrapsOnTheDial();
};

void TestClockHands::hands_data() {
    QTest::addColumn<float>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<double>("hourOnDial");
    QTest::addColumn<double>("minuteOnDial");
    QTest::newRow("12:00") << 12.0f << 0 << 0.0 << 0.0;
    QTest::newRow("00:00") << 0.0f << 0 << 0.0 << 0.0;
    QTest::newRow("03:15") << 3.0f << 15 << 3.25 << 3.0;
    QTest::newRow("18:45") << 18.0f << 45 << 6.75 << 9.0;
    QTest::newRow("02:30 UTC five hours behind") << -3.0f << 30 << 9.5 << 6.0;
    QTest::newRow("half-hour offset") << 7.5f << 0 << 7.5 << 0.0;
    QTest::newRow("23:59") << 23.0f << 59 << 11.0 + 59.0 / 60.0 << 59.0 / 5.0;
}

void TestClockHands::hands() {
    QFETCH(float, hour);
    QFETCH(int, minute);
    QFETCH(double, hourOnDial);
    QFETCH(double, minuteOnDial);
    const HandEnds ends = clockHands(hour, minute, centre);
    QVERIFY2(near(ends.hour, onDial(hourOnDial, 140.0)),
             qPrintable(QStringLiteral("%1,%2").arg(ends.hour.x()).arg(ends.hour.y())));
    QVERIFY2(near(ends.minute, onDial(minuteOnDial, 240.0)),
             qPrintable(QStringLiteral("%1,%2").arg(ends.minute.x()).arg(ends.minute.y())));
}

void TestClockHands::hourWrapsOnTheDial() {
    for (int h = 0; h < 12; ++h) {
        const HandEnds base = clockHands(float(h), 20, centre);
        for (int wrapped : {h + 12, h - 12, h - 24}) {
            const HandEnds other = clockHands(float(wrapped), 20, centre);
            QVERIFY(near(other.hour, base.hour));
            QVERIFY(near(other.minute, base.minute));
        }
    }
}

QTEST_APPLESS_MAIN(TestClockHands)
#include "tst_clockhands.moc"
