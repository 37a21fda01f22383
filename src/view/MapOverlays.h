#pragma once

#include "view/ColourScale.h"

#include <QList>
#include <QRect>
#include <QString>

class QFontMetricsF;
class QPainter;

namespace pluvix::view {

// Where the legend's parts go inside the map area. Swatch i belongs to step i; higher values
// sit higher up. Only the steps in `labelled` carry their value, so that labels never overlap.
struct ColourScaleLayout {
    QRectF plate;
    QRectF unit;
    QList<QRectF> swatches;
    QList<int> labelled;
};

ColourScaleLayout layoutColourScale(const QRectF& area, Qt::Corner corner, const ColourScale& scale,
                                    const QFontMetricsF& metrics);

// Paints the legend in the given corner of `area` with the painter's font; nothing for a scale
// without steps. Returns the plate.
QRectF paintColourScale(QPainter& painter, const QRectF& area, Qt::Corner corner,
                        const ColourScale& scale);

// Paints the age badge in the top-left corner of `area`: light text with a dark outline on a
// dark plate, readable on every echo colour and on the map. Nothing for an empty
// text. Returns the plate.
QRectF paintAgeBadge(QPainter& painter, const QRectF& area, const QString& text);

} // namespace pluvix::view
