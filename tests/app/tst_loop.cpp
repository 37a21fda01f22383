// The history slider and the loop player of the real main window.
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
using testsupport::AppHarness;

namespace {

const QString kFolder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");

struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFolder, testsupport::tenImageNamesUpTo(10, 0)); }
};

QString timeText(QString name) {
    QString hourMinute;
    acquisition::FormatImageTime(name, hourMinute);
    return QStringLiteral(" ") + name + QStringLiteral(" ");
}

// Runs `ticks` loop ticks and returns the slider value after each, checking that every value
// is also what the map and the labels show.
QList<int> tick(app::MainWindow& w, int ticks) {
    QList<int> values;
    for (int t = 0; t < ticks; ++t) {
        w.PlayImages();
        const int v = w.historySlider()->value();
        values.append(v);
        if (w.mapView()->picture() != w.Image2.picture(v - 1) ||
            w.pictureNumberLabel()->text() != QString::number(v) ||
            w.timeLabel()->text() != timeText(w.Image2.tag(v - 1)))
            values.append(-1); // marks a step whose picture or labels lag behind
    }
    return values;
}

void switchLoopOn(app::MainWindow& w) {
    w.loopSwitch()->setChecked(true);
    // The test is the clock of the loop.
    w.loopTimer().stop();
}

QList<int> range(int from, int to) {
    QList<int> r;
    for (int v = from; v <= to; ++v)
        r.append(v);
    return r;
}

} // namespace

class TestLoop : public QObject {
    Q_OBJECT
private slots:
    void loopRunsOverTheNewestPicturesAndPauses_data();
    void loopRunsOverTheNewestPicturesAndPauses();
    void switchingOffReturnsToTheNewest();
    void newImageWhileLoopingContinuesFromTheNewest();
    void slidersDoNothingWhileAMapLoads();
    void pictureNumberLabelStepsWithinTheRange();
};

void TestLoop::loopRunsOverTheNewestPicturesAndPauses_data() {
    QTest::addColumn<int>("historyImageCount");
    QTest::addColumn<int>("loopDelay");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("20 pictures, delay 4")
        << 20 << 4 << range(1, 10) + QList<int>{10, 10, 10, 10, 1, 2};
    QTest::newRow("5 pictures, delay 4")
        << 5 << 4 << range(5, 10) + QList<int>{10, 10, 10, 10, 5, 6};
    QTest::newRow("20 pictures, delay 0") << 20 << 0 << range(1, 10) + QList<int>{1, 2};
    QTest::newRow("5 pictures, delay 0") << 5 << 0 << range(5, 10) + QList<int>{5, 6};
}

void TestLoop::loopRunsOverTheNewestPicturesAndPauses() {
    QFETCH(int, historyImageCount);
    QFETCH(int, loopDelay);
    QFETCH(QList<int>, expected);
    FakeRadar r;
    r.h.set(QStringLiteral("HistoryImageCount"), QString::number(historyImageCount));
    r.h.set(QStringLiteral("LoopDelay"), QString::number(loopDelay));
    auto& w = r.h.loadStill();
    QCOMPARE(w.historySlider()->value(), 10);

    // Off: ticks change nothing.
    QCOMPARE(tick(w, 3), (QList<int>{10, 10, 10}));

    switchLoopOn(w);
    QVERIFY(w.action(QStringLiteral("mnuPlayNow"))->isChecked());
    QCOMPARE(w.Settings.PlayLoop, qint16(1));
    // The first pass jumps back at once, without a pause on the newest.
    QCOMPARE(tick(w, int(expected.size())), expected);
}

void TestLoop::switchingOffReturnsToTheNewest() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    switchLoopOn(w);
    QCOMPARE(tick(w, 4), (QList<int>{1, 2, 3, 4}));

    w.loopSwitch()->setChecked(false);
    QCOMPARE(w.historySlider()->value(), 10);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("10"));
    QVERIFY(!w.loopTimer().isActive());
    QVERIFY(!w.action(QStringLiteral("mnuPlayNow"))->isChecked());
    QCOMPARE(w.Settings.PlayLoop, qint16(0));
    QCOMPARE(tick(w, 2), (QList<int>{10, 10}));

    // "Loop" twice: on, then off again on the newest picture.
    w.action(QStringLiteral("mnuPlayNow"))->trigger();
    QVERIFY(w.loopSwitch()->isChecked());
    QVERIFY(w.loopTimer().isActive());
    w.loopTimer().stop();
    tick(w, 2);
    QCOMPARE(w.historySlider()->value(), 2);
    w.action(QStringLiteral("mnuPlayNow"))->trigger();
    QVERIFY(!w.loopSwitch()->isChecked());
    QCOMPARE(w.historySlider()->value(), 10);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));

    w.close();
    QCOMPARE(r.h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PlayLoop")),
             QStringLiteral("0"));
}

void TestLoop::newImageWhileLoopingContinuesFromTheNewest() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    switchLoopOn(w);
    QCOMPARE(tick(w, 12), range(1, 10) + QList<int>({10, 10}));
    QCOMPARE(w.LoopPauseCount, qint16(2));

    testsupport::serveFolder(r.fake, kFolder, testsupport::tenImageNamesUpTo(10, 5));
    w.PollCounter = w.Settings.PollInterval - 1;
    w.Timer1_Timer();
    QCOMPARE(w.Image2.UBound(), 10);
    QCOMPARE(w.historySlider()->value(), 11);
    // The pause goes on where it was; then the pass covers all eleven pictures.
    QCOMPARE(w.LoopPauseCount, qint16(2));
    QCOMPARE(tick(w, 5), (QList<int>{11, 11, 1, 2, 3}));
}

void TestLoop::slidersDoNothingWhileAMapLoads() {
    FakeRadar r;
    r.h.set(QStringLiteral("AutoUTCOffset"), QStringLiteral("0"));
    r.h.set(QStringLiteral("LocalUTCTimeOffset"), QStringLiteral("0"));
    auto& w = r.h.loadStill();
    w.historySlider()->setValue(5);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    const QString label3 = w.pictureNumberLabel()->text();
    const QString label4 = w.timeLabel()->text();
    const QPointF hourHand = w.clock()->hourHandEnd();
    const QPointF minuteHand = w.clock()->minuteHandEnd();
    QCOMPARE(label3, QStringLiteral("5"));
    const view::MapRect map{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()};

    w.m_IsLoadingMap = true;
    w.historySlider()->setValue(3);
    w.zoomSlider()->setValue(11);
    QCOMPARE(w.historySlider()->value(), 3);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    QCOMPARE(w.pictureNumberLabel()->text(), label3);
    QCOMPARE(w.timeLabel()->text(), label4);
    QCOMPARE(w.clock()->hourHandEnd(), hourHand);
    QCOMPARE(w.clock()->minuteHandEnd(), minuteHand);
    QVERIFY((view::MapRect{w.mapLeft(), w.mapTop(), w.mapWidth(), w.mapHeight()}) == map);

    // Once loaded, the change action brings the window in line with the slider.
    w.m_IsLoadingMap = false;
    w.HScroll1_Change(0);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("3"));
    QCOMPARE(w.timeLabel()->text(), timeText(w.Image2.tag(2)));
    QVERIFY(w.clock()->minuteHandEnd() != minuteHand);
}

void TestLoop::pictureNumberLabelStepsWithinTheRange() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    QLabel* label3 = w.pictureNumberLabel();
    QTest::mouseClick(label3, Qt::LeftButton);
    QCOMPARE(w.historySlider()->value(), 10);
    QTest::mouseClick(label3, Qt::RightButton);
    QCOMPARE(w.historySlider()->value(), 9);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(8));
    QTest::mouseClick(label3, Qt::LeftButton);
    QCOMPARE(w.historySlider()->value(), 10);
    w.historySlider()->setValue(1);
    QTest::mouseClick(label3, Qt::RightButton);
    QCOMPARE(w.historySlider()->value(), 1);
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("1"));
}

QTEST_MAIN(TestLoop)
#include "tst_loop.moc"
