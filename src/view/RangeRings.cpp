#include "view/RangeRings.h"

#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <cmath>

namespace pluvix::view {

float scaleConstantForProduct(const QString& productCode, float shortRangeConstant,
                              float longRangeConstant) {
    if (productCode == u"p19r0" || productCode == u"p37cr" || productCode == u"78ohp" ||
        productCode == u"80stp")
        return shortRangeConstant;
    if (productCode == u"p20-r" || productCode == u"p38cr")
        return longRangeConstant;
    return 0.0f;
}

namespace {

float finiteOrOverflow(float value) {
    if (!std::isfinite(value))
        throw core::RuntimeError::overflow();
    return value;
}

} // namespace

RingLayout ringLayout(const RingInputs& in, const LabelSizer& labelSize) {
    const float s = scaleConstantForProduct(in.MapTypeShort, in.MapScaleShortRangeConstant,
                                            in.MapScaleLongRangeConstant);
    const float cx = finiteOrOverflow(in.map.Left + finiteOrOverflow(in.map.Width * in.BullsEyeX));
    const float cy = finiteOrOverflow(in.map.Top + finiteOrOverflow(in.map.Height * in.BullsEyeY));
    const double milesFactor = double(in.BullsEyeGraduations) / 30.0 * double(in.zoom);

    RingLayout layout;
    for (int i = 0; i < ringCount; ++i) {
        Ring& ring = layout.rings[std::size_t(i)];
        const float base = finiteOrOverflow(float((i + 1) * 800) * s);
        const double diameter = double(base) * milesFactor;
        if (diameter < 0.0)
            throw core::RuntimeError::invalidPropertyValue();
        ring.Diameter = core::toSingle(diameter);
        ring.Left = core::toSingle(double(cx) - diameter / 2.0);
        ring.Top = core::toSingle(double(cy) - diameter / 2.0);

        // 32-bit so that a large spacing still gives its caption.
        ring.caption = QString::number(qint32(i + 1) * qint32(in.BullsEyeGraduations));
        const QSizeF size = labelSize ? labelSize(ring.caption) : QSizeF();
        ring.LabelWidth = float(size.width());
        ring.LabelHeight = float(size.height());
        ring.LabelLeft =
            finiteOrOverflow(ring.Left + ring.Diameter / 2.0f - ring.LabelWidth / 2.0f);
        ring.LabelTop = ring.Top;
    }
    return layout;
}

BullseyeLabelsDecision ringLabelsDecision(RingLabels request, bool panelBusy, qint16 showBullseye) {
    BullseyeLabelsDecision decision;
    switch (request) {
    case RingLabels::Refresh:
    case RingLabels::Show:
        if (panelBusy) {
            decision.ignored = true;
            break;
        }
        decision.applyStyle = request == RingLabels::Refresh;
        decision.visible = request == RingLabels::Show || showBullseye != 0;
        break;
    case RingLabels::Apply:
        decision.applyStyle = true;
        decision.visible = showBullseye != 0;
        break;
    case RingLabels::Hide:
        decision.visible = false;
        break;
    }
    return decision;
}

} // namespace pluvix::view
