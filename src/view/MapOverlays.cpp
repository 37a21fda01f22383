#include "view/MapOverlays.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace pluvix::view {

namespace {

constexpr qreal margin = 6;
constexpr qreal padding = 4;
constexpr qreal gap = 4;
// Opaque, so that light text keeps its contrast over any echo, and few colours: a loop saved as
// GIF keeps every colour of the screen only while a frame has no more than 256.
const QColor plateColour(32, 32, 32);
const QColor textColour(Qt::white);
const QColor outlineColour(Qt::black);

QRectF placed(const QSizeF& size, const QRectF& area, Qt::Corner corner) {
    const bool left = corner == Qt::TopLeftCorner || corner == Qt::BottomLeftCorner;
    const bool top = corner == Qt::TopLeftCorner || corner == Qt::TopRightCorner;
    const qreal x = left ? area.left() + margin : area.right() - margin - size.width();
    const qreal y = top ? area.top() + margin : area.bottom() - margin - size.height();
    return {QPointF(x, y), size};
}

// Text whose outline keeps it legible whatever lies below the plate.
void drawOutlinedText(QPainter& painter, const QPointF& baseline, const QString& text) {
    QPainterPath path;
    path.addText(baseline, painter.font(), text);
    painter.save();
    // Unsmoothed for the same reason; the outline keeps the edges readable.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.strokePath(path, QPen(outlineColour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, textColour);
    painter.restore();
}

QPointF baselineCentredIn(const QRectF& box, const QFontMetricsF& metrics, qreal x) {
    return {x, box.center().y() + (metrics.ascent() - metrics.descent()) / 2};
}

} // namespace

ColourScaleLayout layoutColourScale(const QRectF& area, Qt::Corner corner, const ColourScale& scale,
                                    const QFontMetricsF& metrics) {
    ColourScaleLayout layout;
    const qsizetype count = scale.steps.size();
    if (count == 0)
        return layout;
    const qreal line = metrics.height();
    qreal labelWidth = 0;
    for (const ScaleStep& step : scale.steps)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(step.label));

    // One label per row when the area is tall enough; otherwise rows shrink and labels thin out.
    // Room is kept for the outer labels, which stand out of rows lower than a line.
    const qreal room = area.height() - 2 * margin - 2 * padding - 2 * line - gap;
    const qreal row = std::clamp(std::floor(room / qreal(count)), 2.0, line);
    const int stride = int(std::ceil(line / row - 1e-9));
    const qreal overhang = (line - row) / 2;
    const qreal swatchWidth = std::ceil(line);

    const qreal width = 2 * padding + std::max(swatchWidth + gap + labelWidth,
                                               metrics.horizontalAdvance(scale.unit));
    const qreal height = 2 * padding + line + gap + row * qreal(count) + 2 * overhang;
    layout.plate = placed({std::ceil(width), height}, area, corner);
    layout.unit = {layout.plate.left() + padding, layout.plate.top() + padding, width - 2 * padding,
                   line};
    const qreal bottom = layout.plate.bottom() - padding - overhang;
    for (qsizetype i = 0; i < count; ++i) {
        layout.swatches.append(
            {layout.plate.left() + padding, bottom - row * qreal(i + 1), swatchWidth, row});
        if (i % stride == 0)
            layout.labelled.append(int(i));
    }
    return layout;
}

QRectF paintColourScale(QPainter& painter, const QRectF& area, Qt::Corner corner,
                        const ColourScale& scale) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const ColourScaleLayout layout = layoutColourScale(area, corner, scale, metrics);
    if (layout.swatches.isEmpty())
        return {};
    painter.fillRect(layout.plate, plateColour);
    drawOutlinedText(painter, baselineCentredIn(layout.unit, metrics, layout.unit.left()),
                     scale.unit);
    for (qsizetype i = 0; i < layout.swatches.size(); ++i)
        painter.fillRect(layout.swatches[i], QColor::fromRgb(scale.steps[i].colour));
    for (const int i : layout.labelled) {
        const QRectF& swatch = layout.swatches[i];
        drawOutlinedText(painter, baselineCentredIn(swatch, metrics, swatch.right() + gap),
                         scale.steps[i].label);
    }
    return layout.plate;
}

QRectF paintAgeBadge(QPainter& painter, const QRectF& area, const QString& text) {
    if (text.isEmpty())
        return {};
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QSizeF size(std::ceil(metrics.horizontalAdvance(text) + 2 * padding),
                      std::ceil(metrics.height() + 2 * padding));
    const QRectF plate = placed(size, area, Qt::TopLeftCorner);
    painter.fillRect(plate, plateColour);
    drawOutlinedText(painter, baselineCentredIn(plate, metrics, plate.left() + padding), text);
    return plate;
}

} // namespace pluvix::view
