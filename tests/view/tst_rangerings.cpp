#include "view/RangeRings.h"

#include "core/RuntimeError.h"

#include <QtTest>

#include <functional>
#include <optional>

using namespace pluvix;
using namespace pluvix::view;

namespace {

// Labels here are as wide as 100 twips per character and 195 twips high.
QSizeF fakeLabelSize(const QString& caption) {
    return {100.0 * caption.size(), 195.0};
}

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const core::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

RingInputs shortRange(int zoom) {
    RingInputs in;
    in.map = {-7500, -9000, 3000.0f * float(zoom), 3000.0f * float(zoom)};
    in.zoom = zoom;
    in.BullsEyeGraduations = 10;
    in.BullsEyeX = 0.5f;
    in.BullsEyeY = 0.5f;
    in.MapTypeShort = QStringLiteral("p37cr");
    in.MapScaleShortRangeConstant = 0.721f;
    in.MapScaleLongRangeConstant = 0.319f;
    return in;
}

QPointF ringCentre(const Ring& r) {
    return {r.Left + r.Diameter / 2.0, r.Top + r.Diameter / 2.0};
}

} // namespace

class TestRangeRings : public QObject {
    Q_OBJECT

private slots:
    void diametersAndLabels();
    void scaleConstants_data();
    void scaleConstants();
    void unknownProductPutsEverythingAtCentre();
    void centringThenZoomingKeepsBullseyeInMiddle();
    void badValuesAreErrors();
    void visibilityDecision_data();
    void visibilityDecision();
};

void TestRangeRings::diametersAndLabels() {
    const RingInputs in = shortRange(1);
    const RingLayout layout = ringLayout(in, fakeLabelSize);
    const Ring& first = layout.rings[0];
    QVERIFY(qAbs(first.Diameter - 192.27f) < 0.005f);
    QVERIFY(qAbs(layout.rings[10].Diameter / first.Diameter - 11.0f) < 1e-5f);

    const QPointF centre(-7500 + 1500, -9000 + 1500);
    for (int i = 0; i < ringCount; ++i) {
        const Ring& r = layout.rings[std::size_t(i)];
        QCOMPARE(r.caption, QString::number(10 * (i + 1)));
        QVERIFY(qAbs(ringCentre(r).x() - centre.x()) < 0.01);
        QVERIFY(qAbs(ringCentre(r).y() - centre.y()) < 0.01);
        QCOMPARE(r.LabelWidth, 100.0f * float(r.caption.size()));
        QCOMPARE(r.LabelHeight, 195.0f);
        QVERIFY(qAbs(r.LabelLeft + r.LabelWidth / 2 - centre.x()) < 0.01);
        QCOMPARE(r.LabelTop, r.Top);
    }

    // A mile grows with the zoom and the spacing: zoom 3, 25 miles apart.
    RingInputs bigger = shortRange(3);
    bigger.BullsEyeGraduations = 25;
    const RingLayout scaled = ringLayout(bigger, fakeLabelSize);
    QVERIFY(qAbs(scaled.rings[0].Diameter / first.Diameter - 7.5f) < 1e-5f);
    QCOMPARE(scaled.rings[10].caption, QStringLiteral("275"));
}

void TestRangeRings::scaleConstants_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<float>("expected");
    for (const char* code : {"p19r0", "p37cr", "78ohp", "80stp"})
        QTest::newRow(code) << QString::fromLatin1(code) << 0.5f;
    for (const char* code : {"p20-r", "p38cr"})
        QTest::newRow(code) << QString::fromLatin1(code) << 0.25f;
    QTest::newRow("satellite") << QStringLiteral("sat01") << 0.0f;
    QTest::newRow("empty") << QString() << 0.0f;
    QTest::newRow("code with a blank") << QStringLiteral(" p37cr") << 0.0f;
}

void TestRangeRings::scaleConstants() {
    QFETCH(QString, code);
    QFETCH(float, expected);
    QCOMPARE(scaleConstantForProduct(code, 0.5f, 0.25f), expected);
}

void TestRangeRings::unknownProductPutsEverythingAtCentre() {
    RingInputs in = shortRange(8);
    in.MapTypeShort = QStringLiteral("xxxxx");
    in.BullsEyeX = 0.25f;
    in.BullsEyeY = 0.75f;
    const RingLayout layout = ringLayout(in, fakeLabelSize);
    const float cx = -7500.0f + 24000.0f * 0.25f;
    const float cy = -9000.0f + 24000.0f * 0.75f;
    for (int i = 0; i < ringCount; ++i) {
        const Ring& r = layout.rings[std::size_t(i)];
        QCOMPARE(r.Diameter, 0.0f);
        QCOMPARE(r.Left, cx);
        QCOMPARE(r.Top, cy);
        QCOMPARE(r.caption, QString::number(10 * (i + 1)));
        QCOMPARE(r.LabelLeft, cx - r.LabelWidth / 2);
        QCOMPARE(r.LabelTop, cy);
    }
}

void TestRangeRings::centringThenZoomingKeepsBullseyeInMiddle() {
    const ClientArea client{12000.0f, 8415.0f, 615.0f};
    const QPointF middle(6000.0, 3900.0);
    MapRect map{-7295, -7550, 24800, 24800};
    const CenteredBullseye centred = centerBullseye(17123.0f, 5411.0f, client, map);
    map = centred.map;

    RingInputs in = shortRange(8);
    in.BullsEyeX = centred.BullsEyeX;
    in.BullsEyeY = centred.BullsEyeY;
    for (int z : {8, 9, 12, 1, 4}) {
        map = zoomedMapRect(z, client, map);
        in.map = map;
        in.zoom = z;
        const RingLayout layout = ringLayout(in, fakeLabelSize);
        for (const Ring& r : layout.rings) {
            QVERIFY2(qAbs(ringCentre(r).x() - middle.x()) < 0.5, qPrintable(QString::number(z)));
            QVERIFY2(qAbs(ringCentre(r).y() - middle.y()) < 0.5, qPrintable(QString::number(z)));
        }
    }
}

void TestRangeRings::badValuesAreErrors() {
    RingInputs farOff = shortRange(12);
    farOff.BullsEyeX = 1.0e37f;
    QCOMPARE(errorNumber([&] { ringLayout(farOff, fakeLabelSize); }), 6);

    RingInputs negative = shortRange(2);
    negative.BullsEyeGraduations = -10;
    QCOMPARE(errorNumber([&] { ringLayout(negative, fakeLabelSize); }), 380);

    // The default centre, a thousand map widths away, is legal: just out of sight.
    RingInputs distant = shortRange(8);
    distant.BullsEyeX = 1000.0f;
    distant.BullsEyeY = 1000.0f;
    QCOMPARE(errorNumber([&] { ringLayout(distant, fakeLabelSize); }), 0);

    // The largest spacing a 16-bit setting holds still gives proper captions.
    RingInputs wide = shortRange(1);
    wide.BullsEyeGraduations = 32767;
    QCOMPARE(ringLayout(wide, fakeLabelSize).rings[10].caption, QStringLiteral("360437"));
}

void TestRangeRings::visibilityDecision_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("panelBusy");
    QTest::addColumn<int>("showBullseye");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<int>("visible"); // -1 leaves visibility alone
    QTest::addColumn<bool>("style");

    QTest::newRow("apply, shown") << 0 << false << 1 << false << 1 << true;
    QTest::newRow("apply, hidden") << 0 << false << 0 << false << 0 << true;
    QTest::newRow("apply, any non-zero shows") << 0 << false << -1 << false << 1 << true;
    QTest::newRow("apply during preset") << 0 << true << 1 << true << -1 << false;
    QTest::newRow("hide all") << 1 << false << 1 << false << 0 << false;
    QTest::newRow("hide all during preset") << 1 << true << 1 << false << 0 << false;
    QTest::newRow("show all") << 2 << false << 0 << false << 1 << false;
    QTest::newRow("show all during preset") << 2 << true << 0 << true << -1 << false;
    QTest::newRow("always apply, busy") << 3 << true << 0 << false << 0 << true;
    QTest::newRow("always apply, shown") << 3 << true << 1 << false << 1 << true;
    QTest::newRow("other") << 4 << false << 1 << false << -1 << false;
    QTest::newRow("negative") << -1 << true << 1 << false << -1 << false;
}

void TestRangeRings::visibilityDecision() {
    QFETCH(int, action);
    QFETCH(bool, panelBusy);
    QFETCH(int, showBullseye);
    QFETCH(bool, ignored);
    QFETCH(int, visible);
    QFETCH(bool, style);
    const BullseyeLabelsDecision d =
        hideShowBullseyeLabelsDecision(qint16(action), panelBusy, qint16(showBullseye));
    QCOMPARE(d.ignored, ignored);
    QCOMPARE(d.visible, visible < 0 ? std::nullopt : std::optional<bool>(visible == 1));
    QCOMPARE(d.applyStyle, style);
}

QTEST_APPLESS_MAIN(TestRangeRings)
#include "tst_rangerings.moc"
