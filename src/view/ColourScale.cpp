#include "view/ColourScale.h"

#include "acquisition/Catalogue.h"
#include "view/EchoScales.h"

namespace pluvix::view {

namespace {

ColourScale precipitationScale(const std::array<echo::Threshold, echo::stepCount>& thresholds) {
    ColourScale scale{QStringLiteral("in"), {}};
    for (std::size_t i = 0; i < echo::stepCount; ++i)
        scale.steps.append(
            {echo::precipitationColours[i] | 0xff000000U, QLatin1String(thresholds[i].label)});
    return scale;
}

} // namespace

ColourScale colourScaleFor(const QString& productCode) {
    const int slot = acquisition::productSlotForCode(productCode);
    if (slot < 0)
        return {};
    // The two precipitation products by their caption; every other offered one is reflectivity.
    const QString& label = acquisition::productSlot(slot).shortLabel;
    if (label == QLatin1String("1HR"))
        return precipitationScale(echo::oneHourInches);
    if (label == QLatin1String("TOT"))
        return precipitationScale(echo::stormTotalInches);
    ColourScale scale{QStringLiteral("dBZ"), {}};
    for (std::size_t i = 0; i < echo::stepCount; ++i)
        scale.steps.append({echo::reflectivityColours[i] | 0xff000000U,
                            QString::number(echo::reflectivityStepDbz * int(i + 1))});
    return scale;
}

} // namespace pluvix::view
