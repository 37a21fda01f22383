#pragma once

#include "view/ColourScale.h"
#include "view/MapGeometry.h"
#include "view/RangeRings.h"

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QWidget>

#include <functional>

class QLabel;

namespace pluvix::view {

// The map area: fills the main window's client area beneath the status panel and the clock.
// Paints the current picture stretched into the map rectangle (nearest neighbour, so radar
// colours stay exact), the range rings inverting what lies beneath and their labels. It keeps no
// rules of its own: the window sets what to show and reacts to the signals. All positions are in
// twips of this widget, which are the client area's when it sits at the client origin.
//
// A zero-size child named "Image1" stands for the map picture: it is hidden exactly when the map
// is, so a test can find it by name.
class MapView : public QWidget {
    Q_OBJECT

public:
    explicit MapView(QWidget* parent = nullptr);

    // Kept as given; flattened onto the background for drawing.
    void setPicture(const QImage& picture);
    QImage picture() const { return m_picture; }
    // The view as composed on screen with `picture` in place of the shown one, cut to `area`
    // (pixels of this view), in device pixels; what is on screen stays as it is.
    QImage composedImage(const QImage& picture, const QRect& area);

    void setMapRect(const MapRect& rect);
    MapRect mapRect() const { return m_mapRect; }

    void setMapVisible(bool visible);
    bool isMapVisible() const { return m_mapVisible; }

    void setRings(const RingLayout& rings);
    const RingLayout& rings() const { return m_rings; }

    // Rings and their labels are shown and hidden together.
    void setRingsVisible(bool visible);
    bool ringsVisible() const { return m_ringsVisible; }

    void setRingLabelPointSize(int pointSize);
    int ringLabelPointSize() const { return m_labelPointSize; }

    // The size a ring label takes for its caption at the given font size, in twips.
    QSizeF ringLabelSizeTwips(const QString& caption, int pointSize) const;

    // Whether a point (twips of this widget) lies on the shown map.
    bool isOnMap(QPointF twips) const;

    // The window begins a drag on a mouse down; any mouse release ends it.
    void beginDrag();
    bool isDragging() const { return m_dragging; }

    // Overlays stay in the corners of `area` (pixels of this widget: the part of the map not
    // covered by the panel or labels) whatever the zoom and pan: the colour scale bottom left,
    // the picture's age top left. The badge's text is also a child that accessibility tools read.
    void setOverlayArea(const QRectF& area);
    void setColourScale(const ColourScale& scale);
    void setColourScaleShown(bool shown);
    bool colourScaleShown() const { return m_scaleShown; }
    void setAgeBadge(const QString& text);
    QString ageBadge() const { return m_badgeText; }
    // Where the overlays were last drawn, pixels; empty when not drawn.
    QRectF colourScalePlate() const { return m_scalePlate; }
    QRectF ageBadgePlate() const { return m_badgePlate; }

    static QColor backgroundColour() { return {24, 24, 24}; }
    static QString mapToolTip();

signals:
    void mapMouseDown(Qt::MouseButton button, QPointF relativeToMapTwips);
    void backgroundMouseDown(Qt::MouseButton button, QPointF twips);
    // Emitted for every release; a release inside the view that ends a drag emits dragDropped
    // first.
    void mouseReleased(Qt::MouseButton button, QPointF twips);
    void dragDropped(QPointF twips);
    // While a drag lasts: where the mouse is now; a release outside the window abandons it.
    void dragMoved(QPointF twips);
    void dragAbandoned();
    // Wheel turns in eighths of a degree (120 a notch), up is positive.
    void wheelTurned(int angleDelta, QPointF twips);
    void mapDoubleClicked();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // Drawn over the background where the picture is transparent, 32-bit.
    static QImage flattened(const QImage& picture);
    QFont labelFont(int pointSize) const;
    void invalidate();
    void composeFrame();
    void paintRingLabels(QPainter& p, const QRectF& area);
    void paintOverlays();
    QRectF overlayArea() const;
    // Draws one overlay into `cache` at the frame's scale; returns its plate in this widget.
    QRectF renderOverlay(QImage& cache, const std::function<QRectF(QPainter&)>& paint) const;
    void renderColourScale();
    void placeBadgeText();
    void endDrag();

    QImage m_picture;
    QImage m_drawn; // flattened onto the background, 32-bit
    QImage m_frame; // what is on screen, in device pixels; recomposed only after a change
    bool m_frameValid = false;
    MapRect m_mapRect;
    bool m_mapVisible = true;
    RingLayout m_rings;
    bool m_ringsVisible = false;
    int m_labelPointSize = 8;
    bool m_dragging = false;
    QCursor m_dragCursor;
    QWidget* m_image1 = nullptr;
    // Overlays are drawn once into these and only copied onto each frame.
    QRectF m_overlayArea;
    ColourScale m_scale;
    bool m_scaleShown = true;
    QImage m_scaleImage;
    QRectF m_scalePlate;
    QString m_badgeText;
    QImage m_badgeImage;
    QRectF m_badgePlate;
    QLabel* m_badgeLabel = nullptr;
};

} // namespace pluvix::view
