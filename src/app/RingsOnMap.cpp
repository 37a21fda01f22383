#include "app/RingsOnMap.h"

#include "app/MainMenus.h"
#include "app/StatusPanel.h"
#include "app/Viewer.h"
#include "diagnostics/ErrorReporter.h"
#include "view/MapView.h"
#include "view/RangeRings.h"

namespace pluvix::app {

using diagnostics::trap;
namespace procedure = diagnostics::procedure;

RingsOnMap::RingsOnMap(Parts parts, QObject* parent) : QObject(parent), m_p(std::move(parts)) {}

void RingsOnMap::draw() {
    trap(m_p.viewer.errors(), procedure::rings, [&] {
        view::Bullseye& bullseye = m_p.viewer.bullseye();
        bullseye.setLabels(view::RingLabels::Refresh);
        const int points = bullseye.labelPoints();
        m_p.map.setRings(
            view::ringLayout(bullseye.ringInputs(), [this, points](const QString& caption) {
                return m_p.map.ringLabelSizeTwips(caption, points);
            }));
        bullseye.setLabels(view::RingLabels::Apply);
        m_p.menus.showBullseye(bullseye.shown());
    });
}

void RingsOnMap::toggle() {
    m_p.panel.releasePresets();
    m_p.viewer.bullseye().toggle();
    m_p.panel.clearPresetMark();
    draw();
}

void RingsOnMap::centreAtPopup() {
    trap(m_p.viewer.errors(), procedure::centreBullseye, [&] {
        m_p.panel.releasePresets();
        m_p.viewer.bullseye().centreAtPopup(m_p.clientArea());
        m_p.panel.clearPresetMark();
        draw();
    });
}

} // namespace pluvix::app
