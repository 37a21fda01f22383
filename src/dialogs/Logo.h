#pragma once

#include <QPixmap>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace pluvix::dialogs {

// The product emblem: a radar scope with range rings, a sweep and a few echoes. Drawn as
// vectors so it stays sharp at any scale.
void paintRadarLogo(QPainter& painter, const QRectF& bounds);

// The emblem as a square picture of side logical pixels at the given device pixel ratio.
QPixmap radarLogoPixmap(int side, qreal devicePixelRatio = 1.0);

class LogoWidget final : public QWidget {
    Q_OBJECT
public:
    explicit LogoWidget(int side, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_side;
};

} // namespace pluvix::dialogs
