#include "view/ClockWidget.h"

#include "view/MapGeometry.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace pluvix::view {

namespace {

constexpr int sidePx = int(clockSide / twipsPerPixel);

} // namespace

ClockWidget::ClockWidget(QWidget* parent)
    : QWidget(parent), m_centre(clockSide / 2.0f), m_face(faceBitmap()) {
    setObjectName(QStringLiteral("ClockPic"));
    setFixedSize(sidePx, sidePx);
    setToolTip(QStringLiteral("Local Time of RADAR Image"));
    // Until the first picture time arrives both hands rest at the centre.
    m_hands.hour = handCentre();
    m_hands.minute = handCentre();
}

QImage ClockWidget::faceBitmap() {
    QImage face(88, 84, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);

    // Drawn to the bitmap's own proportions so that it is round once scaled into the clock.
    const QRectF dial(2.0, 2.0, 84.0, 80.0);
    QRadialGradient shade(dial.center() - QPointF(12, 12), 60.0);
    shade.setColorAt(0.0, QColor(252, 252, 246));
    shade.setColorAt(1.0, QColor(206, 208, 202));
    p.setPen(QPen(QColor(96, 96, 96), 3.0));
    p.setBrush(shade);
    p.drawEllipse(dial);

    const QPointF c = dial.center();
    const double rx = dial.width() / 2.0;
    const double ry = dial.height() / 2.0;
    for (int tick = 0; tick < 12; ++tick) {
        const double angle = tick * std::numbers::pi / 6.0;
        const bool quarter = tick % 3 == 0;
        const double inner = quarter ? 0.68 : 0.78;
        const double outer = 0.9;
        const QPointF dir(std::sin(angle), -std::cos(angle));
        p.setPen(QPen(QColor(48, 48, 48), quarter ? 5.0 : 3.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(c.x() + dir.x() * rx * inner, c.y() + dir.y() * ry * inner),
                   QPointF(c.x() + dir.x() * rx * outer, c.y() + dir.y() * ry * outer));
    }
    return face;
}

void ClockWidget::setHands(float hour, int minute) {
    m_hands = clockHands(hour, minute, m_centre);
    update();
}

void ClockWidget::setHandColour(const QColor& colour) {
    if (colour == m_handColour)
        return;
    m_handColour = colour;
    update();
}

void ClockWidget::setFaceBitmapShown(bool shown) {
    if (shown == m_faceBitmapShown)
        return;
    m_faceBitmapShown = shown;
    update();
}

void ClockWidget::setFaceOpaque(bool opaque) {
    if (opaque == m_faceOpaque)
        return;
    m_faceOpaque = opaque;
    update();
}

void ClockWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_faceBitmapShown) {
        p.fillRect(rect(), palette().color(QPalette::Window));
        p.drawImage(QRectF(rect()), m_face);
    } else {
        p.fillRect(rect(), palette().color(QPalette::WindowText));
    }

    p.setPen(QPen(QColor(128, 128, 128), 1.0));
    p.setBrush(m_faceOpaque ? QBrush(busyFaceColour()) : QBrush(Qt::NoBrush));
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    const QPointF centre = handCentre() / twipsPerPixel;
    // Two pixels wide: the centre lies between pixels, where a thinner line would blur.
    p.setPen(QPen(m_handColour, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, m_hands.hour / twipsPerPixel);
    p.drawLine(centre, m_hands.minute / twipsPerPixel);
}

void ClockWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit leftPressed();
}

void ClockWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace pluvix::view
