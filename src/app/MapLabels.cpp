#include "app/MapLabels.h"

#include "view/MapGeometry.h"
#include "view/Twips.h"

#include <QMouseEvent>

namespace pluvix::app {

TimeLabel::TimeLabel(QWidget* parent, const QWidget& panel) : QLabel(parent), m_panel(panel) {
    setObjectName(QStringLiteral("Label4"));
    setToolTip(QStringLiteral("Image UTC Time / Date"));
    setAutoFillBackground(true);
    QPalette lp = palette();
    lp.setColor(QPalette::Window, Qt::black);
    lp.setColor(QPalette::WindowText, QColor(255, 255, 192));
    setPalette(lp);
    hide();
}

void TimeLabel::place() {
    const float top = view::timeLabelTopOver(view::pxToTwips(float(m_panel.y())),
                                             view::pxToTwips(float(height())));
    move(x(), qRound(view::twipsToPx(top)));
}

void TimeLabel::showCaption(const QString& text) {
    setText(text);
    adjustSize();
    place();
}

void TimeLabel::setFontPoints(int points) {
    QFont f = font();
    f.setPointSize(qMax(1, points));
    setFont(f);
    adjustSize();
    place();
}

ConnectionNotice::ConnectionNotice(QWidget* parent)
    : QLabel(QStringLiteral("No InterNet Connection!\nClick to Hide"), parent) {
    setObjectName(QStringLiteral("Text1"));
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setMargin(3);
    QPalette np = palette();
    np.setColor(QPalette::Window, Qt::white);
    np.setColor(QPalette::WindowText, Qt::black);
    setPalette(np);
    adjustSize();
    hide();
}

void ConnectionNotice::showNotice(bool visible) {
    setVisible(visible);
    if (visible)
        raise();
}

void ConnectionNotice::mousePressEvent(QMouseEvent* event) {
    hide();
    event->accept();
}

} // namespace pluvix::app
