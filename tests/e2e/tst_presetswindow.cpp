// Preset buttons driven through the real main window against the bundled radar server.
#include "AppHarness.h"

#include "presets/PresetButtons.h"
#include "view/MapView.h"

#include <QAbstractButton>
#include <QAction>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

#include <functional>

using namespace pluvix;
using namespace Qt::StringLiterals;
using platform::MessageButton;
using testsupport::AppHarness;

namespace {

// The buttons pressed (with `checked`) or shown.
int countOf(app::MainWindow& w, bool checked) {
    int n = 0;
    for (int i = 0; i < 8; ++i) {
        QAbstractButton* b = w.statusPanel()->presetButtons()->button(i);
        n += (checked ? b->isChecked() : b->isVisibleTo(w.statusPanel()->presetButtons())) ? 1 : 0;
    }
    return n;
}

} // namespace

class TestPresetsWindow : public QObject {
    Q_OBJECT
private slots:
    // The model's store and recall are tested on their own; here the buttons follow them.
    void storedSlotIsRecalledByAClick() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        h.boxes.answers = {MessageButton::Yes};
        w.viewer().presetRecall().press(1, Qt::RightButton);
        QCOMPARE(w.statusPanel()->presetButtons()->toolTip(1),
                 u"KMLB - Melbourne, FL - Short Range Composite"_s);
        QCOMPARE(countOf(w, true), 0); // storing does not press the button
        const int zoom = w.viewer().mapState().zoom();
        w.action(u"mnuZoomNum_%1"_s.arg(zoom == 6 ? 5 : 6))->trigger();
        // A real press and release: the button must stay pressed after the release.
        QTest::mouseClick(w.statusPanel()->presetButtons()->button(1), Qt::LeftButton);
        QCOMPARE(w.viewer().mapState().zoom(), zoom);
        QCOMPARE(w.viewer().feed().history().UBound(), 9);
        QVERIFY(w.statusPanel()->presetButtons()->button(1)->isChecked());
        QVERIFY(w.statusPanel()->historySlider()->isEnabled() &&
                !w.statusPanel()->progressBar()->isVisible());
        QCOMPARE(h.boxes.shown.size(), 1); // only the store question
    }

    void viewChangesReleaseThePressedButton() {
        AppHarness h(AppHarness::Server);
        auto& w = h.load();
        h.boxes.answers = {MessageButton::Yes};
        w.viewer().presetRecall().press(3, Qt::RightButton);
        const QPoint from(w.mapView()->width() / 2, w.mapView()->height() / 3);
        const QList<std::function<void()>> changes = {
            [&] { w.action(u"mnuZoomIn"_s)->trigger(); },
            [&] {
                w.statusPanel()->zoomSlider()->setValue(w.statusPanel()->zoomSlider()->value() - 1);
            },
            [&] { w.action(u"mnuBullseyeOn"_s)->trigger(); },
            [&] {
                QTest::mousePress(w.mapView(), Qt::LeftButton, {}, from);
                QTest::mouseRelease(w.mapView(), Qt::LeftButton, {}, from + QPoint(10, 5));
            }};
        for (qsizetype i = 0; i < changes.size(); ++i) {
            w.viewer().presetRecall().press(3, Qt::LeftButton);
            w.statusPanel()->historySlider()->setValue(4); // looking back is no change of view
            QCOMPARE(countOf(w, true), 1);
            changes[i]();
            QVERIFY2(countOf(w, true) == 0, qPrintable(QString::number(i)));
        }
        w.viewer().presetRecall().press(3, Qt::MiddleButton); // does nothing at all
        QCOMPARE(countOf(w, true), 0);
    }

    void numberOfPresetsDecidesTheVisibleButtons_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("visible");
        QTest::newRow("0") << u"0"_s << 0;
        QTest::newRow("default") << QString() << 4;
        QTest::newRow("9") << u"9"_s << 8;
    }

    void numberOfPresetsDecidesTheVisibleButtons() {
        QFETCH(QString, stored);
        AppHarness h(AppHarness::Server);
        if (!stored.isNull())
            h.set(u"NumberOfPresets"_s, stored);
        QTEST(countOf(h.load(), false), "visible");
    }
};

QTEST_MAIN(TestPresetsWindow)
#include "tst_presetswindow.moc"
