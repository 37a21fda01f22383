// Faults met in use: a start-up stopped by an error, a recall or reload
// that fails part-way, the hidden title bar in file names, and stray mouse clicks.
#include "AppHarness.h"

#include "support/RecordingSettingsStore.h"
#include "view/MapView.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using testsupport::AppHarness;

static const QString kPreset0 = u"SectionPreset0"_s;

class TestUseFaults : public QObject {
    Q_OBJECT
private slots:
    void startUpStoppedByAnErrorStillPolls() {
        AppHarness h(AppHarness::Server);
        testsupport::RecordingSettingsStore failing;
        failing.failReadOnce = kPreset0; // read while the preset tool tips are set
        h.storeOverride = &failing;
        auto& w = h.loadStill();
        QCOMPARE(h.boxes.shown.size(), 1);
        QVERIFY(h.boxes.shown[0].text.contains(u"form1.Form_Load"_s));
        QVERIFY(w.isVisible());

        QVERIFY(h.server.control(u"advance?images=1"_s));
        testsupport::tickUntilPoll(w);
        QCOMPARE(w.viewer().feed().history().UBound(), 10);
    }

    void failedRecallLeavesAUsableWindow() {
        AppHarness h(AppHarness::Server);
        h.store.SaveSetting(h.appName, kPreset0, u"BaseURL"_s, h.folderUrl(u"ktbw"_s));
        h.store.SaveSetting(h.appName, kPreset0, u"ZoomLevel"_s, u"13"_s);
        auto& w = h.loadStill();
        const QString title = w.windowTitle();
        const QImage picture = w.mapView()->picture();

        w.viewer().presetRecall().press(0, Qt::LeftButton);
        QCOMPARE(h.boxes.shown.size(), 1);
        QVERIFY(!w.viewer().feed().isLoading() && !w.viewer().presetRecall().busy() &&
                !w.statusPanel()->progressBar()->isVisible());
        QVERIFY(w.mapView()->isMapVisible());
        // Given up before its reload: the pictures shown and the caption still agree.
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.mapView()->picture(), picture);

        w.action(u"mnuZoomIn"_s)->trigger();
        QCOMPARE(w.mapView()->mapRect().Width, 27000.0f);
    }

    void hiddenTitleBarKeepsTheStationInFileNames() {
        AppHarness h(AppHarness::Server);
        h.set(u"HideTitleBar"_s, u"1"_s);
        auto& w = h.loadStill();
        w.action(u"mnuSaveMap"_s)->trigger();
        QCOMPARE(h.fileDialogs.requests.size(), 1);
        QCOMPARE(h.fileDialogs.requests[0].proposedName,
                 u"Melbourne, FL  (SRC) - "_s + w.viewer().feed().history().tag(9));
    }

    void labelDoubleClickPollsOnlyWithTheLeftButton_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("polls");
        QTest::addColumn<int>("position");
        QTest::newRow("left") << Qt::LeftButton << 1 << 11;
        // Two presses, each a step back.
        QTest::newRow("right") << Qt::RightButton << 0 << 8;
    }

    void labelDoubleClickPollsOnlyWithTheLeftButton() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, polls);
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        QVERIFY(h.server.control(u"advance?images=1"_s));
        const int listings = h.listingRequests();
        // As a real double click arrives: a click, then the double click.
        QTest::mouseClick(w.statusPanel()->pictureNumberLabel(), button);
        QTest::mouseDClick(w.statusPanel()->pictureNumberLabel(), button);
        QCOMPARE(h.listingRequests(), listings + polls);
        QTEST(w.statusPanel()->historySlider()->value(), "position");
    }
};

QTEST_MAIN(TestUseFaults)
#include "tst_usefaults.moc"
