// Preset buttons driven through the real main window against the bundled radar server.
#include "AppHarness.h"

#include "acquisition/FolderAddress.h"
#include "presets/PresetButtons.h"
#include "view/MapView.h"

#include <QAbstractButton>
#include <QAction>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using platform::MessageButton;
using testsupport::AppHarness;

namespace {

int checkedCount(app::MainWindow& w) {
    int n = 0;
    for (int i = 0; i < 8; ++i)
        n += w.presetButtons()->ctrlPreset(i)->isChecked() ? 1 : 0;
    return n;
}

int visibleCount(app::MainWindow& w) {
    int n = 0;
    for (int i = 0; i < 8; ++i)
        n += w.presetButtons()->ctrlPreset(i)->isVisibleTo(w.presetButtons()) ? 1 : 0;
    return n;
}

} // namespace

class TestPresetsWindow : public QObject {
    Q_OBJECT
private slots:
    void neverStoredSlotRecallsTheDefaultView();
    void storeAsksAndWritesOnlyOnYes();
    void recallRestoresTheStoredViewAndStaysPressed();
    void viewChangesReleaseThePressedButton();
    void unknownStationGivesAnEmptyPlace();
    void numberOfPresetsDecidesTheVisibleButtons_data();
    void numberOfPresetsDecidesTheVisibleButtons();
};

void TestPresetsWindow::neverStoredSlotRecallsTheDefaultView() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.set(QStringLiteral("MapTypeShort"), QStringLiteral("p19r0"));
    auto& w = h.load();
    w.ctrlPreset_MouseDown(2, Qt::LeftButton);

    QCOMPARE(w.Settings.RadarStationName, QStringLiteral("kmlb"));
    QCOMPARE(w.Settings.MapTypeShort, QStringLiteral("p37cr"));
    QCOMPARE(w.Settings.BaseURL, acquisition::defaultBaseUrl());
    QCOMPARE(w.mapLeft(), -7295.0f);
    QCOMPARE(w.mapTop(), -7550.0f);
    QCOMPARE(w.mapWidth(), 24800.0f);
    QCOMPARE(w.mapHeight(), 24800.0f);
    QCOMPARE(w.zoomValue(), 8);
    QCOMPARE(w.Settings.BullsEyeGraduations, qint16(10));
    QCOMPARE(w.Settings.BullsEyeX, 1000.0f);
    QCOMPARE(w.Settings.BullsEyeY, 1000.0f);
    QVERIFY(w.presetButtons()->ctrlPreset(2)->isChecked());
    QCOMPARE(checkedCount(w), 1);
    QVERIFY(!w.PanelBusy);
}

void TestPresetsWindow::storeAsksAndWritesOnlyOnYes() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    const QString before = w.presetButtons()->toolTip(1);

    h.boxes.answers = {MessageButton::No};
    w.ctrlPreset_MouseDown(1, Qt::RightButton);
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown[0].kind, QStringLiteral("yesNo"));
    QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Apply PreSet"));
    QCOMPARE(h.boxes.shown[0].text,
             QStringLiteral("Add KMLB - Melbourne, FL - Short Range Composite To PreSet# 2?"));
    QCOMPARE(h.stored(QStringLiteral("SectionPreset1"), QStringLiteral("BaseURL")),
             QStringLiteral("<missing>"));
    QCOMPARE(w.presetButtons()->toolTip(1), before);

    w.zoomTo(3);
    h.boxes.answers = {MessageButton::Yes};
    w.ctrlPreset_MouseDown(1, Qt::RightButton);
    QCOMPARE(h.stored(QStringLiteral("SectionPreset1"), QStringLiteral("BaseURL")), h.folderUrl());
    QCOMPARE(h.stored(QStringLiteral("SectionPreset1"), QStringLiteral("ZoomLevel")),
             QStringLiteral("3"));
    QCOMPARE(h.stored(QStringLiteral("SectionPreset1"), QStringLiteral("MapWidth")),
             QStringLiteral("9000"));
    QCOMPARE(h.stored(QStringLiteral("SectionPreset1"), QStringLiteral("TargetSize")),
             QStringLiteral("0"));
    QCOMPARE(w.presetButtons()->toolTip(1),
             QStringLiteral("KMLB - Melbourne, FL - Short Range Composite"));
    // Storing does not press the button.
    QCOMPARE(checkedCount(w), 0);
}

void TestPresetsWindow::recallRestoresTheStoredViewAndStaysPressed() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    w.zoomTo(3);
    w.Settings.BullsEyeX = 0.5f;
    h.boxes.answers = {MessageButton::Yes};
    w.ctrlPreset_MouseDown(0, Qt::RightButton);
    const float left = w.mapLeft();

    w.zoomTo(6);
    w.Settings.BullsEyeX = 0.25f;
    // A real press and release: the button must stay pressed after the release.
    QTest::mouseClick(w.presetButtons()->ctrlPreset(0), Qt::LeftButton);

    QCOMPARE(w.zoomValue(), 3);
    QCOMPARE(w.mapLeft(), left);
    QCOMPARE(w.mapWidth(), 9000.0f);
    QCOMPARE(w.Settings.BullsEyeX, 0.5f);
    QCOMPARE(w.Image2.UBound(), 9);
    QVERIFY(w.mapView()->isMapVisible());
    QVERIFY(w.presetButtons()->ctrlPreset(0)->isChecked());
    QCOMPARE(checkedCount(w), 1);
    QVERIFY(w.historySlider()->isEnabled());
    QVERIFY(!w.progressBar()->isVisible());
    QVERIFY(h.boxes.shown.size() == 1); // only the store question
}

void TestPresetsWindow::viewChangesReleaseThePressedButton() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    h.boxes.answers = {MessageButton::Yes};
    w.ctrlPreset_MouseDown(3, Qt::RightButton);

    w.ctrlPreset_MouseDown(3, Qt::LeftButton);
    QCOMPARE(checkedCount(w), 1);
    w.historySlider()->setValue(4);
    QCOMPARE(checkedCount(w), 1);
    w.action(QStringLiteral("mnuZoomIn"))->trigger();
    QCOMPARE(checkedCount(w), 0);

    w.ctrlPreset_MouseDown(3, Qt::LeftButton);
    w.zoomSlider()->setValue(w.zoomSlider()->value() - 1);
    QCOMPARE(checkedCount(w), 0);

    w.ctrlPreset_MouseDown(3, Qt::LeftButton);
    w.action(QStringLiteral("mnuBullseyeOn"))->trigger();
    QCOMPARE(checkedCount(w), 0);

    w.ctrlPreset_MouseDown(3, Qt::LeftButton);
    QVERIFY(w.isVisible());
    const QPoint from(w.mapView()->width() / 2, w.mapView()->height() / 3);
    QTest::mousePress(w.mapView(), Qt::LeftButton, {}, from);
    QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, from + QPoint(10, 5));
    QCOMPARE(checkedCount(w), 0);

    // A middle press does nothing at all.
    w.ctrlPreset_MouseDown(3, Qt::MiddleButton);
    QCOMPARE(checkedCount(w), 0);
}

void TestPresetsWindow::unknownStationGivesAnEmptyPlace() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.store.SaveSetting(h.appName, QStringLiteral("SectionPreset4"), QStringLiteral("BaseURL"),
                        QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kxyz/"));
    auto& w = h.load();
    QCOMPARE(w.presetButtons()->toolTip(4), QStringLiteral("KXYZ -  - Short Range Composite"));
    QCOMPARE(w.presetButtons()->toolTip(0),
             QStringLiteral("KMLB - Melbourne, FL - Short Range Composite"));
}

void TestPresetsWindow::numberOfPresetsDecidesTheVisibleButtons_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("visible");
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("2") << QStringLiteral("2") << 2;
    QTest::newRow("default") << QString() << 4;
    QTest::newRow("8") << QStringLiteral("8") << 8;
    QTest::newRow("9") << QStringLiteral("9") << 8;
}

void TestPresetsWindow::numberOfPresetsDecidesTheVisibleButtons() {
    QFETCH(QString, stored);
    QFETCH(int, visible);
    AppHarness h;
    QVERIFY(h.startServer());
    if (!stored.isNull())
        h.set(QStringLiteral("NumberOfPresets"), stored);
    auto& w = h.load();
    QCOMPARE(visibleCount(w), visible);
}

QTEST_MAIN(TestPresetsWindow)
#include "tst_presetswindow.moc"
