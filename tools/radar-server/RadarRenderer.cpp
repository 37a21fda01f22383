#include "RadarRenderer.h"

#include "BitmapFont.h"
#include "Geography.h"
#include "LineWalk.h"
#include "TitleStrip.h"
#include "Weather.h"
#include "view/EchoScales.h"

#include <array>
#include <cmath>
#include <numbers>

namespace pluvix::radarserver {

namespace {

constexpr int W = RadarRenderer::Width;
constexpr int H = RadarRenderer::Height;
constexpr int MapH = RadarRenderer::MapHeight;
static_assert(strip::Top == MapH);
constexpr double CentreX = W / 2.0;
constexpr double CentreY = MapH / 2.0;
constexpr uchar Clear = 255;

enum Colour : uchar {
    Black = 0,
    White,
    Grey,
    Frame,
    Land0,
    WaterDeep = Land0 + 6,
    WaterShallow,
    Coast,
    County,
    State,
    Highway,
    Town,
    City,
    RangeRing,
    Outline,
    Echo0,
    Precip0 = Echo0 + 15,
    ColourCount = Precip0 + 15,
};

const QList<QRgb>& palette() {
    static const QList<QRgb> p = [] {
        QList<QRgb> c(64, qRgb(0, 0, 0));
        c[White] = qRgb(255, 255, 255);
        c[Grey] = qRgb(0xa4, 0xa9, 0xb0);
        c[Frame] = qRgb(0x4a, 0x4f, 0x55);
        const QRgb land[6] = {qRgb(0x1b, 0x21, 0x17), qRgb(0x1f, 0x26, 0x1a),
                              qRgb(0x24, 0x2a, 0x1d), qRgb(0x29, 0x2e, 0x20),
                              qRgb(0x2e, 0x32, 0x23), qRgb(0x34, 0x36, 0x27)};
        for (int i = 0; i < 6; ++i)
            c[Land0 + i] = land[i];
        c[WaterDeep] = qRgb(0x08, 0x12, 0x22);
        c[WaterShallow] = qRgb(0x0e, 0x1d, 0x33);
        c[Coast] = qRgb(0x58, 0x7c, 0x96);
        c[County] = qRgb(0x3d, 0x43, 0x4b);
        c[State] = qRgb(0x86, 0x8c, 0x94);
        c[Highway] = qRgb(0x80, 0x30, 0x2c);
        c[Town] = qRgb(0x9c, 0x9c, 0x9c);
        c[City] = qRgb(0xe8, 0xe8, 0xe8);
        c[RangeRing] = qRgb(0x5c, 0x66, 0x70);
        c[Outline] = qRgb(0x06, 0x06, 0x06);
        for (int i = 0; i < 15; ++i) {
            c[Echo0 + i] = pluvix::view::echo::reflectivityColours[std::size_t(i)] | 0xff000000U;
            c[Precip0 + i] = pluvix::view::echo::precipitationColours[std::size_t(i)] | 0xff000000U;
        }
        return c;
    }();
    return p;
}

double kmPerPixel(RangeClass r) {
    // The long-range view spans as much more ground as the viewer's bullseye scales assume.
    return r == RangeClass::Short ? 1.0 : 1.0 * 0.721 / 0.319;
}

double rangeKm(RangeClass r) {
    return r == RangeClass::Short ? 230 : 460;
}

bool isPrecipitation(const Product& p) {
    return p.kind != ProductKind::Reflectivity;
}

double cellKm(const Product& p) {
    return isPrecipitation(p) ? 2.0 : kmPerPixel(p.range);
}

font::Target targetOf(QByteArray& pixels) {
    return {reinterpret_cast<uchar*>(pixels.data()), W, H, W};
}

// Polar sampling bins: each map pixel belongs to one bin of 1 degree by `radialKm`, so far
// echoes come out in the blocky fans of real radar data.
struct BinGrid {
    std::vector<int> pixelBin; // per map pixel, -1 outside the radar's range
    std::vector<float> x;      // bin centre, km
    std::vector<float> y;
    std::vector<float> range; // km
    std::vector<std::uint32_t> id;
    int fieldW = 0;
    int fieldH = 0;
    double cell = 1; // field grid cell size in km
};

BinGrid buildBins(const Product& product) {
    const double kmpp = kmPerPixel(product.range);
    const double maxRange = rangeKm(product.range);
    const double radial =
        isPrecipitation(product) ? 2.0 : (product.range == RangeClass::Short ? 1.0 : 2.0);
    const int rings = int(std::ceil(maxRange / radial));
    BinGrid g;
    g.cell = cellKm(product);
    g.fieldW = int(std::ceil(W * kmpp / g.cell));
    g.fieldH = int(std::ceil(MapH * kmpp / g.cell));
    g.pixelBin.assign(std::size_t(W) * MapH, -1);
    std::vector<int> compact(std::size_t(rings) * 360, -1);
    const double degree = std::numbers::pi / 180;
    for (int py = 0; py < MapH; ++py) {
        for (int px = 0; px < W; ++px) {
            const double dx = (px + 0.5 - CentreX) * kmpp;
            const double dy = (CentreY - py - 0.5) * kmpp;
            const double r = std::hypot(dx, dy);
            if (r >= maxRange)
                continue;
            double az = std::atan2(dx, dy);
            if (az < 0)
                az += 2 * std::numbers::pi;
            const int ai = std::min(359, int(az / degree));
            const int ri = std::min(rings - 1, int(r / radial));
            int& bin = compact[std::size_t(ri) * 360 + std::size_t(ai)];
            if (bin < 0) {
                bin = int(g.x.size());
                const double rc = (ri + 0.5) * radial;
                const double ac = (ai + 0.5) * degree;
                const double bx = rc * std::sin(ac);
                const double by = rc * std::cos(ac);
                g.x.push_back(float(bx));
                g.y.push_back(float(by));
                g.range.push_back(float(rc));
                g.id.push_back(std::uint32_t(ri * 360 + ai));
            }
            g.pixelBin[std::size_t(py) * W + std::size_t(px)] = bin;
        }
    }
    return g;
}

const BinGrid& binsFor(const Product& product) {
    static std::array<std::unique_ptr<BinGrid>, 6> grids;
    const qsizetype i = allProducts().indexOf(&product);
    auto& slot = grids[std::size_t(i)];
    if (!slot)
        slot = std::make_unique<BinGrid>(buildBins(product));
    return *slot;
}

// Rain rate in mm/h from reflectivity (Z = 200 R^1.6), capped as for hail.
double rainRate(double dbz) {
    static const std::array<float, 400> table = [] {
        std::array<float, 400> t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double z = std::pow(10.0, (15 + 0.1 * double(i)) / 10);
            t[i] = float(std::pow(z / 200, 1 / 1.6));
        }
        return t;
    }();
    if (dbz < 15)
        return 0;
    return table[std::min<std::size_t>(std::size_t((std::min(dbz, 53.0) - 15) * 10), 399)];
}

void drawLine(QByteArray& overlay, const QByteArray& background, int x0, int y0, int x1, int y1,
              uchar colour, bool landOnly) {
    walkLine(x0, y0, x1, y1, 20000, [&](int x, int y) {
        if (x < 0 || y < 0 || x >= W || y >= MapH)
            return;
        const std::size_t p = std::size_t(y) * W + std::size_t(x);
        const uchar under = uchar(background[qsizetype(p)]);
        if (!landOnly || (under >= Land0 && under < Land0 + 6))
            overlay[qsizetype(p)] = char(colour);
    });
}

void fillRect(QByteArray& pixels, int x, int y, int w, int h, uchar colour) {
    for (int yy = std::max(0, y); yy < std::min(H, y + h); ++yy) {
        for (int xx = std::max(0, x); xx < std::min(W, x + w); ++xx)
            pixels[qsizetype(yy) * W + xx] = char(colour);
    }
}

// The slowly changing part of the echo texture and a displacement that keeps echo edges from
// looking like the smooth ellipses they are built from. Evaluated on a coarse lattice and
// interpolated, which keeps a picture well within its time budget.
class TextureLattice {
public:
    double wavelength; // km, of the largest texture features

    TextureLattice(const Weather& weather, double hours, RangeClass range)
        : wavelength(range == RangeClass::Short ? 26 : 38) {
        const double kmpp = kmPerPixel(range);
        m_spacing = wavelength / 6;
        m_x0 = -CentreX * kmpp - 2 * m_spacing;
        m_y0 = CentreY * kmpp + 2 * m_spacing;
        m_nx = int(std::ceil(W * kmpp / m_spacing)) + 5;
        m_ny = int(std::ceil(MapH * kmpp / m_spacing)) + 5;
        double driftX = 0;
        double driftY = 0;
        weather.textureDrift(hours, driftX, driftY);
        const float du = float(std::fmod(driftX / wavelength, 256.0));
        const float dv = float(std::fmod(driftY / wavelength, 256.0));
        const float dz = float(std::fmod(hours / 0.7, 256.0));
        const float warpScale = 4.0f;
        const float wz = float(std::fmod(hours / 2.0, 256.0));
        const std::size_t n = std::size_t(m_nx) * std::size_t(m_ny);
        m_values.resize(n * 3);
        const GradientNoise& noise = weather.noise();
        for (int j = 0; j < m_ny; ++j) {
            for (int i = 0; i < m_nx; ++i) {
                const float u = float((m_x0 + i * m_spacing) / wavelength) - du;
                const float v = float((m_y0 - j * m_spacing) / wavelength) - dv;
                float* out = &m_values[(std::size_t(j) * std::size_t(m_nx) + std::size_t(i)) * 3];
                out[0] = noise.fbm(u, v, dz, 2);
                out[1] =
                    float(0.45 * wavelength) * noise.at(u / warpScale, v / warpScale, wz + 17.3f);
                out[2] =
                    float(0.45 * wavelength) * noise.at(u / warpScale + 31.7f, v / warpScale, wz);
            }
        }
    }

    void sample(float x, float y, float& tex, float& warpX, float& warpY) const {
        const float gx = std::clamp(float((x - m_x0) / m_spacing), 0.0f, float(m_nx - 1.001));
        const float gy = std::clamp(float((m_y0 - y) / m_spacing), 0.0f, float(m_ny - 1.001));
        const int i = int(gx);
        const int j = int(gy);
        const float fx = gx - float(i);
        const float fy = gy - float(j);
        const float* a = &m_values[(std::size_t(j) * std::size_t(m_nx) + std::size_t(i)) * 3];
        const float* b = a + 3;
        const float* c = a + std::size_t(m_nx) * 3;
        const float* d = c + 3;
        float r[3];
        for (int k = 0; k < 3; ++k) {
            const float top = a[k] + (b[k] - a[k]) * fx;
            const float bottom = c[k] + (d[k] - c[k]) * fx;
            r[k] = top + (bottom - top) * fy;
        }
        tex = r[0];
        warpX = r[1];
        warpY = r[2];
    }

private:
    double m_spacing = 1;
    double m_x0 = 0;
    double m_y0 = 0;
    int m_nx = 0;
    int m_ny = 0;
    std::vector<float> m_values;
};

} // namespace

struct RadarRenderer::MapLayers {
    QByteArray background; // W x H palette indexes
    QByteArray overlay;    // W x H, Clear where the echoes show through
};

struct RadarRenderer::Scene {
    std::shared_ptr<const MapLayers> map;
    QByteArray background; // map background plus the fixed parts of the label strip
    const BinGrid* bins = nullptr;
    QString station;
    const Product* product = nullptr;
};

RadarRenderer::RadarRenderer(std::uint32_t seed) : m_seed(seed) {}

RadarRenderer::~RadarRenderer() = default;

std::shared_ptr<const RadarRenderer::MapLayers> RadarRenderer::mapLayers(const QString& station,
                                                                         RangeClass range) {
    const QString key = station + (range == RangeClass::Short ? u"/s" : u"/l");
    if (auto hit = m_maps.find(key))
        return *hit;

    const Geography geo(station);
    const double kmpp = kmPerPixel(range);
    auto layers = std::make_shared<MapLayers>();
    QByteArray& bg = layers->background;
    bg.fill(char(Black), qsizetype(W) * H);
    for (int py = 0; py < MapH; ++py) {
        for (int px = 0; px < W; ++px) {
            const auto cover =
                geo.coverAt((px + 0.5 - CentreX) * kmpp, (CentreY - py - 0.5) * kmpp);
            bg[qsizetype(py) * W + px] =
                char(cover.water ? (cover.shade ? WaterShallow : WaterDeep) : Land0 + cover.shade);
        }
    }

    QByteArray& ov = layers->overlay;
    ov.fill(char(Clear), qsizetype(W) * H);
    auto toPixel = [kmpp](QPointF km) {
        return QPoint(int(std::lround(CentreX + km.x() / kmpp)),
                      int(std::lround(CentreY - km.y() / kmpp)));
    };
    const double extent = CentreX * kmpp + 60;
    auto lines = geo.lines(extent);
    for (Geography::LineKind pass :
         {Geography::LineKind::County, Geography::LineKind::State, Geography::LineKind::Highway}) {
        const uchar colour = pass == Geography::LineKind::County  ? County
                             : pass == Geography::LineKind::State ? State
                                                                  : Highway;
        for (const auto& line : lines) {
            if (line.kind != pass)
                continue;
            for (std::size_t i = 1; i < line.points.size(); ++i) {
                const QPoint a = toPixel(line.points[i - 1]);
                const QPoint b = toPixel(line.points[i]);
                if ((a.x() < -50 && b.x() < -50) || (a.x() > W + 50 && b.x() > W + 50) ||
                    (a.y() < -50 && b.y() < -50) || (a.y() > MapH + 50 && b.y() > MapH + 50))
                    continue;
                drawLine(ov, bg, a.x(), a.y(), b.x(), b.y(), colour, true);
            }
        }
    }
    // Shore line wherever land meets water.
    auto isWater = [&bg](int x, int y) {
        const uchar c = uchar(bg[qsizetype(y) * W + x]);
        return c == WaterDeep || c == WaterShallow;
    };
    for (int py = 1; py < MapH - 1; ++py) {
        for (int px = 1; px < W - 1; ++px) {
            if (!isWater(px, py) && (isWater(px - 1, py) || isWater(px + 1, py) ||
                                     isWater(px, py - 1) || isWater(px, py + 1)))
                ov[qsizetype(py) * W + px] = char(Coast);
        }
    }
    const bool shortRange = range == RangeClass::Short;
    for (const auto& place : geo.places(extent)) {
        const QPoint p = toPixel(place.at);
        if (place.city) {
            const int s = shortRange ? 4 : 3;
            fillRect(ov, p.x() - 1, p.y() - 1, s, s, Outline);
            fillRect(ov, p.x(), p.y(), s - 2, s - 2, City);
        } else if (shortRange) {
            fillRect(ov, p.x(), p.y(), 2, 2, Town);
        } else {
            fillRect(ov, p.x(), p.y(), 1, 1, Town);
        }
    }
    // Dotted edge of the radar's reach.
    const double rr = rangeKm(range) / kmpp;
    const int steps = int(2 * std::numbers::pi * rr);
    for (int i = 0; i < steps; ++i) {
        if ((i / 3) % 2)
            continue;
        const double a = 2 * std::numbers::pi * i / steps;
        const int x = int(std::lround(CentreX + rr * std::sin(a)));
        const int y = int(std::lround(CentreY - rr * std::cos(a)));
        if (x >= 0 && y >= 0 && x < W && y < MapH)
            ov[qsizetype(y) * W + x] = char(RangeRing);
    }
    // The radar itself.
    const int cx = int(CentreX);
    const int cy = int(CentreY);
    fillRect(ov, cx - 4, cy - 1, 9, 3, Outline);
    fillRect(ov, cx - 1, cy - 4, 3, 9, Outline);
    fillRect(ov, cx - 3, cy, 7, 1, White);
    fillRect(ov, cx, cy - 3, 1, 7, White);
    font::drawOutlinedText(targetOf(ov), cx + 6, cy + 3, station.toUpper().toLatin1(), White,
                           Outline);

    m_maps.insert(key, layers);
    return layers;
}

std::shared_ptr<const RadarRenderer::Scene> RadarRenderer::scene(const QString& station,
                                                                 const Product& product) {
    const QString key = station + u'/' + QLatin1StringView(product.code);
    if (auto hit = m_scenes.find(key))
        return *hit;
    auto s = std::make_shared<Scene>();
    s->map = mapLayers(station, product.range);
    s->bins = &binsFor(product);
    s->station = station;
    s->product = &product;
    s->background = s->map->background;
    QByteArray& bg = s->background;
    const font::Target t = targetOf(bg);
    strip::drawHeading(t, station.toUpper().toLatin1(), product.title, product.subtitle, White,
                       Grey, Frame);

    constexpr int boxX = 296;
    constexpr int boxW = 19;
    const bool precip = isPrecipitation(product);
    font::drawText(t, boxX, 504, precip ? "INCHES" : "DBZ", Grey);
    for (int i = 0; i < 15; ++i) {
        const int x = boxX + i * boxW;
        fillRect(bg, x, 514, boxW - 1, 12, uchar((precip ? Precip0 : Echo0) + i));
        QByteArray label;
        if (!precip)
            label = QByteArray::number((i + 1) * 5);
        else if (product.kind == ProductKind::OneHourPrecipitation)
            label = pluvix::view::echo::oneHourInches[std::size_t(i)].label;
        else
            label = pluvix::view::echo::stormTotalInches[std::size_t(i)].label;
        font::drawSmallText(t, x + (boxW - 1 - font::smallTextWidth(label)) / 2, 529, label, Grey);
    }
    m_scenes.insert(key, s);
    return s;
}

IndexedImage RadarRenderer::render(const QString& station, const Product& product, qint64 utcSecs) {
    const auto sc = scene(station, product);
    const BinGrid& bins = *sc->bins;
    const Weather weather(station, m_seed);
    const double hours = double(utcSecs) / 3600.0;
    const bool precip = isPrecipitation(product);

    std::vector<float> field(std::size_t(bins.fieldW) * std::size_t(bins.fieldH),
                             precip ? 0.0f : -99.0f);
    const double kmpp = kmPerPixel(product.range);
    const double left = -CentreX * kmpp;
    const double top = CentreY * kmpp;
    const double cell = bins.cell;
    auto cellRange = [&](double lo, double hi, bool horizontal, int& first, int& last) {
        if (horizontal) {
            first = std::max(0, int(std::floor((lo - left) / cell)));
            last = std::min(bins.fieldW - 1, int(std::ceil((hi - left) / cell)));
        } else {
            first = std::max(0, int(std::floor((top - hi) / cell)));
            last = std::min(bins.fieldH - 1, int(std::ceil((top - lo) / cell)));
        }
    };

    if (!precip) {
        for (Echo e : weather.echoesAt(hours)) {
            if (!product.composite && e.convective) {
                // The lowest scan misses the tall cores a composite shows.
                e.peak -= 3;
                e.major *= 0.92;
                e.minor *= 0.92;
            }
            const double reach = e.reach(-12);
            if (reach <= 0)
                continue;
            int x0, x1, y0, y1;
            cellRange(e.x - reach, e.x + reach, true, x0, x1);
            cellRange(e.y - reach, e.y + reach, false, y0, y1);
            for (int j = y0; j <= y1; ++j) {
                const double wy = top - (j + 0.5) * cell;
                float* row = field.data() + std::size_t(j) * std::size_t(bins.fieldW);
                for (int i = x0; i <= x1; ++i) {
                    const float v = float(e.dbzAt(left + (i + 0.5) * cell, wy));
                    if (v > row[i])
                        row[i] = v;
                }
            }
        }
    } else {
        // Rain totals: integrate each echo's rain rate along its track over the period.
        const bool hour = product.kind == ProductKind::OneHourPrecipitation;
        const double window = hour ? 1.0 : 8.0;
        const double step = hour ? 5.0 / 60 : 15.0 / 60;
        const int samples = int(std::lround(window / step));
        for (int k = 0; k < samples; ++k) {
            const double t = hours - window + k * step;
            for (const Echo& e : weather.echoesAt(t)) {
                // Wide steady rain changes slowly: every other sample, covering two, is enough.
                if (!e.convective && k % 2)
                    continue;
                const double span = e.convective ? step : 2 * step;
                const double reach = e.reach(15);
                if (reach <= 0)
                    continue;
                const double ax = e.x;
                const double ay = e.y;
                const double sx = e.vx * span;
                const double sy = e.vy * span;
                const double len2 = sx * sx + sy * sy;
                int x0, x1, y0, y1;
                cellRange(std::min(ax, ax + sx) - reach, std::max(ax, ax + sx) + reach, true, x0,
                          x1);
                cellRange(std::min(ay, ay + sy) - reach, std::max(ay, ay + sy) + reach, false, y0,
                          y1);
                Echo moved = e;
                for (int j = y0; j <= y1; ++j) {
                    const double wy = top - (j + 0.5) * cell;
                    float* row = field.data() + std::size_t(j) * std::size_t(bins.fieldW);
                    for (int i = x0; i <= x1; ++i) {
                        const double wx = left + (i + 0.5) * cell;
                        double s = len2 > 0 ? ((wx - ax) * sx + (wy - ay) * sy) / len2 : 0;
                        s = std::clamp(s, 0.0, 1.0);
                        moved.x = ax + s * sx;
                        moved.y = ay + s * sy;
                        row[i] += float(rainRate(moved.dbzAt(wx, wy)) * span);
                    }
                }
            }
        }
    }

    // Texture, warp, speckle and clutter per bin, then the colour of each bin.
    const TextureLattice lattice(weather, hours, product.range);
    const GradientNoise& noise = weather.noise();
    const double fineWave = lattice.wavelength / 4;
    double driftX = 0;
    double driftY = 0;
    weather.textureDrift(hours, driftX, driftY);
    const float fineU = float(std::fmod(driftX / fineWave, 256.0));
    const float fineV = float(std::fmod(driftY / fineWave, 256.0));
    const std::uint32_t frame = mix32(std::uint32_t(utcSecs / 60));
    const std::uint32_t clutterSeed = hashBytes(station.toUtf8(), 0xc1u);
    const bool clutter = product.kind == ProductKind::Reflectivity && !product.composite &&
                         product.range == RangeClass::Short;
    const auto& steps = product.kind == ProductKind::OneHourPrecipitation
                            ? pluvix::view::echo::oneHourInches
                            : pluvix::view::echo::stormTotalInches;
    std::vector<uchar> binColour(bins.x.size(), 0);
    for (std::size_t b = 0; b < bins.x.size(); ++b) {
        const float bx = bins.x[b];
        const float by = bins.y[b];
        float tex = 0;
        float warpX = 0;
        float warpY = 0;
        lattice.sample(bx, by, tex, warpX, warpY);
        const int fx = int((bx + warpX - left) / cell);
        const int fy = int((top - by - warpY) / cell);
        float base = precip ? 0.0f : -99.0f;
        if (fx >= 0 && fy >= 0 && fx < bins.fieldW && fy < bins.fieldH)
            base = field[std::size_t(fy) * std::size_t(bins.fieldW) + std::size_t(fx)];
        const float r = bins.range[b];
        if (!precip) {
            float v = base;
            if (clutter && r < 40) {
                const std::uint32_t h = hashCombine(clutterSeed, bins.id[b]);
                if (unitFromHash(h) < 0.16 * (1 - r / 40.0))
                    v = std::max(
                        v, float(8 + 30 * unitFromHash(mix32(h)) + 4 * unitFromHash(frame ^ h)));
            }
            if (v < -14)
                continue;
            const float fine = noise.at(bx / float(fineWave) - fineU, by / float(fineWave) - fineV);
            // Light echo is patchier than the cores.
            const float fringe = std::clamp((28.0f - v) / 28.0f, 0.0f, 1.0f);
            v += 10.0f * tex + (3.5f + 5.0f * fringe) * fine;
            v += float(unitFromHash(mix32(frame + bins.id[b])) - 0.5) * (3.0f + 3.0f * fringe);
            // The beam rises above the weather far out; the lowest scan suffers most.
            if (!product.composite)
                v -= std::max(0.0f, (r - 120.0f) / 22.0f);
            else
                v -= std::max(0.0f, (r - 190.0f) / 45.0f);
            const int level = int(std::floor(v / 5));
            if (level >= 1)
                binColour[b] = uchar(Echo0 + std::min(level, 15) - 1);
        } else {
            if (base <= 0.2f)
                continue;
            const double inches = base * (1 + 0.35 * tex) / 25.4;
            int level = 0;
            while (level < 15 && inches >= steps[std::size_t(level)].inches)
                ++level;
            if (level >= 1)
                binColour[b] = uchar(Precip0 + level - 1);
        }
    }

    IndexedImage img;
    img.width = W;
    img.height = H;
    img.palette = palette();
    img.pixels = sc->background;
    uchar* out = reinterpret_cast<uchar*>(img.pixels.data());
    const uchar* over = reinterpret_cast<const uchar*>(sc->map->overlay.constData());
    for (std::size_t p = 0; p < std::size_t(W) * MapH; ++p) {
        if (over[p] != Clear) {
            out[p] = over[p];
            continue;
        }
        const int b = bins.pixelBin[p];
        if (b >= 0 && binColour[std::size_t(b)])
            out[p] = binColour[std::size_t(b)];
    }
    strip::drawTime(targetOf(img.pixels), utcSecs, White);
    return img;
}

QByteArray RadarRenderer::renderGif(const QString& station, const Product& product,
                                    qint64 utcSecs) {
    return encodeGif(render(station, product, utcSecs));
}

} // namespace pluvix::radarserver
