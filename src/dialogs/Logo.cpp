#include "dialogs/Logo.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace pluvix::dialogs {

namespace {

struct Echo {
    qreal angleDeg; // counter-clockwise from east
    qreal radius;   // fraction of the scope radius
    qreal size;     // fraction of the scope radius
    QRgb colour;
};

// A small storm cell trailing the sweep, strongest in its core.
constexpr std::array<Echo, 6> echoes{{
    {62.0, 0.55, 0.16, 0xff2fbf4a},
    {70.0, 0.50, 0.12, 0xffe8d83a},
    {66.0, 0.60, 0.10, 0xffe8d83a},
    {68.0, 0.54, 0.06, 0xffe0452c},
    {140.0, 0.35, 0.08, 0xff2fbf4a},
    {205.0, 0.70, 0.07, 0xff2fbf4a},
}};

constexpr qreal sweepAngleDeg = 45.0;
constexpr qreal sweepTrailDeg = 70.0;

} // namespace

void paintRadarLogo(QPainter& painter, const QRectF& bounds) {
    const qreal side = qMin(bounds.width(), bounds.height());
    if (side <= 0)
        return;
    const QPointF centre = bounds.center();
    const qreal r = side / 2.0;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);

    QRadialGradient face(centre, r);
    face.setColorAt(0.0, QColor(0x0f, 0x4d, 0x26));
    face.setColorAt(1.0, QColor(0x03, 0x1a, 0x0b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawEllipse(centre, r, r);

    QPainterPath scope;
    scope.addEllipse(centre, r, r);
    painter.setClipPath(scope);

    // Fading trail behind the beam; the conical gradient runs counter-clockwise.
    QConicalGradient trail(centre, sweepAngleDeg);
    trail.setColorAt(0.0, QColor(0x6c, 0xff, 0x8f, 200));
    trail.setColorAt(sweepTrailDeg / 360.0, QColor(0x6c, 0xff, 0x8f, 0));
    trail.setColorAt(1.0, QColor(0x6c, 0xff, 0x8f, 0));
    painter.setBrush(trail);
    painter.drawPie(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r),
                    qRound(sweepAngleDeg * 16), qRound(sweepTrailDeg * 16));

    for (const Echo& e : echoes) {
        const qreal a = qDegreesToRadians(e.angleDeg);
        const QPointF p(centre.x() + std::cos(a) * e.radius * r,
                        centre.y() - std::sin(a) * e.radius * r);
        painter.setBrush(QColor::fromRgba(e.colour));
        painter.drawEllipse(p, e.size * r, e.size * r);
    }

    const qreal line = qMax<qreal>(1.0, side / 64.0);
    QPen ringPen(QColor(0x4c, 0xd9, 0x72, 170), line);
    painter.setPen(ringPen);
    painter.setBrush(Qt::NoBrush);
    for (qreal f : {0.33, 0.66})
        painter.drawEllipse(centre, r * f, r * f);
    painter.drawLine(QPointF(centre.x() - r, centre.y()), QPointF(centre.x() + r, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - r), QPointF(centre.x(), centre.y() + r));

    const qreal beam = qDegreesToRadians(sweepAngleDeg);
    painter.setPen(QPen(QColor(0xc8, 0xff, 0xd4), line * 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre,
                     QPointF(centre.x() + std::cos(beam) * r, centre.y() - std::sin(beam) * r));

    painter.setClipping(false);
    painter.setPen(QPen(QColor(0x9a, 0xa8, 0x9f), line * 1.5));
    painter.drawEllipse(centre, r - line * 0.75, r - line * 0.75);
    painter.restore();
}

QPixmap radarLogoPixmap(int side, qreal devicePixelRatio) {
    const int devSide = qMax(1, qRound(side * devicePixelRatio));
    QPixmap pixmap(devSide, devSide);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintRadarLogo(painter, QRectF(0, 0, side, side));
    return pixmap;
}

LogoWidget::LogoWidget(int side, QWidget* parent) : QWidget(parent), m_side(side) {
    setFixedSize(side, side);
}

QSize LogoWidget::sizeHint() const {
    return {m_side, m_side};
}

void LogoWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintRadarLogo(painter, QRectF(rect()));
}

} // namespace pluvix::dialogs
