#include "SatelliteRenderer.h"

#include "BitmapFont.h"
#include "Noise.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>

#include <cmath>
#include <numbers>
#include <vector>

namespace pluvix::radarserver {

namespace {

constexpr int W = SatelliteRenderer::Width;
constexpr int H = SatelliteRenderer::Height;
constexpr double LonWest = -78;
constexpr double LonEast = -48;
constexpr double LatNorth = 31;
constexpr double LatSouth = 8.5;
constexpr int Half = 2; // clouds are computed on a grid of 2 x 2 pixels

double lonAt(double px) {
    return LonWest + (LonEast - LonWest) * px / W;
}

double latAt(double py) {
    return LatNorth - (LatNorth - LatSouth) * py / H;
}

// A South American coast in the south-west and a chain of islands in the east.
const std::vector<bool>& landMask() {
    static const std::vector<bool> mask = [] {
        const GradientNoise land(0x1a2d);
        std::vector<bool> m(std::size_t(W) * H);
        for (int y = 0; y < H; ++y) {
            const double lat = latAt(y);
            for (int x = 0; x < W; ++x) {
                const double lon = lonAt(x);
                const double shore = land.fbm(float(lon / 3), float(lat / 3), 3) * 2.2 +
                                     (11.5 - lat) * 0.55 + (-62 - lon) * 0.12;
                const double islands = land.fbm(float(lon * 1.6), float(lat * 1.6), 2) -
                                       std::abs(lon + 61.5 + (lat - 15) * 0.15) * 0.9 + 0.25;
                m[std::size_t(y) * W + std::size_t(x)] =
                    shore > 0.9 || (islands > 0.35 && lat > 11 && lat < 19);
            }
        }
        return m;
    }();
    return mask;
}

} // namespace

SatelliteRenderer::SatelliteRenderer(std::uint32_t seed) : m_seed(seed) {}

QImage SatelliteRenderer::render(qint64 utcSecs) const {
    const GradientNoise noise(hashCombine(m_seed, 0x5a7e111eU));
    const double hours = double(utcSecs) / 3600.0;

    // The storm wanders west-north-west on a slow loop of a few days.
    const double cycle = std::fmod(hours / 96.0, 1.0);
    const double stormLon = -52 - 20 * cycle + 1.5 * std::sin(2 * std::numbers::pi * cycle * 3);
    const double stormLat = 14 + 9 * cycle + 0.8 * std::cos(2 * std::numbers::pi * cycle * 2);
    const double spin = std::fmod(hours * 0.9, 2 * std::numbers::pi);
    const float dz = float(std::fmod(hours / 3.0, 256.0));
    const float du = float(std::fmod(hours * 0.25, 256.0)); // trade winds carry cloud west

    const int gw = W / Half + 1;
    const int gh = H / Half + 1;
    std::vector<float> cloud(std::size_t(gw) * std::size_t(gh));
    for (int j = 0; j < gh; ++j) {
        for (int i = 0; i < gw; ++i) {
            const double lon = lonAt(i * Half);
            const double lat = latAt(j * Half);
            const float u = float(lon / 4.0) + du;
            const float v = float(lat / 4.0);
            // Scattered cumulus and a few deep clusters.
            const double field = noise.fbm(u, v, dz, 5);
            double c = std::max(0.0, field - 0.05) * 1.6;
            c = c * c * (0.6 + 0.4 * c);
            // The cyclone: dense overcast, spiral bands and an eye.
            const double dx = (lon - stormLon) * std::cos(lat * std::numbers::pi / 180);
            const double dy = lat - stormLat;
            const double r = std::hypot(dx, dy);
            if (r < 16) {
                const double theta = std::atan2(dy, dx);
                const double spiral = std::cos(2 * (theta - spin) + 3.4 * std::log(r + 0.4));
                const double bands = std::pow(std::max(0.0, spiral), 2.5) * std::exp(-r / 7.0);
                const double core = std::exp(-std::pow(r / 2.4, 4));
                const double eye = std::exp(-(r * r) / 0.08);
                const double texture = 0.78 + 0.4 * noise.fbm(u * 4, v * 4, dz + 40, 3);
                const double storm =
                    std::min(1.0, 0.98 * core + bands) * texture * smoothstep(16, 11, r);
                c = std::max(c, storm) * (1 - 0.92 * eye);
            }
            cloud[std::size_t(j) * std::size_t(gw) + std::size_t(i)] = float(std::min(c, 1.0));
        }
    }

    const std::vector<bool>& mask = landMask();
    QImage img(W, H, QImage::Format_Grayscale8);
    for (int y = 0; y < H; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < W; ++x) {
            const bool isLand = mask[std::size_t(y) * W + std::size_t(x)];
            double grey = isLand ? 58 : 26;
            const int i = x / Half;
            const int j = y / Half;
            const float fx = float(x % Half) / Half;
            const float fy = float(y % Half) / Half;
            const std::size_t a = std::size_t(j) * std::size_t(gw) + std::size_t(i);
            const float top = cloud[a] + (cloud[a + 1] - cloud[a]) * fx;
            const float bottom = cloud[a + std::size_t(gw)] +
                                 (cloud[a + std::size_t(gw) + 1] - cloud[a + std::size_t(gw)]) * fx;
            const double c = top + (bottom - top) * fy;
            grey = grey + (240 - grey) * c;
            line[x] = uchar(std::clamp(int(grey), 0, 255));
        }
    }

    // Grid every five degrees, with labels.
    const font::Target t{img.bits(), W, H, int(img.bytesPerLine())};
    for (int lon = -75; lon <= -50; lon += 5) {
        const int x = int(std::lround((lon - LonWest) / (LonEast - LonWest) * W));
        for (int y = 0; y < H; y += 3)
            img.scanLine(y)[x] = 150;
        font::drawOutlinedText(t, x + 3, H - 10, QByteArray(QByteArray::number(-lon) + 'W'), 220,
                               0);
    }
    for (int lat = 10; lat <= 30; lat += 5) {
        const int y = int(std::lround((LatNorth - lat) / (LatNorth - LatSouth) * H));
        uchar* line = img.scanLine(y);
        for (int x = 0; x < W; x += 3)
            line[x] = 150;
        font::drawOutlinedText(t, 3, y + 3, QByteArray(QByteArray::number(lat) + 'N'), 220, 0);
    }
    for (int y = 0; y < 12; ++y)
        std::fill_n(img.scanLine(y), W, uchar(0));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc());
    font::drawText(t, 4, 3, "TROPICAL FLOATER  IR CHANNEL 4", 255);
    const QByteArray stamp = when.toString(u"MM/dd/yyyy  HHmm 'UTC'").toLatin1();
    font::drawText(t, W - 4 - font::textWidth(stamp), 3, stamp, 255);
    return img;
}

QByteArray SatelliteRenderer::renderJpeg(qint64 utcSecs) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    render(utcSecs).convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", 85);
    return bytes;
}

} // namespace pluvix::radarserver
