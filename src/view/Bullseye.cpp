#include "view/Bullseye.h"

#include "settings/SettingsRecord.h"
#include "view/MapState.h"

namespace pluvix::view {

Bullseye::Bullseye(settings::SettingsRecord& settings, MapState& map,
                   std::function<bool()> panelBusy, std::function<void()> letEventsRun)
    : m_settings(settings), m_map(map), m_panelBusy(std::move(panelBusy)),
      m_letEventsRun(std::move(letEventsRun)) {}

bool Bullseye::shown() const {
    return m_settings.ShowBullseye != 0;
}

void Bullseye::toggle() {
    m_settings.ShowBullseye = shown() ? 0 : 1;
    emit shownChanged(shown());
}

void Bullseye::centreAtPopup(const ClientArea& client) {
    const QPointF bullseye = m_map.centreBullseyeAtPopup(client);
    m_settings.BullsEyeY = float(bullseye.y());
    m_settings.BullsEyeX = float(bullseye.x());
}

RingInputs Bullseye::ringInputs() const {
    RingInputs in;
    in.map = m_map.rect();
    in.zoom = m_map.zoom();
    in.BullsEyeGraduations = m_settings.BullsEyeGraduations;
    in.BullsEyeX = m_settings.BullsEyeX;
    in.BullsEyeY = m_settings.BullsEyeY;
    in.MapTypeShort = m_settings.MapTypeShort;
    in.MapScaleShortRangeConstant = m_settings.MapScaleShortRangeConstant;
    in.MapScaleLongRangeConstant = m_settings.MapScaleLongRangeConstant;
    return in;
}

int Bullseye::labelPoints() const {
    return m_settings.BullsEyeTextSize;
}

void Bullseye::setLabels(RingLabels request) {
    const auto decision = ringLabelsDecision(request, m_panelBusy(), m_settings.ShowBullseye);
    if (decision.ignored)
        return;
    if (decision.applyStyle)
        emit labelsStyled(qMax<int>(1, m_settings.BullsEyeTextSize));
    if (decision.visible)
        emit labelsShown(*decision.visible);
    m_letEventsRun();
}

} // namespace pluvix::view
