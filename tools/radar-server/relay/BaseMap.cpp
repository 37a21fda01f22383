#include "BaseMap.h"

#include <QFile>
#include <QtEndian>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pluvix::radarserver::relay {

namespace {

constexpr std::uint32_t PieceLength = 32;

class Reader {
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}
    bool ok() const { return m_ok; }
    bool has(qsizetype n) const { return m_ok && m_data.size() - m_at >= n; }
    template <typename T> T read() {
        if (!has(qsizetype(sizeof(T)))) {
            m_ok = false;
            return T{};
        }
        T v = qFromLittleEndian<T>(m_data.data() + m_at);
        m_at += qsizetype(sizeof(T));
        return v;
    }
    double readDouble() {
        const quint64 bits = read<quint64>();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
    bool m_ok = true;
};

int cellColumn(double lon) {
    return std::clamp(int(std::floor(lon + 180)), 0, 359);
}
int cellRow(double lat) {
    return std::clamp(int(std::floor(lat + 90)), 0, 179);
}

} // namespace

BaseMap::BaseMap(QByteArrayView file) {
    Reader in(file);
    if (!file.startsWith("PLVXMAP1"))
        return;
    for (int i = 0; i < 8; ++i)
        in.read<quint8>();
    const quint32 lineCount = in.read<quint32>();
    const double sx = in.readDouble();
    const double sy = in.readDouble();
    const double tx = in.readDouble();
    const double ty = in.readDouble();
    if (!in.ok() || !std::isfinite(sx + sy + tx + ty))
        return;

    struct Pending {
        Kind kind;
        std::uint32_t first;
        std::uint32_t count;
    };
    std::vector<Pending> lines;
    for (quint32 l = 0; l < lineCount; ++l) {
        const quint8 kind = in.read<quint8>();
        const quint32 count = in.read<quint32>();
        if (!in.ok() || kind > quint8(Kind::Outline) || !in.has(qsizetype(count) * 8)) {
            m_points.clear();
            return;
        }
        const auto first = std::uint32_t(m_points.size());
        for (quint32 p = 0; p < count; ++p) {
            const qint32 x = in.read<qint32>();
            const qint32 y = in.read<qint32>();
            const double lon = x * sx + tx;
            const double lat = y * sy + ty;
            if (!(std::abs(lon) <= 360 && std::abs(lat) <= 90)) {
                m_points.clear();
                return;
            }
            m_points.emplace_back(lon, lat);
        }
        lines.push_back({Kind(kind), first, count});
    }

    // Pieces overlap by one point so that drawing them one by one leaves no gaps.
    for (const Pending& line : lines) {
        for (std::uint32_t start = 0; start + 1 < line.count; start += PieceLength - 1) {
            const std::uint32_t n = std::min(PieceLength, line.count - start);
            addPiece(line.kind, line.first + start, n);
        }
    }

    // Two passes over the pieces' boxes: count per cell, then fill.
    auto forEachCell = [this](const Piece& piece, auto&& visit) {
        double w = 1e9, e = -1e9, s = 1e9, n = -1e9;
        for (std::uint32_t i = 0; i < piece.count; ++i) {
            const QPointF& p = m_points[piece.first + i];
            w = std::min(w, p.x());
            e = std::max(e, p.x());
            s = std::min(s, p.y());
            n = std::max(n, p.y());
        }
        for (int r = cellRow(s); r <= cellRow(n); ++r)
            for (int c = cellColumn(w); c <= cellColumn(e); ++c)
                visit(std::size_t(r) * Columns + std::size_t(c));
    };
    m_cellStart.assign(std::size_t(Columns) * Rows + 1, 0);
    for (const Piece& piece : m_pieces)
        forEachCell(piece, [this](std::size_t cell) { ++m_cellStart[cell + 1]; });
    for (std::size_t c = 1; c < m_cellStart.size(); ++c)
        m_cellStart[c] += m_cellStart[c - 1];
    m_cellPieces.resize(m_cellStart.back());
    std::vector<std::uint32_t> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::uint32_t i = 0; i < m_pieces.size(); ++i)
        forEachCell(m_pieces[i], [&](std::size_t cell) { m_cellPieces[fill[cell]++] = i; });
}

void BaseMap::addPiece(Kind kind, std::uint32_t first, std::uint32_t count) {
    m_pieces.push_back({kind, first, count});
}

const BaseMap& BaseMap::builtIn() {
    static const BaseMap map = [] {
        QFile file(QStringLiteral(":/pluvix/radar-server/basemap.bin"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("base map resource missing; frames are drawn without a map");
            return BaseMap();
        }
        BaseMap m(file.readAll());
        if (m.isEmpty())
            qWarning("base map resource unreadable; frames are drawn without a map");
        return m;
    }();
    return map;
}

void BaseMap::collect(int col0, int col1, int row0, int row1,
                      std::vector<std::uint32_t>& out) const {
    for (int r = row0; r <= row1; ++r) {
        for (int c = col0; c <= col1; ++c) {
            const std::size_t cell = std::size_t(r) * Columns + std::size_t(c);
            out.insert(out.end(), m_cellPieces.begin() + m_cellStart[cell],
                       m_cellPieces.begin() + m_cellStart[cell + 1]);
        }
    }
}

std::vector<std::uint32_t> BaseMap::piecesIn(double west, double south, double east,
                                             double north) const {
    std::vector<std::uint32_t> out;
    if (m_pieces.empty() || !(west <= east) || !(south <= north) || !std::isfinite(east - west))
        return out;
    const int row0 = cellRow(south);
    const int row1 = cellRow(north);
    if (east - west >= 360) {
        collect(0, Columns - 1, row0, row1, out);
    } else {
        // Bring the west edge into [-180, 180); the box then may run past +180 once.
        const double shift = 360 * std::floor((west + 180) / 360);
        const double w = west - shift;
        const double e = east - shift;
        collect(cellColumn(w), cellColumn(std::min(e, 179.999)), row0, row1, out);
        if (e >= 180)
            collect(0, cellColumn(e - 360), row0, row1, out);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace pluvix::radarserver::relay
