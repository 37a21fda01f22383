#include "Weather.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pluvix::radarserver {

namespace {

constexpr int kSystemSlots = 7;
constexpr double kPi = std::numbers::pi;

struct Vec {
    double x;
    double y;
};

Vec rotate(Vec v, double a) {
    return {v.x * std::cos(a) - v.y * std::sin(a), v.x * std::sin(a) + v.y * std::cos(a)};
}

// Rise, plateau, decay; exactly 0 at both ends of a life.
double lifeEnvelope(double u, double rise, double fall) {
    return smoothstep(0, rise, u) * (1 - smoothstep(1 - fall, 1, u));
}

struct Generation {
    long long index;
    double u;     // 0..1 within the generation
    double start; // hours
};

Generation generationAt(double t, double period, double phase) {
    const double x = t / period + phase;
    const double g = std::floor(x);
    return {static_cast<long long>(g), x - g, (g - phase) * period};
}

// Fades an echo in and out: weaker and smaller while young or dying.
Echo faded(Echo e, double f) {
    e.peak = -15 + (e.peak + 15) * f;
    const double s = 0.55 + 0.45 * f;
    e.major *= s;
    e.minor *= s;
    return e;
}

Echo makeEcho(Vec at, double peak, double major, double minor, double angle, Vec v,
              bool convective) {
    Echo e;
    e.x = at.x;
    e.y = at.y;
    e.peak = peak;
    e.major = major;
    e.minor = minor;
    e.cosA = std::cos(angle);
    e.sinA = std::sin(angle);
    e.vx = v.x;
    e.vy = v.y;
    e.convective = convective;
    return e;
}

// A storm cell is a core plus a weaker, wider lobe on its forward flank, which keeps it from
// looking like a bullseye.
void addCell(const Echo& core, const Draws& d, double fade, std::vector<Echo>& out) {
    out.push_back(faded(core, fade));
    if (core.peak < 38)
        return;
    Echo flank = core;
    const double speed = std::hypot(core.vx, core.vy);
    const double a = (speed > 0 ? std::atan2(core.vy, core.vx) : 0) + d.range(20, -1.2, 1.2);
    const double dist = core.major * d.range(21, 0.6, 1.2);
    flank.x += dist * std::cos(a);
    flank.y += dist * std::sin(a);
    flank.peak = core.peak - d.range(22, 10, 18);
    flank.major = core.major * d.range(23, 1.4, 2.0);
    flank.minor = core.minor * d.range(24, 1.1, 1.5);
    flank.cosA = std::cos(a);
    flank.sinA = std::sin(a);
    out.push_back(faded(flank, fade));
}

} // namespace

Weather::Weather(QStringView station, std::uint32_t seed)
    : m_hash(hashCombine(hashBytes(station.toUtf8()), seed, 0x77eaU)), m_noise(m_hash) {
    const Draws d(hashCombine(m_hash, 1));
    // Mostly west-south-westerly steering, as over much of the continent.
    const double dir = d.range(0, -0.35, 1.05);
    const double speed = d.range(1, 24, 44);
    m_windX = speed * std::cos(dir);
    m_windY = speed * std::sin(dir);
}

void Weather::textureDrift(double utcHours, double& dx, double& dy) const {
    dx = m_windX * utcHours;
    dy = m_windY * utcHours;
}

std::vector<Echo> Weather::echoesAt(double utcHours) const {
    std::vector<Echo> out;
    out.reserve(160);
    for (int s = 0; s < kSystemSlots; ++s)
        addSystem(s, utcHours, out);
    addShowers(utcHours, out);
    return out;
}

void Weather::addSystem(int slot, double t, std::vector<Echo>& out) const {
    const Draws slotDraw(hashCombine(m_hash, 100 + std::uint32_t(slot)));
    const double period = slotDraw.range(0, 5, 10);
    const Generation gen = generationAt(t, period, slotDraw.unit(1));
    const Draws d(hashCombine(slotDraw.hash(), std::uint32_t(gen.index & 0xffffffff),
                              std::uint32_t(gen.index >> 32)));
    // The first two slots always have a system; the others now and then take a quiet turn.
    if (slot > 1 && d.unit(0) < 0.28)
        return;
    const double envelope = lifeEnvelope(gen.u, 0.22, 0.3);
    if (envelope <= 0)
        return;

    const Vec wind{m_windX, m_windY};
    const Vec v = rotate({wind.x * d.range(1, 0.7, 1.25), wind.y * d.range(1, 0.7, 1.25)},
                         d.range(2, -0.6, 0.6));
    const double speed = std::hypot(v.x, v.y);
    const Vec e{v.x / speed, v.y / speed}; // direction of motion
    const Vec n{-e.y, e.x};
    const double disc = slot == 0 ? 140 : (slot < 4 ? 280 : 620);
    const double mr = disc * std::sqrt(d.unit(3));
    const double ma = d.range(4, 0, 2 * kPi);
    const double midTime = gen.start + period / 2;
    const Vec c{mr * std::cos(ma) + v.x * (t - midTime), mr * std::sin(ma) + v.y * (t - midTime)};

    const double type = d.unit(5);
    const double heading = std::atan2(e.y, e.x);

    // Convective cells come and go inside the system on their own shorter cycles.
    auto cells = [&](int count, auto&& place) {
        for (int j = 0; j < count; ++j) {
            const Draws cs(hashCombine(d.hash(), 500 + std::uint32_t(j)));
            const double cp = cs.range(0, 1.0, 2.2);
            const Generation cg = generationAt(t, cp, cs.unit(1));
            const Draws cd(hashCombine(cs.hash(), std::uint32_t(cg.index & 0xffffffff),
                                       std::uint32_t(cg.index >> 32)));
            const double life = lifeEnvelope(cg.u, 0.35, 0.45);
            if (life <= 0)
                continue;
            const double age = t - cg.start;
            const Vec drift = rotate({cd.range(0, 2, 7), 0}, cd.range(1, 0, 2 * kPi));
            Echo cell = place(cd);
            cell.x += drift.x * age;
            cell.y += drift.y * age;
            cell.vx += drift.x;
            cell.vy += drift.y;
            addCell(cell, cd, envelope * life, out);
        }
    };
    // Stratiform rain as a patchwork of overlapping soft blobs.
    auto blobs = [&](int count, std::uint32_t key, auto&& place) {
        for (int k = 0; k < count; ++k) {
            const Draws bd(hashCombine(d.hash(), key, std::uint32_t(k)));
            out.push_back(faded(place(bd), envelope));
        }
    };

    if (type < 0.36) {
        // Squall line across the motion, bowed forward, with rain trailing behind.
        const double half = d.range(6, 60, 150);
        const Vec along = rotate(n, d.range(7, -0.45, 0.45));
        const double bow = d.range(8, 0, 35);
        auto onLine = [&](double s, double back) {
            const double k = s / half;
            return Vec{c.x + along.x * s - e.x * (back + bow * k * k),
                       c.y + along.y * s - e.y * (back + bow * k * k)};
        };
        auto tangent = [&](double s) {
            const double k = 2 * bow * s / (half * half);
            return std::atan2(along.y + e.y * k, along.x + e.x * k);
        };
        constexpr int links = 8;
        const double step = 2 * half / links;
        for (int k = 0; k < links; ++k) {
            const Draws bd(hashCombine(d.hash(), 40, std::uint32_t(k)));
            const double s = -half + (k + bd.range(0, 0.2, 0.8)) * step;
            out.push_back(faded(makeEcho(onLine(s, bd.range(1, -3, 4)), bd.range(2, 28, 38),
                                         step * bd.range(3, 0.7, 1.1), bd.range(4, 6, 10),
                                         tangent(s), v, false),
                                envelope));
        }
        blobs(6, 41, [&](const Draws& bd) {
            const double s = bd.range(0, -0.85, 0.85) * half;
            const double major = bd.range(2, 22, 42);
            return makeEcho(onLine(s, bd.range(1, 18, 55)), bd.range(3, 23, 32), major,
                            major * bd.range(4, 0.5, 0.85), tangent(s) + bd.range(5, -0.4, 0.4), v,
                            false);
        });
        cells(15, [&](const Draws& cd) {
            const double s = cd.range(2, -1, 1) * half;
            const double major = cd.range(4, 4, 8);
            return makeEcho(onLine(s, cd.range(3, -5, 6)), cd.range(5, 44, 63), major,
                            major * cd.range(6, 0.55, 0.9), tangent(s) + cd.range(7, -0.3, 0.3), v,
                            true);
        });
    } else if (type < 0.7) {
        // A cluster of storms with a rain shield around them.
        const double radius = d.range(6, 40, 90);
        blobs(6, 42, [&](const Draws& bd) {
            const double r = radius * 0.9 * std::sqrt(bd.unit(0));
            const double a = bd.range(1, 0, 2 * kPi);
            const double major = radius * bd.range(2, 0.3, 0.6);
            return makeEcho({c.x + r * std::cos(a), c.y + r * std::sin(a)}, bd.range(3, 23, 32),
                            major, major * bd.range(4, 0.55, 0.9), bd.range(5, 0, kPi), v, false);
        });
        cells(11, [&](const Draws& cd) {
            const double r = radius * 0.85 * std::sqrt(cd.unit(2));
            const double a = cd.range(3, 0, 2 * kPi);
            const double major = cd.range(4, 4, 9);
            return makeEcho({c.x + r * std::cos(a), c.y + r * std::sin(a)}, cd.range(5, 40, 59),
                            major, major * cd.range(6, 0.6, 0.95), cd.range(7, 0, kPi), v, true);
        });
    } else {
        // A broad shield of steady rain with a few weak embedded cells.
        const double spread = d.range(6, 60, 120);
        blobs(8, 43, [&](const Draws& bd) {
            const Vec off =
                rotate({bd.range(0, -1.2, 1.2) * spread, bd.range(1, -0.6, 0.6) * spread}, heading);
            const double major = spread * bd.range(2, 0.35, 0.6);
            return makeEcho({c.x + off.x, c.y + off.y}, bd.range(3, 19, 30), major,
                            major * bd.range(4, 0.5, 0.85), heading + bd.range(5, -0.7, 0.7), v,
                            false);
        });
        cells(6, [&](const Draws& cd) {
            const Vec off =
                rotate({cd.range(2, -1, 1) * spread, cd.range(3, -0.5, 0.5) * spread}, heading);
            const double major = cd.range(4, 6, 12);
            return makeEcho({c.x + off.x, c.y + off.y}, cd.range(5, 28, 41), major,
                            major * cd.range(6, 0.5, 0.9), cd.range(7, 0, kPi), v, true);
        });
    }
}

void Weather::addShowers(double t, std::vector<Echo>& out) const {
    // Afternoon (in North American time) showers on some days only; the day turns over at 09
    // UTC, when there are none.
    const double day = std::floor((t - 9) / 24);
    const Draws dayDraw(hashCombine(m_hash, 3000, std::uint32_t(static_cast<long long>(day))));
    if (dayDraw.unit(0) > 0.6)
        return;
    const double hour = t - 24 * std::floor(t / 24);
    const double diurnal = std::clamp(0.5 + 0.8 * std::cos(2 * kPi * (hour - 21) / 24), 0.0, 1.0);
    if (diurnal <= 0)
        return;
    const Vec v{m_windX * 0.6, m_windY * 0.6};
    for (int j = 0; j < 22; ++j) {
        const Draws cs(hashCombine(m_hash, 4000 + std::uint32_t(j)));
        const double cp = cs.range(0, 0.8, 1.6);
        const Generation cg = generationAt(t, cp, cs.unit(1));
        const Draws cd(hashCombine(cs.hash(), std::uint32_t(cg.index & 0xffffffff),
                                   std::uint32_t(cg.index >> 32)));
        const double life = lifeEnvelope(cg.u, 0.35, 0.45);
        if (life <= 0)
            continue;
        const double r = 330 * std::sqrt(cd.unit(2));
        const double a = cd.range(3, 0, 2 * kPi);
        const double age = t - cg.start;
        const double major = cd.range(4, 3, 6.5);
        const Vec at{r * std::cos(a) + v.x * age, r * std::sin(a) + v.y * age};
        addCell(makeEcho(at, cd.range(5, 33, 57) * dayDraw.range(1, 0.85, 1.05), major,
                         major * cd.range(6, 0.6, 0.95), cd.range(7, 0, kPi), v, true),
                cd, life * diurnal, out);
    }
}

} // namespace pluvix::radarserver
