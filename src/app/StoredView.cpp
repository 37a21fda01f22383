#include "app/StoredView.h"

#include "view/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace pluvix::app {

using view::pxToTwips;

namespace {
int px(float twips) {
    return qRound(view::twipsToPx(twips));
}

QSizeF screenTwips(const QWidget& window) {
    const QScreen* s = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return s ? QSizeF(pxToTwips(float(s->geometry().width())),
                      pxToTwips(float(s->geometry().height())))
             : QSizeF();
}
} // namespace

StoredView::StoredView(QWidget& window, view::MapState& map, Marks marks)
    : m_window(window), m_map(map), m_marks(std::move(marks)) {}

float StoredView::formWidth() const {
    return pxToTwips(float(m_window.width()));
}
void StoredView::setFormWidth(float twips) {
    m_window.resize(qMax(1, px(twips)), m_window.height());
}
float StoredView::formHeight() const {
    return pxToTwips(float(m_window.height()));
}
void StoredView::setFormHeight(float twips) {
    m_window.resize(m_window.width(), qMax(1, px(twips)));
}
float StoredView::formLeft() const {
    return pxToTwips(float(m_window.pos().x()));
}
void StoredView::setFormLeft(float twips) {
    m_window.move(px(twips), m_window.pos().y());
}
float StoredView::formTop() const {
    return pxToTwips(float(m_window.pos().y()));
}
void StoredView::setFormTop(float twips) {
    m_window.move(m_window.pos().x(), px(twips));
}

float StoredView::screenWidth() const {
    return float(screenTwips(m_window).width());
}
float StoredView::screenHeight() const {
    return float(screenTwips(m_window).height());
}

void StoredView::setMapEdge(float view::MapRect::*edge, float twips) {
    view::MapRect r = m_map.rect();
    r.*edge = twips;
    m_map.setRect(r);
}

} // namespace pluvix::app
