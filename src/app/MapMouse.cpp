#include "app/MapMouse.h"

#include "app/ChromeController.h"
#include "app/StatusPanel.h"
#include "app/Viewer.h"
#include "diagnostics/ErrorReporter.h"
#include "view/MapView.h"
#include "view/Twips.h"

#include <QCursor>
#include <QMenu>
#include <QProgressBar>

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

MapMouse::MapMouse(Parts parts, QObject* parent) : QObject(parent), m_p(std::move(parts)) {
    connect(&m_p.map, &view::MapView::mapMouseDown, this, &MapMouse::pressOnMap);
    connect(&m_p.map, &view::MapView::backgroundMouseDown, this,
            [this](Qt::MouseButton, QPointF twips) { pressOnBackground(twips); });
    connect(&m_p.map, &view::MapView::dragDropped, this, &MapMouse::dropAt);
    connect(&m_p.map, &view::MapView::dragMoved, this, &MapMouse::dragTo);
    connect(&m_p.map, &view::MapView::dragAbandoned, this, [this] {
        m_p.viewer.mapState().abandonDrag();
        m_p.drawRings();
    });
    connect(&m_p.map, &view::MapView::wheelTurned, this, &MapMouse::turnWheel);
}

void MapMouse::pressOnMap(Qt::MouseButton button, QPointF relativeToMap) {
    trap(m_p.viewer.errors(), procedure::mapPress, [&] {
        if (button == Qt::RightButton) {
            m_p.viewer.mapState().setPopupPoint(relativeToMap);
            if (!m_p.panel.progressBar()->isVisible())
                m_p.imageMenu.popup(QCursor::pos());
            return;
        }
        if (m_p.chrome.armWindowMove(button))
            return;
        m_p.viewer.mapState().grabOnMap(relativeToMap);
        m_p.map.beginDrag();
    });
}

void MapMouse::pressOnBackground(QPointF twips) {
    trap(m_p.viewer.errors(), procedure::backgroundPress, [&] {
        m_p.viewer.mapState().grabOnBackground(twips);
        m_p.map.beginDrag();
    });
}

void MapMouse::dropAt(QPointF twips) {
    const QPoint at(qRound(view::twipsToPx(float(twips.x()))),
                    qRound(view::twipsToPx(float(twips.y()))));
    for (QWidget* w : m_p.controlsOver) {
        if (w->isVisible() && w->geometry().contains(at)) {
            m_p.viewer.mapState().abandonDrag();
            m_p.drawRings();
            return;
        }
    }
    const bool onMap = m_p.map.isMapVisible() && m_p.map.isOnMap(twips);
    trap(m_p.viewer.errors(), onMap ? procedure::dropOnMap : procedure::dropOnBackground, [&] {
        m_p.viewer.mapState().drop(twips, onMap);
        m_p.drawRings();
        m_p.panel.clearPresetMark();
    });
}

void MapMouse::dragTo(QPointF twips) {
    trap(m_p.viewer.errors(), procedure::mapDrag, [&] {
        m_p.viewer.mapState().dragTo(twips);
        m_p.drawRings();
    });
}

void MapMouse::turnWheel(int angleDelta, QPointF twips) {
    const int notches = m_wheel.add(angleDelta);
    // The map keeps still while pictures load or a drag holds it.
    if (notches == 0 || m_p.viewer.feed().isLoading() || m_p.map.isDragging())
        return;
    trap(m_p.viewer.errors(), procedure::mapWheel,
         [&] { m_p.viewer.mapState().zoomAt(notches, twips); });
}

} // namespace pluvix::app
