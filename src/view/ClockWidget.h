#pragma once

#include "view/ClockHands.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

namespace pluvix::view {

// The image clock (object name "ClockPic"), 510 x 510 twips: a face, the grey face circle and
// the hour and minute hands. Passive: the window sets the hands, colours and face and reacts to
// the signals.
class ClockWidget : public QWidget {
    Q_OBJECT

public:
    explicit ClockWidget(QWidget* parent = nullptr);

    // Local hour as given (not wrapped) and minute 0 to 59.
    void setHands(float hour, int minute);
    // Twips inside the clock.
    QPointF handCentre() const { return {double(m_centre), double(m_centre)}; }
    QPointF hourHandEnd() const { return m_hands.hour; }
    QPointF minuteHandEnd() const { return m_hands.minute; }

    void setHandColour(const QColor& colour);
    QColor handColour() const { return m_handColour; }

    // Shown: the clock-face bitmap; hidden: plain background in the window-text colour.
    void setFaceBitmapShown(bool shown);
    bool isFaceBitmapShown() const { return m_faceBitmapShown; }

    // The face circle is filled while a poll runs.
    void setFaceOpaque(bool opaque);
    bool isFaceOpaque() const { return m_faceOpaque; }

    // The 88 x 84 clock-face bitmap, drawn in code.
    static QImage faceBitmap();

    static QColor panelHandColour() { return {0x40, 0x40, 0x40}; }
    static QColor bareHandColour() { return {0xFF, 0xFF, 0x00}; }
    // Fill of the face circle while a poll runs.
    static QColor busyFaceColour() { return {150, 150, 150}; }

signals:
    void leftPressed();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    float m_centre;
    HandEnds m_hands;
    QColor m_handColour = panelHandColour();
    bool m_faceBitmapShown = true;
    bool m_faceOpaque = false;
    QImage m_face;
};

} // namespace pluvix::view
