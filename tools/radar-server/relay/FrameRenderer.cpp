#include "FrameRenderer.h"

#include "BaseMap.h"
#include "BitmapFont.h"
#include "LineWalk.h"
#include "TitleStrip.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace pluvix::radarserver::relay {

namespace {

using namespace frame;

constexpr double EarthRadiusMiles = 3958.8; // mean radius; the sphere is good to a pixel here
constexpr double DegToRad = std::numbers::pi / 180;
// The projection is exact at every GridStep-th pixel and interpolated between: off by far less
// than a pixel, and it keeps a frame to a few thousand trigonometric evaluations.
constexpr int GridStep = 8;
constexpr int GridColumns = Width / GridStep + 1;
constexpr int GridRows = (MapHeight + GridStep - 1) / GridStep + 1;
constexpr qsizetype MaxTitleChars = 88;
static_assert(strip::Top == MapHeight);

enum Reserved : uchar { Background, County, State, Outline, White, Grey, Frame, Strip, EchoFirst };
constexpr int EchoSlots = 256 - EchoFirst;

QList<QRgb> reservedPalette() {
    return {BackgroundColour,       CountyColour,        StateColour,
            OutlineColour,          qRgb(255, 255, 255), qRgb(0xa4, 0xa9, 0xb0),
            qRgb(0x4a, 0x4f, 0x55), qRgb(0, 0, 0)};
}

double wrap180(double degrees) {
    double d = std::fmod(degrees + 180, 360);
    if (d < 0)
        d += 360;
    return d - 180;
}

// Azimuthal equidistant on the sphere around the site, in output pixels.
class Projection {
public:
    Projection(double latitude, double longitude, double milesPerPixel)
        : m_lon0(longitude), m_sin0(std::sin(latitude * DegToRad)),
          m_cos0(std::cos(latitude * DegToRad)), m_pixelAngle(milesPerPixel / EarthRadiusMiles) {}

    // Longitude continuous around the site's (within ±180 of it).
    void toLonLat(double px, double py, double& lon, double& lat) const {
        const double x = px - SiteX;
        const double y = SiteY - py;
        const double c = std::hypot(x, y) * m_pixelAngle;
        if (c == 0) {
            lat = std::asin(m_sin0) / DegToRad;
            lon = m_lon0;
            return;
        }
        const double az = std::atan2(x, y);
        const double sinC = std::sin(c);
        const double cosC = std::cos(c);
        const double sinLat = std::clamp(m_sin0 * cosC + m_cos0 * sinC * std::cos(az), -1.0, 1.0);
        lat = std::asin(sinLat) / DegToRad;
        lon = m_lon0 + std::atan2(std::sin(az) * sinC * m_cos0, cosC - m_sin0 * sinLat) / DegToRad;
    }

    // False on the far side of the globe, where the frame never reaches.
    bool toPixel(double lon, double lat, double& px, double& py) const {
        const double dl = wrap180(lon - m_lon0) * DegToRad;
        const double sinLat = std::sin(lat * DegToRad);
        const double cosLat = std::cos(lat * DegToRad);
        const double cosC = m_sin0 * sinLat + m_cos0 * cosLat * std::cos(dl);
        if (cosC <= 0)
            return false;
        const double c = std::acos(std::min(cosC, 1.0));
        const double k = c < 1e-12 ? 1.0 : c / std::sin(c);
        px = SiteX + k * cosLat * std::sin(dl) / m_pixelAngle;
        py = SiteY - k * (m_cos0 * sinLat - m_sin0 * cosLat * std::cos(dl)) / m_pixelAngle;
        return true;
    }

private:
    double m_lon0;
    double m_sin0;
    double m_cos0;
    double m_pixelAngle;
};

// The upstream picture as colour ids: a palette picture keeps its indexes, any other format gets
// one id per distinct colour met. -1 is transparent.
class Source {
public:
    explicit Source(const QImage& picture) {
        m_indexed = picture.format() == QImage::Format_Indexed8;
        m_image = m_indexed ? picture : picture.convertToFormat(QImage::Format_ARGB32);
        if (m_indexed) {
            m_colours = picture.colorTable();
            m_colours.resize(256, qRgba(0, 0, 0, 0));
            for (int i = 0; i < 256; ++i)
                m_indexId[std::size_t(i)] = qAlpha(m_colours[i]) < 128 ? -1 : i;
        }
        m_bits = m_image.constBits();
        m_stride = std::size_t(m_image.bytesPerLine());
    }

    bool indexed() const { return m_indexed; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    const QList<QRgb>& colours() const { return m_colours; }

    int indexedIdAt(int x, int y) const {
        return m_indexId[m_bits[std::size_t(y) * m_stride + std::size_t(x)]];
    }
    int colourIdAt(int x, int y) {
        const QRgb c = reinterpret_cast<const QRgb*>(m_bits + std::size_t(y) * m_stride)[x];
        if (qAlpha(c) < 128)
            return -1;
        auto it = m_ids.constFind(c);
        if (it != m_ids.constEnd())
            return *it;
        m_colours.append(c);
        return *m_ids.insert(c, int(m_colours.size() - 1));
    }

private:
    QImage m_image;
    bool m_indexed = false;
    const uchar* m_bits = nullptr;
    std::size_t m_stride = 0;
    std::array<int, 256> m_indexId{};
    QList<QRgb> m_colours;
    QHash<QRgb, int> m_ids;
};

// Nearest upstream pixel for every map pixel, stepping linearly between the exact grid nodes.
template <typename IdAt>
void sampleMap(const std::vector<QPointF>& node, int sourceWidth, int sourceHeight, IdAt idAt,
               std::vector<int>& ids) {
    std::vector<QPointF> rowNodes(GridColumns);
    for (int py = 0; py < MapHeight; ++py) {
        const int r = py / GridStep;
        const double fy = double(py % GridStep) / GridStep;
        for (int c = 0; c < GridColumns; ++c) {
            const QPointF a = node[std::size_t(r) * GridColumns + std::size_t(c)];
            const QPointF b = node[std::size_t(r + 1) * GridColumns + std::size_t(c)];
            rowNodes[std::size_t(c)] = a + (b - a) * fy;
        }
        int* out = ids.data() + std::size_t(py) * Width;
        for (int c = 0; c + 1 < GridColumns; ++c) {
            const QPointF a = rowNodes[std::size_t(c)];
            const QPointF step = (rowNodes[std::size_t(c) + 1] - a) / GridStep;
            // Pixel n covers [n - 0.5, n + 0.5): shifted by a half, truncation rounds.
            double x = a.x() + 0.5;
            double y = a.y() + 0.5;
            for (int i = 0; i < GridStep; ++i, x += step.x(), y += step.y()) {
                if (x >= 0 && y >= 0 && x < sourceWidth && y < sourceHeight)
                    out[c * GridStep + i] = idAt(int(x), int(y));
            }
        }
    }
}

bool usable(const FrameInput& in) {
    return !in.upstream.isNull() && in.world.isValid() &&
           in.world.extentProblem(in.upstream.size()).isEmpty() &&
           std::abs(in.siteLatitude) <= 90 && std::abs(in.siteLongitude) <= 360 &&
           in.milesAcross >= 1 && in.milesAcross <= 5000;
}

// Keeps the segment's part inside the map (Liang-Barsky); false when nothing is left.
bool clipToMap(double& x0, double& y0, double& x1, double& y1) {
    double t0 = 0;
    double t1 = 1;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + 0.49, Width - 0.51 - x0, y0 + 0.49, MapHeight - 0.51 - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 += t0 * dx;
    y0 += t0 * dy;
    return true;
}

// Lines go under the echoes: only map pixels that show no echo take their colour.
void drawSegment(uchar* pixels, double fx0, double fy0, double fx1, double fy1, uchar colour) {
    if (!clipToMap(fx0, fy0, fx1, fy1))
        return;
    const int x0 = int(std::lround(fx0));
    const int y0 = int(std::lround(fy0));
    const int x1 = int(std::lround(fx1));
    const int y1 = int(std::lround(fy1));
    walkLine(x0, y0, x1, y1, Width + MapHeight, [&](int x, int y) {
        uchar& p = pixels[std::size_t(y) * Width + std::size_t(x)];
        if (p < EchoFirst)
            p = colour;
    });
}

void drawBaseMap(uchar* pixels, const Projection& proj, bool counties, double west, double south,
                 double east, double north) {
    const BaseMap& map = BaseMap::builtIn();
    std::vector<std::uint32_t> found = map.piecesIn(west, south, east, north);
    const auto& pieces = map.pieces();
    // Outlines last, so a coast that is also a county line shows as coast.
    std::stable_sort(found.begin(), found.end(), [&pieces](std::uint32_t a, std::uint32_t b) {
        return pieces[a].kind < pieces[b].kind;
    });
    const auto& points = map.points();
    for (std::uint32_t index : found) {
        const BaseMap::Piece& piece = pieces[index];
        if (piece.kind == BaseMap::Kind::County && !counties)
            continue;
        const uchar colour = piece.kind == BaseMap::Kind::County  ? County
                             : piece.kind == BaseMap::Kind::State ? State
                                                                  : Outline;
        double px = 0, py = 0;
        bool previous = false;
        double lastX = 0, lastY = 0;
        for (std::uint32_t i = 0; i < piece.count; ++i) {
            const QPointF& p = points[piece.first + i];
            const bool here = proj.toPixel(p.x(), p.y(), px, py);
            if (here && previous)
                drawSegment(pixels, lastX, lastY, px, py, colour);
            previous = here;
            lastX = px;
            lastY = py;
        }
    }
}

// Echo colours into palette slots: exact while they fit, else the most used keep their slot and
// the rest take the nearest kept colour.
std::vector<int> assignEchoSlots(const QList<QRgb>& colours, const std::vector<int>& uses,
                                 QList<QRgb>& palette) {
    std::vector<int> slotOf(colours.size(), Background);
    QHash<QRgb, int> byColour; // opaque colour -> total uses
    for (qsizetype id = 0; id < colours.size(); ++id) {
        if (uses[std::size_t(id)])
            byColour[colours[id] | 0xff000000U] += uses[std::size_t(id)];
    }
    std::vector<std::pair<QRgb, int>> ranked(byColour.keyValueBegin(), byColour.keyValueEnd());
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    const std::size_t kept = std::min<std::size_t>(ranked.size(), EchoSlots);
    QHash<QRgb, int> slotOfColour;
    for (std::size_t i = 0; i < kept; ++i) {
        slotOfColour.insert(ranked[i].first, int(palette.size()));
        palette.append(ranked[i].first);
    }
    auto nearest = [&palette](QRgb c) {
        int best = EchoFirst;
        int bestDistance = INT_MAX;
        for (int s = EchoFirst; s < palette.size(); ++s) {
            const int dr = qRed(c) - qRed(palette[s]);
            const int dg = qGreen(c) - qGreen(palette[s]);
            const int db = qBlue(c) - qBlue(palette[s]);
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = s;
            }
        }
        return best;
    };
    for (std::size_t i = kept; i < ranked.size(); ++i)
        slotOfColour.insert(ranked[i].first, nearest(ranked[i].first));
    for (qsizetype id = 0; id < colours.size(); ++id) {
        if (uses[std::size_t(id)])
            slotOf[std::size_t(id)] = slotOfColour.value(colours[id] | 0xff000000U, Background);
    }
    return slotOf;
}

void drawTitleStrip(IndexedImage& img, const FrameInput& in) {
    uchar* pixels = reinterpret_cast<uchar*>(img.pixels.data());
    std::fill(pixels + std::size_t(MapHeight) * Width, pixels + std::size_t(Height) * Width,
              uchar(Strip));
    const font::Target t{pixels, Width, Height, Width};
    strip::drawHeading(t, in.stationTitle.toUpper().left(4).toLatin1(),
                       in.productTitle.left(MaxTitleChars).toLatin1(),
                       "NWS RIDGE VIA IOWA ENVIRONMENTAL MESONET", White, Grey, Frame);
    if (in.validUtc.isValid())
        strip::drawTime(t, in.validUtc.toSecsSinceEpoch(), White);
}

} // namespace

IndexedImage renderFrame(const FrameInput& in) {
    if (!usable(in))
        return {};
    const Projection proj(in.siteLatitude, in.siteLongitude, in.milesAcross / Width);
    Source source(in.upstream);
    const WorldFile& world = in.world;
    // Upstream longitudes are taken within half a globe of the picture's middle.
    const double upstreamMiddle = world.west() + world.xSize() * (source.width() - 1) / 2;

    // Upstream pixel coordinates at the grid nodes, and the box the frame covers.
    std::vector<QPointF> node(std::size_t(GridColumns) * GridRows);
    double west = 1e9, east = -1e9, south = 1e9, north = -1e9;
    for (int r = 0; r < GridRows; ++r) {
        for (int c = 0; c < GridColumns; ++c) {
            double lon = 0, lat = 0;
            proj.toLonLat(c * GridStep, r * GridStep, lon, lat);
            west = std::min(west, lon);
            east = std::max(east, lon);
            south = std::min(south, lat);
            north = std::max(north, lat);
            const double upstreamLon = upstreamMiddle + wrap180(lon - upstreamMiddle);
            node[std::size_t(r) * GridColumns + std::size_t(c)] = world.toPixel(upstreamLon, lat);
        }
    }

    std::vector<int> ids(std::size_t(Width) * MapHeight, -1);
    if (source.indexed())
        sampleMap(
            node, source.width(), source.height(),
            [&source](int x, int y) { return source.indexedIdAt(x, y); }, ids);
    else
        sampleMap(
            node, source.width(), source.height(),
            [&source](int x, int y) { return source.colourIdAt(x, y); }, ids);

    std::vector<int> uses(std::size_t(source.colours().size()), 0);
    for (int id : ids) {
        if (id >= 0)
            ++uses[std::size_t(id)];
    }
    IndexedImage img;
    img.width = Width;
    img.height = Height;
    img.palette = reservedPalette();
    const std::vector<int> slotOf = assignEchoSlots(source.colours(), uses, img.palette);
    img.pixels = QByteArray(qsizetype(Width) * Height, char(Background));
    uchar* pixels = reinterpret_cast<uchar*>(img.pixels.data());
    for (std::size_t p = 0; p < ids.size(); ++p) {
        if (ids[p] >= 0)
            pixels[p] = uchar(slotOf[std::size_t(ids[p])]);
    }

    drawBaseMap(pixels, proj, in.countyLines, west - 0.2, south - 0.2, east + 0.2, north + 0.2);
    drawTitleStrip(img, in);
    return img;
}

QByteArray renderFrameGif(const FrameInput& in) {
    const IndexedImage img = renderFrame(in);
    return img.width ? encodeGif(img) : QByteArray();
}

} // namespace pluvix::radarserver::relay
