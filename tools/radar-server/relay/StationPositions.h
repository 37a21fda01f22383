#pragma once

#include <QStringView>

#include <optional>

namespace pluvix::radarserver::relay {

struct Position {
    double latitude;  // degrees, north positive
    double longitude; // degrees, east positive
};

// Where the radar of a station of the viewer's table ("kmlb") stands.
std::optional<Position> stationPosition(QStringView station);

} // namespace pluvix::radarserver::relay
