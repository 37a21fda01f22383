// Faults met in use: a bad stored number, a start-up stopped by an error, a recall or reload
// that fails part-way, the hidden title bar in file names, and stray mouse input.
#include "AppHarness.h"

#include "settings/FileSettingsStore.h"
#include "support/RecordingSettingsStore.h"
#include "view/MapView.h"

#include <QAction>
#include <QFile>
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
    // A stored value that fails, or is no product, is not saved back: the next start is clean.
    void badStoredValueKeepsTheDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("boxes");
        QTest::newRow("overflow") << u"PollInterval"_s << u"40000"_s << 1;
        QTest::newRow("zoom out of range") << u"ZoomLevel"_s << u"13"_s << 1;
        for (const char* key : {"MapWidth", "MapHeight", "BullsEyeX", "BullsEyeY"})
            QTest::addRow("%s at the maximum", key)
                << QString::fromLatin1(key) << u"3.402823e+38"_s << 1;
        QTest::newRow("negative ring spacing") << u"BullsEyeGraduations"_s << u"-10"_s << 1;
        for (const QString& product :
             {QString(), u"\u0001\u007f"_s, u"../../x"_s, u"http://example.invalid/"_s})
            QTest::addRow("product %s", product.toUtf8().toPercentEncoding().constData())
                << u"MapTypeShort"_s << product << 0;
    }

    void badStoredValueKeepsTheDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, boxes);
        AppHarness h(AppHarness::Server);
        settings::FileSettingsStore file(h.dir.filePath(u"config"_s));
        h.storeOverride = &file;
        h.set(key, value);

        auto& w = h.load(); // the error box is answered with Retry
        QCOMPARE(h.boxes.shown.size(), boxes);
        QVERIFY(w.isVisible() && !w.viewer().feed().isLoading());
        QCOMPARE(w.viewer().settings().PollInterval, qint16(60));
        w.close();

        // The bytes on disk, not QSettings' cache shared within the process.
        QFile stored(file.filePath(h.appName));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray text = stored.readAll();
        for (const char* line :
             {"/radar/images/DS.p37cr/SI.kmlb/", "PollInterval=60\n", "ZoomLevel=8\n",
              "NumberOfPresets=4\n", "MapScaleLongRangeConstant=0.319\n"})
            QVERIFY2(text.contains(line), line);
        QVERIFY(h.stored(u"SectionGeneral"_s, key) != value);

        auto& again = h.load();
        QCOMPARE(h.boxes.shown.size(), boxes);
        QVERIFY(again.isVisible() && h.programEnd.endCount == 0);
    }

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

    void releaseOutsideTheWindowMovesNothing() {
        AppHarness h(AppHarness::Server);
        auto& w = h.loadStill();
        view::MapView* map = w.mapView();
        const float left = map->mapRect().Left;

        QTest::mousePress(map, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(w.width() + 40, 100));
        QCOMPARE(map->mapRect().Left, left);
        // Inside the window the same release is a drop: 20 pixels are 300 twips.
        QTest::mousePress(map, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(120, 100));
        QCOMPARE(map->mapRect().Left, left + 300.0f);
    }
};

QTEST_MAIN(TestUseFaults)
#include "tst_usefaults.moc"
