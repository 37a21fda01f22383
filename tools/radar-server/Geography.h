#pragma once

#include "Noise.h"

#include <QPointF>
#include <QStringView>

#include <vector>

namespace pluvix::radarserver {

// An invented but stable landscape around one radar: coast or islands where the real site has
// them, lakes, shaded terrain, county and state lines, towns and the roads between them.
// Coordinates are kilometres east (x) and north (y) of the radar.
class Geography {
public:
    explicit Geography(QStringView station);

    struct Cover {
        bool water;
        int shade; // land 0..5 (low to high ground), water 0 (open) or 1 (shallow, lakes)
    };
    Cover coverAt(double x, double y) const;

    enum class LineKind { County, State, Highway };
    struct Line {
        LineKind kind;
        std::vector<QPointF> points;
    };
    // Lines touching the square of half-width `extentKm` around the radar.
    std::vector<Line> lines(double extentKm) const;

    struct Place {
        QPointF at;
        bool city;
    };
    std::vector<Place> places(double extentKm) const;

private:
    enum class Shape { Inland, Coast, Island };
    struct Islet {
        QPointF centre;
        double radius;
    };

    double coastExcess(double x, double y) const; // > 0 over sea
    bool isLand(double x, double y) const { return !coverAt(x, y).water; }
    std::vector<QPointF> wiggle(QPointF a, QPointF b, double amplitude, std::uint32_t h,
                                int depth) const;

    std::uint32_t m_hash;
    GradientNoise m_noise;
    Shape m_shape = Shape::Inland;
    double m_seaX = 0; // unit vector towards open water
    double m_seaY = 0;
    double m_coastKm = 0;
    std::vector<Islet> m_islets;
};

} // namespace pluvix::radarserver
