#include "app/MapLabels.h"

#include "view/MapGeometry.h"
#include "view/PanelColours.h"
#include "view/Twips.h"

#include <QApplication>
#include <QMouseEvent>

namespace pluvix::app {

namespace {

void setColours(QWidget& widget, const QColor& back, const QColor& text) {
    QPalette p; // only these roles: the others follow the application palette
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::WindowText, text);
    widget.setPalette(p);
}

} // namespace

TimeLabel::TimeLabel(QWidget* parent, const QWidget& panel) : QLabel(parent), m_panel(panel) {
    setObjectName(QStringLiteral("Label4"));
    setToolTip(QStringLiteral("Image UTC Time / Date"));
    setAutoFillBackground(true);
    takeColours();
    view::followApplicationPalette(this, [this] { takeColours(); });
    hide();
}

void TimeLabel::takeColours() {
    const view::PanelColours colours = view::panelColours(QApplication::palette());
    setColours(*this, colours.timeLabel, colours.timeLabelText);
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
    takeColours();
    view::followApplicationPalette(this, [this] { takeColours(); });
    adjustSize();
    hide();
}

void ConnectionNotice::takeColours() {
    const view::PanelColours colours = view::panelColours(QApplication::palette());
    setColours(*this, colours.notice, colours.noticeText);
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
