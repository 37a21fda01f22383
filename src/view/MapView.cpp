#include "view/MapView.h"

#include "view/MapOverlays.h"
#include "view/NearestStretch.h"
#include "view/RingRaster.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScopeGuard>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pluvix::view {

namespace {

// A four-way arrow: the map moves wherever the pointer goes.
QCursor makeDragCursor() {
    QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    const QPointF c(15.5, 15.5);
    for (int quarter = 0; quarter < 4; ++quarter) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(90.0 * quarter);
        QPolygonF head;
        head << QPointF(0, -14) << QPointF(6, -8) << QPointF(2, -8) << QPointF(2, -2)
             << QPointF(-2, -2) << QPointF(-2, -8) << QPointF(-6, -8);
        arrow.addPolygon(t.map(head));
        arrow.closeSubpath();
    }
    arrow.addRect(QRectF(c.x() - 2.5, c.y() - 2.5, 5, 5));
    arrow = arrow.simplified();
    p.setPen(QPen(Qt::white, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(arrow);
    p.end();
    return QCursor(QPixmap::fromImage(icon), 15, 15);
}

bool finiteRect(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

// Text for accessibility tools only: the frame draws it, so the label itself paints nothing.
class UnpaintedText final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

MapView::MapView(QWidget* parent)
    : QWidget(parent), m_dragCursor(makeDragCursor()), m_image1(new QWidget(this)),
      m_badgeLabel(new UnpaintedText(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The keys of the map reach the window through the map when it has the focus.
    setFocusPolicy(Qt::StrongFocus);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_image1->setGeometry(0, 0, 0, 0);
    m_badgeLabel->setObjectName(QStringLiteral("AgeBadge"));
    m_badgeLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_badgeLabel->hide();
}

QString MapView::mapToolTip() {
    return QStringLiteral("Right-Click on Map for Menu");
}

QImage MapView::flattened(const QImage& picture) {
    if (picture.isNull() || !picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    QImage drawn(picture.size(), QImage::Format_RGB32);
    drawn.fill(backgroundColour());
    QPainter p(&drawn);
    p.drawImage(0, 0, picture);
    return drawn;
}

void MapView::setPicture(const QImage& picture) {
    m_picture = picture;
    m_drawn = flattened(picture);
    invalidate();
}

void MapView::setMapRect(const MapRect& rect) {
    if (rect == m_mapRect)
        return;
    m_mapRect = rect;
    invalidate();
}

void MapView::setMapVisible(bool visible) {
    m_image1->setVisible(visible);
    if (visible == m_mapVisible)
        return;
    m_mapVisible = visible;
    invalidate();
}

void MapView::setRings(const RingLayout& rings) {
    m_rings = rings;
    if (m_ringsVisible)
        invalidate();
}

void MapView::setRingsVisible(bool visible) {
    if (visible == m_ringsVisible)
        return;
    m_ringsVisible = visible;
    invalidate();
}

void MapView::setRingLabelPointSize(int pointSize) {
    if (pointSize == m_labelPointSize)
        return;
    m_labelPointSize = pointSize;
    if (m_ringsVisible)
        invalidate();
}

QFont MapView::labelFont(int pointSize) const {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(std::max(pointSize, 1));
    return font;
}

QSizeF MapView::ringLabelSizeTwips(const QString& caption, int pointSize) const {
    const QFontMetricsF metrics(labelFont(pointSize), this);
    return pxToTwips(
        QSizeF(std::ceil(metrics.horizontalAdvance(caption)), std::ceil(metrics.height())));
}

bool MapView::isOnMap(QPointF twips) const {
    if (!m_mapVisible)
        return false;
    const MapRect& r = m_mapRect;
    // Written so that a negative size contains nothing.
    return twips.x() >= r.Left && twips.x() - r.Left < r.Width && twips.y() >= r.Top &&
           twips.y() - r.Top < r.Height;
}

void MapView::beginDrag() {
    m_dragging = true;
    setCursor(m_dragCursor);
}

void MapView::endDrag() {
    m_dragging = false;
    unsetCursor();
}

bool MapView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (isOnMap(pxToTwips(QPointF(help->pos())))) {
            QToolTip::showText(help->globalPos(), mapToolTip(), this);
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    return QWidget::event(e);
}

void MapView::invalidate() {
    m_frameValid = false;
    update();
}

void MapView::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize deviceSize = (QSizeF(size()) * dpr).toSize();
    if (m_frame.size() != deviceSize || m_frame.devicePixelRatio() != dpr) {
        m_frame = QImage(deviceSize, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(dpr);
        m_frameValid = false;
    }
    if (!m_frameValid) {
        composeFrame();
        m_frameValid = true;
    }
    // The painter is clipped to what needs repainting.
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPointF(0, 0), m_frame);
}

void MapView::composeFrame() {
    if (m_frame.isNull())
        return;
    const qreal dpr = m_frame.devicePixelRatio();
    const auto toDevice = [dpr](const TwipsRect& r) {
        const QRectF logical = toPixels(r);
        return QRectF(logical.topLeft() * dpr, logical.size() * dpr);
    };
    const int width = m_frame.width();
    NearestStretcher picture(m_mapVisible ? m_drawn : QImage(), toDevice(m_mapRect),
                             m_frame.rect());
    const bool fullRows =
        !picture.isEmpty() && picture.firstColumn() == 0 && picture.lastColumn() == width - 1;

    std::vector<RingOutline> outlines;
    if (m_ringsVisible) {
        for (const Ring& ring : m_rings.rings) {
            const RingOutline outline(
                toDevice({ring.Left, ring.Top, ring.Diameter, ring.Diameter}));
            if (!outline.isEmpty())
                outlines.push_back(outline);
        }
    }

    // Row by row, so that the rings are inverted while the row is still in the cache. Inverting
    // keeps them visible on light and dark radar colours alike; each outline pixel is inverted
    // exactly once.
    const QRgb background = backgroundColour().rgb();
    QRect runs[2];
    for (int y = 0; y < m_frame.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_frame.scanLine(y));
        const bool pictureRow = y >= picture.firstRow() && y <= picture.lastRow();
        if (!pictureRow || !fullRows)
            std::fill(line, line + width, background);
        if (pictureRow)
            picture.writeRow(y, line);
        for (const RingOutline& outline : outlines) {
            const int n = outline.runsInRow(y, 0, width - 1, runs);
            for (int i = 0; i < n; ++i)
                for (int x = runs[i].left(); x <= runs[i].right(); ++x)
                    line[x] ^= 0x00FFFFFFu;
        }
    }

    if (m_ringsVisible) {
        QPainter p(&m_frame);
        paintRingLabels(p, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    paintOverlays();
}

// --- overlays ------------------------------------------------------------------------------------

void MapView::setOverlayArea(const QRectF& area) {
    if (area == m_overlayArea)
        return;
    m_overlayArea = area;
    renderColourScale();
    placeBadgeText();
    invalidate();
}

void MapView::setColourScale(const ColourScale& scale) {
    m_scale = scale;
    renderColourScale();
    if (m_scaleShown)
        invalidate();
}

void MapView::setColourScaleShown(bool shown) {
    if (shown == m_scaleShown)
        return;
    m_scaleShown = shown;
    renderColourScale();
    invalidate();
}

void MapView::setAgeBadge(const QString& text) {
    if (text == m_badgeText)
        return;
    m_badgeText = text;
    placeBadgeText();
    invalidate();
}

QRectF MapView::overlayArea() const {
    return m_overlayArea.isEmpty() ? QRectF(rect()) : m_overlayArea;
}

void MapView::renderColourScale() {
    if (!m_scaleShown) {
        m_scaleImage = QImage();
        m_scalePlate = {};
        return;
    }
    m_scalePlate = renderOverlay(m_scaleImage, [this](QPainter& p) {
        return paintColourScale(p, overlayArea(), Qt::BottomLeftCorner, m_scale);
    });
}

void MapView::placeBadgeText() {
    m_badgeLabel->setText(m_badgeText);
    m_badgeLabel->setAccessibleName(m_badgeText);
    const QRectF plate = renderOverlay(
        m_badgeImage, [this](QPainter& p) { return paintAgeBadge(p, overlayArea(), m_badgeText); });
    m_badgePlate = plate;
    m_badgeLabel->setGeometry(plate.toAlignedRect());
    m_badgeLabel->setVisible(!m_badgeText.isEmpty());
}

QRectF MapView::renderOverlay(QImage& cache, const std::function<QRectF(QPainter&)>& paint) const {
    const qreal dpr = m_frame.isNull() ? devicePixelRatioF() : m_frame.devicePixelRatio();
    // A first pass on a pixel finds the plate; the second draws it at the device's scale.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    probe.setDevicePixelRatio(dpr);
    QRectF plate;
    {
        QPainter p(&probe);
        p.setFont(font());
        plate = paint(p);
    }
    const QRect aligned = plate.toAlignedRect();
    if (aligned.isEmpty()) {
        cache = QImage();
        return {};
    }
    cache = QImage((QSizeF(aligned.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    cache.setDevicePixelRatio(dpr);
    cache.fill(Qt::transparent);
    QPainter p(&cache);
    p.setFont(font());
    p.translate(-aligned.topLeft());
    paint(p);
    return plate;
}

void MapView::paintOverlays() {
    // They describe the picture: none over an empty view.
    if (!m_mapVisible || (m_scaleImage.isNull() && m_badgeImage.isNull()))
        return;
    // Drawn for another screen's scale: drawn again for this one.
    const qreal dpr = m_frame.devicePixelRatio();
    if (!m_scaleImage.isNull() && m_scaleImage.devicePixelRatio() != dpr)
        renderColourScale();
    if (!m_badgeImage.isNull() && m_badgeImage.devicePixelRatio() != dpr)
        placeBadgeText();
    QPainter p(&m_frame);
    if (!m_scaleImage.isNull())
        p.drawImage(m_scalePlate.toAlignedRect().topLeft(), m_scaleImage);
    if (!m_badgeImage.isNull())
        p.drawImage(m_badgePlate.toAlignedRect().topLeft(), m_badgeImage);
}

QImage MapView::composedImage(const QImage& picture, const QRect& area) {
    // Through the screen's own composition, so that an export shows all the screen shows; the
    // screen's picture and frame are put back untouched, and nothing is repainted.
    const qreal dpr = devicePixelRatioF();
    QImage frame((QSizeF(size()) * dpr).toSize(), QImage::Format_RGB32);
    frame.setDevicePixelRatio(dpr);
    QImage shown = std::exchange(m_picture, picture);
    QImage drawn = std::exchange(m_drawn, flattened(picture));
    std::swap(frame, m_frame);
    const auto restore = qScopeGuard([&] {
        std::swap(frame, m_frame);
        m_drawn = std::move(drawn);
        m_picture = std::move(shown);
    });
    composeFrame();
    const QRect device = QRectF(QPointF(area.topLeft()) * dpr, QSizeF(area.size()) * dpr).toRect();
    QImage composed = m_frame.copy(device.intersected(m_frame.rect()));
    composed.setDevicePixelRatio(1.0);
    return composed;
}

void MapView::paintRingLabels(QPainter& p, const QRectF& area) {
    p.setFont(labelFont(m_labelPointSize));
    p.setPen(QColor(255, 255, 0));
    for (const Ring& ring : m_rings.rings) {
        const QRectF box =
            toPixels({ring.LabelLeft, ring.LabelTop, ring.LabelWidth, ring.LabelHeight});
        if (!finiteRect(box) || !box.intersects(area))
            continue;
        p.drawText(box, Qt::AlignCenter | Qt::TextDontClip, ring.caption);
    }
}

void MapView::mousePressEvent(QMouseEvent* e) {
    const QPointF at = pxToTwips(e->position());
    if (isOnMap(at)) {
        emit mapMouseDown(e->button(), at - QPointF(m_mapRect.Left, m_mapRect.Top));
    } else {
        emit backgroundMouseDown(e->button(), at);
    }
}

void MapView::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF at = pxToTwips(e->position());
    if (m_dragging) {
        endDrag();
        // A release outside the window drops nowhere.
        if (rect().contains(e->position().toPoint()))
            emit dragDropped(at);
        else
            emit dragAbandoned();
    }
    emit mouseReleased(e->button(), at);
}

void MapView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (isOnMap(pxToTwips(e->position())))
        emit mapDoubleClicked();
}

void MapView::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragging)
        emit dragMoved(pxToTwips(e->position()));
}

void MapView::wheelEvent(QWheelEvent* e) {
    emit wheelTurned(e->angleDelta().y(), pxToTwips(e->position()));
}

} // namespace pluvix::view
