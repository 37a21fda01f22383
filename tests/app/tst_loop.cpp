// The history slider, the loop player and the image clock of the real main window.
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0)); }
};

QString timeText(QString name) {
    QString hourMinute;
    acquisition::FormatImageTime(name, hourMinute);
    return u" "_s + name + u" "_s;
}

// Runs `ticks` loop ticks and returns the slider value after each, marking with -1 a step
// whose picture or labels lag behind the slider.
QList<int> tick(app::MainWindow& w, int ticks) {
    QList<int> values;
    for (int t = 0; t < ticks; ++t) {
        w.PlayImages();
        const int v = w.historySlider()->value();
        values.append(v);
        if (w.mapView()->picture() != w.Image2.picture(v - 1) ||
            w.pictureNumberLabel()->text() != QString::number(v) ||
            w.timeLabel()->text() != timeText(w.Image2.tag(v - 1)))
            values.append(-1);
    }
    return values;
}

void switchLoopOn(app::MainWindow& w) {
    w.loopSwitch()->setChecked(true);
    w.loopTimer().stop(); // the test is the clock of the loop
}

} // namespace

class TestLoop : public QObject {
    Q_OBJECT
private slots:
    void loopRunsOverTheNewestPicturesAndPauses_data() {
        QTest::addColumn<int>("historyImageCount");
        QTest::addColumn<int>("loopDelay");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("20 pictures, delay 4")
            << 20 << 4 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 1, 2};
        QTest::newRow("5 pictures, delay 0") << 5 << 0 << QList<int>{5, 6, 7, 8, 9, 10, 5, 6};
    }

    void loopRunsOverTheNewestPicturesAndPauses() {
        QFETCH(int, historyImageCount);
        QFETCH(int, loopDelay);
        QFETCH(QList<int>, expected);
        FakeRadar r;
        r.h.set(u"HistoryImageCount"_s, QString::number(historyImageCount));
        r.h.set(u"LoopDelay"_s, QString::number(loopDelay));
        auto& w = r.h.loadStill();
        QCOMPARE(tick(w, 2), (QList<int>{10, 10})); // off: ticks change nothing
        switchLoopOn(w);
        // The first pass jumps back at once, without a pause on the newest.
        QCOMPARE(tick(w, int(expected.size())), expected);
    }

    void switchingOffReturnsToTheNewest() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        QAction* menu = w.action(u"mnuPlayNow"_s);
        switchLoopOn(w);
        QVERIFY(menu->isChecked());
        QCOMPARE(tick(w, 4), (QList<int>{1, 2, 3, 4}));
        w.loopSwitch()->setChecked(false);
        QCOMPARE(w.historySlider()->value(), 10);
        QVERIFY(!w.loopTimer().isActive());
        QVERIFY(!menu->isChecked());
        w.close();
        QCOMPARE(r.h.stored(u"SectionGeneral"_s, u"PlayLoop"_s), u"0"_s);
    }

    void slidersDoNothingWhileAMapLoads() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        w.historySlider()->setValue(5);
        const QPointF minuteHand = w.clock()->minuteHandEnd();
        const view::MapRect map{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};

        w.m_IsLoadingMap = true;
        w.historySlider()->setValue(3);
        w.zoomSlider()->setValue(11);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
        QCOMPARE(w.clock()->minuteHandEnd(), minuteHand);
        QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == map);

        // Once loaded, the change action brings the window in line with the slider.
        w.m_IsLoadingMap = false;
        w.HScroll1_Change(0);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
        QVERIFY(w.clock()->minuteHandEnd() != minuteHand);
    }

    void pictureNumberLabelStepsWithinTheRange() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        QLabel* label = w.pictureNumberLabel();
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(w.historySlider()->value(), 10);
        QTest::mouseClick(label, Qt::RightButton);
        QCOMPARE(w.historySlider()->value(), 9);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(8));
        w.historySlider()->setValue(1);
        QTest::mouseClick(label, Qt::RightButton);
        QCOMPARE(w.historySlider()->value(), 1);
    }

    // End points in twips inside the 510-twip clock: centre (255, 255), hour hand 140 long and
    // minute hand 240. The offset is the machine's bias (300 minutes in the harness).
    void handsFollowTheShownImage() {
        FakeRadar r; // the newest image is 10:00 UTC, the oldest 09:15
        r.h.set(u"AutoUTCOffset"_s, u"1"_s);
        auto& w = r.h.loadStill();
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(325, 376)); // 05:00 local
        w.historySlider()->setValue(1);
        QCOMPARE(w.timeLabel()->text(), u" 12/06/2026  09:15 UTC "_s);
        QCOMPARE(w.clock()->hourHandEnd().toPoint(), QPoint(366, 340)); // 04:15 local
        QCOMPARE(w.clock()->minuteHandEnd().toPoint(), QPoint(495, 255));
        w.PastImageTime(u"x:y"_s); // not a time: the hands stay
        QCOMPARE(w.clock()->minuteHandEnd().toPoint(), QPoint(495, 255));
    }
};

QTEST_MAIN(TestLoop)
#include "tst_loop.moc"
