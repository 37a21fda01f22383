#include "Geography.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pluvix::radarserver {

namespace {

struct Waterfront {
    const char* station;
    double bearingDeg; // towards open water, clockwise from north; < 0 for an island
    double km;         // to the shore, or the island radius
};

// Sites by the sea or a great lake; everything else is inland with a few lakes.
constexpr Waterfront kWaterfronts[] = {
    {"kmlb", 90, 14},   {"kamx", 90, 22},  {"kbyx", -1, 14},  {"kjax", 90, 32},   {"ktbw", 255, 22},
    {"ktlh", 190, 45},  {"kevx", 180, 20}, {"kmob", 180, 48}, {"klix", 150, 32},  {"klch", 180, 45},
    {"khgx", 135, 42},  {"kcrp", 110, 18}, {"kbro", 90, 32},  {"kclx", 135, 60},  {"kltx", 140, 16},
    {"kmhx", 120, 14},  {"kakq", 90, 90},  {"kdox", 100, 20}, {"kdix", 120, 58},  {"kokx", 180, 6},
    {"kbox", 90, 36},   {"kgyx", 150, 42}, {"knkx", 250, 12}, {"kvtx", 220, 36},  {"ksox", 240, 52},
    {"kvbx", 270, 6},   {"kmux", 260, 30}, {"kbhx", 280, 16}, {"krtx", 270, 110}, {"katx", 280, 60},
    {"kmax", 280, 120}, {"tjua", -1, 48},  {"phki", -1, 26},  {"phkm", -1, 42},   {"phmo", -1, 30},
    {"phwa", -1, 40},   {"pgua", -1, 16},  {"paih", -1, 11},  {"pabc", 250, 110}, {"pacg", 270, 10},
    {"paec", 200, 8},   {"pakc", 300, 60}, {"pahg", 220, 12}, {"klot", 90, 45},   {"kmkx", 90, 26},
    {"kgrr", 270, 60},  {"kdtx", 60, 70},  {"kbuf", 270, 16}, {"kcle", 0, 26},    {"kapx", 270, 50},
    {"kmqt", 0, 22},    {"kgrb", 90, 40},  {"ktyx", 270, 70},
};

constexpr double kCountyKm = 42;

} // namespace

Geography::Geography(QStringView station)
    : m_hash(hashBytes(station.toUtf8())), m_noise(m_hash ^ 0x6e0c0a5dU) {
    const QByteArray code = station.toUtf8();
    for (const Waterfront& w : kWaterfronts) {
        if (code != w.station)
            continue;
        if (w.bearingDeg < 0) {
            m_shape = Shape::Island;
            m_islets.push_back({QPointF(0, 0), w.km});
            const Draws d(hashCombine(m_hash, 77));
            const int extra = 2 + int(d.unit(0) * 3);
            for (int i = 0; i < extra; ++i) {
                const double a = d.range(10 + std::uint32_t(i), 0, 2 * std::numbers::pi);
                const double r = d.range(20 + std::uint32_t(i), w.km + 60, 330);
                m_islets.push_back({QPointF(r * std::cos(a), r * std::sin(a)),
                                    d.range(30 + std::uint32_t(i), 10, 45)});
            }
        } else {
            m_shape = Shape::Coast;
            const double b = w.bearingDeg * std::numbers::pi / 180;
            m_seaX = std::sin(b);
            m_seaY = std::cos(b);
            m_coastKm = w.km;
        }
    }
}

double Geography::coastExcess(double x, double y) const {
    const double across = x * m_seaX + y * m_seaY - m_coastKm;
    const double along = -x * m_seaY + y * m_seaX;
    const double bends = 26 * m_noise.fbm(float(along / 140), 3.3f, 3);
    const double bays = 9 * m_noise.fbm(float(x / 28 + 40), float(y / 28 + 40), 3);
    return across + bends + bays;
}

Geography::Cover Geography::coverAt(double x, double y) const {
    const double r = std::hypot(x, y);
    switch (m_shape) {
    case Shape::Coast: {
        const double e = coastExcess(x, y);
        if (e > 0) {
            const double across = x * m_seaX + y * m_seaY - m_coastKm;
            return {true, across < 30 ? 1 : 0};
        }
        break;
    }
    case Shape::Island: {
        double best = 1e9;
        for (const Islet& s : m_islets) {
            const double d = std::hypot(x - s.centre.x(), y - s.centre.y()) / s.radius;
            const double wobble =
                0.3 * m_noise.fbm(float(x / (0.7 * s.radius)), float(y / (0.7 * s.radius)), 3);
            best = std::min(best, d + wobble);
        }
        if (best > 1)
            return {true, best < 1.6 ? 1 : 0};
        break;
    }
    case Shape::Inland:
        break;
    }
    if (r > 14 && m_noise.fbm(float(x / 55 + 91), float(y / 55 + 17), 3) > 0.62)
        return {true, 1};
    const double ground = m_noise.fbm(float(x / 260 + 7), float(y / 260 + 3), 4);
    return {false, std::clamp(int((ground + 0.7) / 1.4 * 6), 0, 5)};
}

std::vector<QPointF> Geography::wiggle(QPointF a, QPointF b, double amplitude, std::uint32_t h,
                                       int depth) const {
    if (depth == 0)
        return {a, b};
    const QPointF d = b - a;
    const double offset = (unitFromHash(h) - 0.5) * 2 * amplitude;
    const double len = std::hypot(d.x(), d.y());
    const QPointF mid = (a + b) / 2 + QPointF(-d.y(), d.x()) / (len > 0 ? len : 1) * offset;
    auto left = wiggle(a, mid, amplitude / 2, hashCombine(h, 1), depth - 1);
    const auto right = wiggle(mid, b, amplitude / 2, hashCombine(h, 2), depth - 1);
    left.insert(left.end(), right.begin() + 1, right.end());
    return left;
}

std::vector<Geography::Line> Geography::lines(double extentKm) const {
    std::vector<Line> out;
    const int n = int(extentKm / kCountyKm) + 2;
    const Draws st(hashCombine(m_hash, 5));
    const int stateCol = int(st.unit(0) * 7);
    const int stateRow = int(st.unit(1) * 6);
    auto vertex = [this](int i, int j) {
        const Draws d(hashCombine(m_hash, std::uint32_t(i + 1000), std::uint32_t(j + 1000)));
        return QPointF(i * kCountyKm + d.range(0, -0.22, 0.22) * kCountyKm,
                       j * kCountyKm + d.range(1, -0.22, 0.22) * kCountyKm);
    };
    for (int i = -n; i <= n; ++i) {
        for (int j = -n; j <= n; ++j) {
            const QPointF v = vertex(i, j);
            // Vertical edge to (i, j + 1) and horizontal edge to (i + 1, j).
            const QPointF ends[2] = {vertex(i, j + 1), vertex(i + 1, j)};
            const bool stateEdge[2] = {((i - stateCol) % 7 + 7) % 7 == 0,
                                       ((j - stateRow) % 6 + 6) % 6 == 0};
            for (int e = 0; e < 2; ++e) {
                const std::uint32_t h =
                    hashCombine(m_hash, std::uint32_t(i * 4099 + j), std::uint32_t(e + 31));
                const LineKind kind = stateEdge[e] ? LineKind::State : LineKind::County;
                out.push_back(
                    {kind, wiggle(v, ends[e], stateEdge[e] ? 7.0 : 3.0, h, stateEdge[e] ? 4 : 2)});
            }
        }
    }
    // Roads join each city to its two nearest neighbours.
    const auto all = places(extentKm + 300);
    std::vector<QPointF> cities;
    for (const Place& p : all) {
        if (p.city)
            cities.push_back(p.at);
    }
    std::vector<std::pair<std::size_t, std::size_t>> roads;
    for (std::size_t a = 0; a < cities.size(); ++a) {
        std::vector<std::pair<double, std::size_t>> near;
        for (std::size_t b = 0; b < cities.size(); ++b) {
            if (a != b) {
                const QPointF d = cities[a] - cities[b];
                near.push_back({std::hypot(d.x(), d.y()), b});
            }
        }
        std::sort(near.begin(), near.end());
        for (std::size_t k = 0; k < std::min<std::size_t>(2, near.size()); ++k) {
            const std::size_t b = near[k].second;
            const std::pair<std::size_t, std::size_t> pair{std::min(a, b), std::max(a, b)};
            if (std::find(roads.begin(), roads.end(), pair) == roads.end())
                roads.push_back(pair);
        }
    }
    for (const auto& [a, b] : roads) {
        const QPointF d = cities[b] - cities[a];
        const double len = std::hypot(d.x(), d.y());
        out.push_back(
            {LineKind::Highway, wiggle(cities[a], cities[b], len * 0.07,
                                       hashCombine(m_hash, std::uint32_t(a * 97 + b), 404), 5)});
    }
    return out;
}

std::vector<Geography::Place> Geography::places(double extentKm) const {
    // Places are drawn from a fixed square so that every view of this radar agrees.
    constexpr double kSquare = 900;
    std::vector<Place> out;
    const Draws d(hashCombine(m_hash, 909));
    for (std::uint32_t i = 0; i < 260; ++i) {
        const bool city = i < 16;
        for (std::uint32_t attempt = 0; attempt < 12; ++attempt) {
            const QPointF p(d.range(i * 64 + attempt * 2, -kSquare, kSquare),
                            d.range(i * 64 + attempt * 2 + 1, -kSquare, kSquare));
            if (std::hypot(p.x(), p.y()) < 12 || !isLand(p.x(), p.y()))
                continue;
            if (std::abs(p.x()) <= extentKm && std::abs(p.y()) <= extentKm)
                out.push_back({p, city});
            break;
        }
    }
    return out;
}

} // namespace pluvix::radarserver
