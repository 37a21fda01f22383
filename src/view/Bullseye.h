#pragma once

#include "view/MapGeometry.h"
#include "view/RangeRings.h"

#include <QObject>

#include <functional>

namespace pluvix::settings {
struct SettingsRecord;
}

namespace pluvix::view {

class MapState;

// The bullseye and its range rings as the settings hold them: shown or not, where on the map,
// what the rings are laid out from, and whether their labels show now.
class Bullseye final : public QObject {
    Q_OBJECT
public:
    Bullseye(settings::SettingsRecord& settings, MapState& map, std::function<bool()> panelBusy,
             std::function<void()> letEventsRun);

    bool shown() const;
    void toggle();
    // The map's popup point becomes the bullseye, scrolled to the middle of the visible area.
    void centreAtPopup(const ClientArea& client);
    RingInputs ringInputs() const;
    int labelPoints() const;
    // Lets pending events run after every request it does not ignore.
    void setLabels(RingLabels request);

signals:
    void shownChanged(bool shown);
    void labelsStyled(int pointSize);
    void labelsShown(bool visible);

private:
    settings::SettingsRecord& m_settings;
    MapState& m_map;
    std::function<bool()> m_panelBusy;
    std::function<void()> m_letEventsRun;
};

} // namespace pluvix::view
