#pragma once

#include "view/MapGeometry.h"

#include <QSizeF>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>

namespace pluvix::view {

inline constexpr int ringCount = 11;

// One range ring with its label, in twips of the client area.
struct Ring {
    float Left = 0.0f;
    float Top = 0.0f;
    float Diameter = 0.0f;
    QString caption;
    float LabelLeft = 0.0f;
    float LabelTop = 0.0f;
    float LabelWidth = 0.0f;
    float LabelHeight = 0.0f;
};

struct RingLayout {
    std::array<Ring, ringCount> rings;
};

// Scale constant of a product: short-range products use the short constant, long-range ones the
// long constant, anything else gives 0.
float scaleConstantForProduct(const QString& productCode, float shortRangeConstant,
                              float longRangeConstant);

struct RingInputs {
    MapRect map;
    int zoom = 1;                    // zoom slider value
    qint16 BullsEyeGraduations = 10; // miles between rings
    float BullsEyeX = 0.5f;          // fraction of the map's width
    float BullsEyeY = 0.5f;
    QString MapTypeShort;
    float MapScaleShortRangeConstant = 0.721f;
    float MapScaleLongRangeConstant = 0.319f;
};

// Labels size themselves to their caption; the callback gives that size in twips.
using LabelSizer = std::function<QSizeF(const QString& caption)>;

// The eleven rings around the bullseye and their labels (centred above each ring's top).
// Throws RuntimeError::overflow() when the centre or a diameter leaves single range and
// RuntimeError::invalidPropertyValue() for a negative diameter.
RingLayout ringLayout(const RingInputs& in, const LabelSizer& labelSize);

// What one call of the ring visibility routine does.
struct BullseyeLabelsDecision {
    bool ignored = false;        // returned at once: no change and no yield to the event loop
    std::optional<bool> visible; // set every ring and label to this; empty leaves them
    bool applyStyle = false;     // set invert draw mode and the label font size
};

// What is asked of the rings and their labels. Refresh and Show wait while a preset is being
// applied (the panel is busy); Hide and Apply act always.
enum class RingLabels { Refresh, Hide, Show, Apply };

BullseyeLabelsDecision ringLabelsDecision(RingLabels request, bool panelBusy, qint16 showBullseye);

} // namespace pluvix::view
