// The image clock's hands as the real main window sets them from image times and offsets.
#include "AppHarness.h"

#include "view/ClockWidget.h"

#include <QLabel>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");

bool near(QPointF a, QPointF b) {
    return qAbs(a.x() - b.x()) < 0.01 && qAbs(a.y() - b.y()) < 0.01;
}

QByteArray text(QPointF p) {
    return QStringLiteral("(%1, %2)").arg(p.x(), 0, 'f', 4).arg(p.y(), 0, 'f', 4).toLatin1();
}

#define COMPARE_POINT(actual, expected)                                                            \
    QVERIFY2(near((actual), (expected)),                                                           \
             QByteArray(text(actual) + " != " + text(expected)).constData())

} // namespace

class TestImageClock : public QObject {
    Q_OBJECT
private slots:
    void handsShowTheLocalTimeOfTheText_data();
    void handsShowTheLocalTimeOfTheText();
    void handsFollowTheShownImage();
};

// End points in twips inside the 510-twip clock; the centre is (255, 255), the hour hand 140
// long and the minute hand 240.
void TestImageClock::handsShowTheLocalTimeOfTheText_data() {
    QTest::addColumn<QString>("autoOffset");
    QTest::addColumn<QString>("localOffset");
    QTest::addColumn<QString>("hourMinute");
    QTest::addColumn<QPointF>("hourEnd");
    QTest::addColumn<QPointF>("minuteEnd");
    QTest::newRow("12:00") << "0"
                           << "0"
                           << "12:00" << QPointF(255, 115) << QPointF(255, 15);
    QTest::newRow("00:00") << "0"
                           << "0"
                           << "00:00" << QPointF(255, 115) << QPointF(255, 15);
    // A quarter of the way from 3 to 4; the minute hand at 3 o'clock.
    QTest::newRow("03:15") << "0"
                           << "0"
                           << "03:15" << QPointF(393.8023, 273.2737) << QPointF(495, 255);
    // Five hours behind UTC: -3 h and 30 min, which the dial shows as 9:30.
    QTest::newRow("02:30 at -5 h") << "0"
                                   << "5"
                                   << "02:30" << QPointF(119.7704, 218.7653) << QPointF(255, 495);
    // The machine's bias (300 minutes in the harness) instead of the stored offset.
    QTest::newRow("02:30 from the machine")
        << "1"
        << "0"
        << "02:30" << QPointF(119.7704, 218.7653) << QPointF(255, 495);
    // 25:45 is not wrapped and reads as 1:45.
    QTest::newRow("23:45 at +2 h") << "0"
                                   << "-2"
                                   << "23:45" << QPointF(366.0695, 169.7734) << QPointF(15, 255);
}

void TestImageClock::handsShowTheLocalTimeOfTheText() {
    QFETCH(QString, autoOffset);
    QFETCH(QString, localOffset);
    QFETCH(QString, hourMinute);
    QFETCH(QPointF, hourEnd);
    QFETCH(QPointF, minuteEnd);
    AppHarness h;
    testsupport::FakeDownloadService fake;
    h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0));
    h.set(QStringLiteral("AutoUTCOffset"), autoOffset);
    h.set(QStringLiteral("LocalUTCTimeOffset"), localOffset);
    auto& w = h.loadStill();
    QCOMPARE(w.clock()->handCentre(), QPointF(255, 255));

    w.PastImageTime(hourMinute);
    COMPARE_POINT(w.clock()->hourHandEnd(), hourEnd);
    COMPARE_POINT(w.clock()->minuteHandEnd(), minuteEnd);

    // A text that is not a time leaves the hands where they are.
    w.PastImageTime(QStringLiteral("x:y"));
    COMPARE_POINT(w.clock()->hourHandEnd(), hourEnd);
    COMPARE_POINT(w.clock()->minuteHandEnd(), minuteEnd);
}

void TestImageClock::handsFollowTheShownImage() {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    // The newest image is 10:00 UTC, the oldest 09:15.
    h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0));
    h.set(QStringLiteral("AutoUTCOffset"), QStringLiteral("0"));
    h.set(QStringLiteral("LocalUTCTimeOffset"), QStringLiteral("5"));
    auto& w = h.loadStill();

    // 05:00 local.
    COMPARE_POINT(w.clock()->hourHandEnd(), QPointF(325, 376.2436));
    COMPARE_POINT(w.clock()->minuteHandEnd(), QPointF(255, 15));

    w.historySlider()->setValue(1);
    QCOMPARE(w.timeLabel()->text(), QStringLiteral(" 12/06/2026  09:15 UTC "));
    // 04:15 local.
    COMPARE_POINT(w.clock()->hourHandEnd(), QPointF(366.0695, 340.2266));
    COMPARE_POINT(w.clock()->minuteHandEnd(), QPointF(495, 255));
}

QTEST_MAIN(TestImageClock)
#include "tst_imageclock.moc"
