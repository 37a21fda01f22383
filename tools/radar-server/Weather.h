#pragma once

#include "Noise.h"

#include <QStringView>

#include <vector>

namespace pluvix::radarserver {

// One echo: reflectivity falls off as an elliptic paraboloid in dBZ (a Gaussian in Z) around a
// centre in kilometres east and north of the radar.
struct Echo {
    double x = 0;
    double y = 0;
    double peak = 0;  // dBZ at the centre
    double major = 1; // km, the distance along the major axis where the echo is 10 dBZ weaker
    double minor = 1;
    double cosA = 1; // major-axis direction
    double sinA = 0;
    double vx = 0; // km/h
    double vy = 0;
    bool convective = false;

    static constexpr double Falloff = 10; // dBZ at one axis length

    double dbzAt(double px, double py) const {
        const double dx = px - x;
        const double dy = py - y;
        const double a = (dx * cosA + dy * sinA) / major;
        const double b = (-dx * sinA + dy * cosA) / minor;
        return peak - Falloff * (a * a + b * b);
    }
    // Half-width of the area where the echo is above `floorDbz`.
    double reach(double floorDbz) const {
        return peak <= floorDbz ? 0
                                : std::max(major, minor) * std::sqrt((peak - floorDbz) / Falloff);
    }
};

// Storm systems (lines, clusters, rain shields) and scattered afternoon showers around one
// radar. Every echo is a smooth function of time: systems and cells are born weak, grow, drift
// and decay, and a generation ends only once its echoes have faded, so consecutive pictures
// join up into a seamless loop.
class Weather {
public:
    Weather(QStringView station, std::uint32_t seed);

    std::vector<Echo> echoesAt(double utcHours) const;
    // Where the texture noise sits at a time, in kilometres: it drifts with the mean wind.
    void textureDrift(double utcHours, double& dx, double& dy) const;
    const GradientNoise& noise() const { return m_noise; }

private:
    void addSystem(int slot, double t, std::vector<Echo>& out) const;
    void addShowers(double t, std::vector<Echo>& out) const;

    std::uint32_t m_hash;
    GradientNoise m_noise;
    double m_windX = 0; // km/h, the mean steering flow
    double m_windY = 0;
};

} // namespace pluvix::radarserver
