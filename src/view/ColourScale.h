#pragma once

#include <QList>
#include <QRgb>
#include <QString>

namespace pluvix::view {

// One colour of a product's picture and the lowest value it stands for.
struct ScaleStep {
    QRgb colour;
    QString label; // "35", ".75"
};

struct ColourScale {
    QString unit;           // "dBZ", "in"
    QList<ScaleStep> steps; // lowest value first
};

// The colours the radar pictures use for the product, with the value each begins at: dBZ for
// reflectivity, inches for the precipitation products. Empty steps for an unknown product.
ColourScale colourScaleFor(const QString& productCode);

} // namespace pluvix::view
