#include "view/MapView.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolTip>

#include <algorithm>
#include <cmath>

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

// Only a ring whose outline passes through the area needs drawing; far-off rings around a
// distant bullseye would otherwise cost time for nothing.
bool outlineCrosses(const QRectF& box, const QRectF& area) {
    if (!box.intersects(area))
        return false;
    const QPointF c = box.center();
    const double r = box.width() / 2.0;
    const double nearX = std::max({area.left() - c.x(), 0.0, c.x() - area.right()});
    const double nearY = std::max({area.top() - c.y(), 0.0, c.y() - area.bottom()});
    const double farX = std::max(std::abs(c.x() - area.left()), std::abs(c.x() - area.right()));
    const double farY = std::max(std::abs(c.y() - area.top()), std::abs(c.y() - area.bottom()));
    return std::hypot(nearX, nearY) <= r + 1.0 && std::hypot(farX, farY) >= r - 1.0;
}

bool finiteRect(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

} // namespace

MapView::MapView(QWidget* parent)
    : QWidget(parent), m_dragCursor(makeDragCursor()), m_image1(new QWidget(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_image1->setGeometry(0, 0, 0, 0);
}

QString MapView::mapToolTip() {
    return QStringLiteral("Right-Click on Map for Menu");
}

void MapView::setPicture(const QImage& picture) {
    m_picture = picture;
    if (picture.isNull()) {
        m_drawn = QImage();
    } else if (picture.hasAlphaChannel()) {
        m_drawn = QImage(picture.size(), QImage::Format_RGB32);
        m_drawn.fill(backgroundColour());
        QPainter p(&m_drawn);
        p.drawImage(0, 0, picture);
    } else {
        m_drawn = picture.convertToFormat(QImage::Format_RGB32);
    }
    update();
}

void MapView::setMapRect(const MapRect& rect) {
    if (rect == m_mapRect)
        return;
    m_mapRect = rect;
    update();
}

void MapView::setMapVisible(bool visible) {
    m_image1->setVisible(visible);
    if (visible == m_mapVisible)
        return;
    m_mapVisible = visible;
    update();
}

void MapView::setRings(const RingLayout& rings) {
    m_rings = rings;
    if (m_ringsVisible)
        update();
}

void MapView::setRingsVisible(bool visible) {
    if (visible == m_ringsVisible)
        return;
    m_ringsVisible = visible;
    update();
}

void MapView::setRingLabelPointSize(int pointSize) {
    if (pointSize == m_labelPointSize)
        return;
    m_labelPointSize = pointSize;
    if (m_ringsVisible)
        update();
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

void MapView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QRectF exposed = QRectF(e->rect()) & QRectF(rect());
    const bool picture = m_mapVisible && !m_drawn.isNull();
    if (!picture || !toPixels(m_mapRect).contains(exposed))
        p.fillRect(e->rect(), backgroundColour());
    if (picture)
        paintPicture(p, exposed);
    if (m_ringsVisible)
        paintRings(p, exposed);
}

void MapView::paintPicture(QPainter& p, const QRectF& exposed) {
    const QRectF target = toPixels(m_mapRect);
    if (!finiteRect(target) || target.width() <= 0.0 || target.height() <= 0.0)
        return;
    const QRectF visible = target & exposed;
    if (visible.isEmpty())
        return;
    // Only the visible part is scaled; the source rectangle follows the same linear mapping.
    const double sx = m_drawn.width() / target.width();
    const double sy = m_drawn.height() / target.height();
    const QRectF source((visible.left() - target.left()) * sx, (visible.top() - target.top()) * sy,
                        visible.width() * sx, visible.height() * sy);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(visible, m_drawn, source);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void MapView::paintRings(QPainter& p, const QRectF& exposed) {
    p.save();
    // Inverting outlines stay visible on light and dark radar colours alike. Aliased, so that no
    // pixel is inverted twice and cancelled out.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 0));
    p.setBrush(Qt::NoBrush);
    for (const Ring& ring : m_rings.rings) {
        const QRectF box = toPixels({ring.Left, ring.Top, ring.Diameter, ring.Diameter});
        if (!finiteRect(box) || box.width() < 1.0 || !outlineCrosses(box, exposed))
            continue;
        p.drawEllipse(box.adjusted(0.0, 0.0, -1.0, -1.0));
    }
    p.restore();

    p.setFont(labelFont(m_labelPointSize));
    p.setPen(QColor(255, 255, 0));
    for (const Ring& ring : m_rings.rings) {
        const QRectF box =
            toPixels({ring.LabelLeft, ring.LabelTop, ring.LabelWidth, ring.LabelHeight});
        if (!finiteRect(box) || !box.intersects(exposed))
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
        emit dragDropped(at);
    }
    emit mouseReleased(e->button(), at);
}

void MapView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (isOnMap(pxToTwips(e->position())))
        emit mapDoubleClicked();
}

} // namespace pluvix::view
