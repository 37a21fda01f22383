#include "Noise.h"

#include <cmath>

namespace pluvix::radarserver {

std::uint32_t mix32(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t value) {
    return mix32(seed ^ (mix32(value) + 0x9e3779b9U + (seed << 6) + (seed >> 2)));
}

std::uint32_t hashCombine(std::uint32_t seed, std::uint32_t a, std::uint32_t b) {
    return hashCombine(hashCombine(seed, a), b);
}

std::uint32_t hashBytes(QByteArrayView bytes, std::uint32_t seed) {
    // FNV-1a, then mixed.
    std::uint32_t h = 2166136261U ^ seed;
    for (char c : bytes) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 16777619U;
    }
    return mix32(h);
}

double unitFromHash(std::uint32_t h) {
    return static_cast<double>(h >> 8) / static_cast<double>(1U << 24);
}

namespace {

inline float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

inline float lerp(float a, float b, float t) {
    return a + t * (b - a);
}

inline float grad2(std::uint8_t h, float x, float y) {
    switch (h & 7) {
    case 0:
        return x + y;
    case 1:
        return -x + y;
    case 2:
        return x - y;
    case 3:
        return -x - y;
    case 4:
        return x;
    case 5:
        return -x;
    case 6:
        return y;
    default:
        return -y;
    }
}

inline float grad3(std::uint8_t hash, float x, float y, float z) {
    const int h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

// Floor into the 256 period; also safe for negative input.
inline int cell(float v, float& frac) {
    const float f = std::floor(v);
    frac = v - f;
    return static_cast<int>(static_cast<long long>(f) & 255);
}

} // namespace

GradientNoise::GradientNoise(std::uint32_t seed) {
    std::array<std::uint8_t, 256> p{};
    for (int i = 0; i < 256; ++i)
        p[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    std::uint32_t h = mix32(seed ^ 0x5bd1e995U);
    for (int i = 255; i > 0; --i) {
        h = mix32(h + static_cast<std::uint32_t>(i));
        const int j = static_cast<int>(h % static_cast<std::uint32_t>(i + 1));
        std::swap(p[static_cast<std::size_t>(i)], p[static_cast<std::size_t>(j)]);
    }
    for (std::size_t i = 0; i < 512; ++i)
        m_perm[i] = p[i & 255];
}

float GradientNoise::at(float x, float y) const {
    float fx = 0;
    float fy = 0;
    const int xi = cell(x, fx);
    const int yi = cell(y, fy);
    const auto& P = m_perm;
    const int a = P[static_cast<std::size_t>(xi)] + yi;
    const int b = P[static_cast<std::size_t>(xi + 1)] + yi;
    const float u = fade(fx);
    const float v = fade(fy);
    const float x1 = lerp(grad2(P[static_cast<std::size_t>(a)], fx, fy),
                          grad2(P[static_cast<std::size_t>(b)], fx - 1, fy), u);
    const float x2 = lerp(grad2(P[static_cast<std::size_t>(a + 1)], fx, fy - 1),
                          grad2(P[static_cast<std::size_t>(b + 1)], fx - 1, fy - 1), u);
    return lerp(x1, x2, v) * 0.9f;
}

float GradientNoise::at(float x, float y, float z) const {
    float fx = 0;
    float fy = 0;
    float fz = 0;
    const int xi = cell(x, fx);
    const int yi = cell(y, fy);
    const int zi = cell(z, fz);
    const auto& P = m_perm;
    auto p = [&P](int i) { return static_cast<int>(P[static_cast<std::size_t>(i)]); };
    const int a = p(xi) + yi;
    const int aa = p(a) + zi;
    const int ab = p(a + 1) + zi;
    const int b = p(xi + 1) + yi;
    const int ba = p(b) + zi;
    const int bb = p(b + 1) + zi;
    const float u = fade(fx);
    const float v = fade(fy);
    const float w = fade(fz);
    auto g = [&P](int i, float gx, float gy, float gz) {
        return grad3(P[static_cast<std::size_t>(i)], gx, gy, gz);
    };
    const float r =
        lerp(lerp(lerp(g(aa, fx, fy, fz), g(ba, fx - 1, fy, fz), u),
                  lerp(g(ab, fx, fy - 1, fz), g(bb, fx - 1, fy - 1, fz), u), v),
             lerp(lerp(g(aa + 1, fx, fy, fz - 1), g(ba + 1, fx - 1, fy, fz - 1), u),
                  lerp(g(ab + 1, fx, fy - 1, fz - 1), g(bb + 1, fx - 1, fy - 1, fz - 1), u), v),
             w);
    return r;
}

float GradientNoise::fbm(float x, float y, int octaves) const {
    float sum = 0;
    float amp = 1;
    float norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * at(x, y);
        norm += amp;
        amp *= 0.5f;
        x *= 2;
        y *= 2;
    }
    return sum / norm * 1.4f;
}

float GradientNoise::fbm(float x, float y, float z, int octaves) const {
    float sum = 0;
    float amp = 1;
    float norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * at(x, y, z);
        norm += amp;
        amp *= 0.5f;
        x *= 2;
        y *= 2;
        z *= 2;
    }
    return sum / norm * 1.4f;
}

} // namespace pluvix::radarserver
