#pragma once

#include <QByteArrayView>

#include <array>
#include <cstdint>

namespace pluvix::radarserver {

// Every picture is a pure function of these hashes, so they must never depend on the platform,
// the run or the address of anything.
std::uint32_t mix32(std::uint32_t h);
std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t value);
std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t a, std::uint32_t b);
std::uint32_t hashBytes(QByteArrayView bytes, std::uint32_t seed = 0);
// [0, 1)
double unitFromHash(std::uint32_t h);

// Named draws from one hash: value(k) is stable whatever else is drawn.
class Draws {
public:
    explicit Draws(std::uint32_t h) : m_hash(h) {}
    double unit(std::uint32_t k) const { return unitFromHash(hashCombine(m_hash, k)); }
    double range(std::uint32_t k, double lo, double hi) const { return lo + (hi - lo) * unit(k); }
    std::uint32_t hash() const { return m_hash; }

private:
    std::uint32_t m_hash;
};

// Gradient noise with a 256-cell period on every axis: callers may reduce large coordinates
// modulo 256 without a visible seam.
class GradientNoise {
public:
    explicit GradientNoise(std::uint32_t seed);

    float at(float x, float y) const;          // about [-1, 1]
    float at(float x, float y, float z) const; // about [-1, 1]
    float fbm(float x, float y, int octaves) const;
    float fbm(float x, float y, float z, int octaves) const;

private:
    std::array<std::uint8_t, 512> m_perm{};
};

inline double smoothstep(double edge0, double edge1, double x) {
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}

} // namespace pluvix::radarserver
