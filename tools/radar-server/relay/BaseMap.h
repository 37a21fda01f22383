#pragma once

#include <QByteArrayView>
#include <QPointF>

#include <cstdint>
#include <vector>

namespace pluvix::radarserver::relay {

// Boundary lines in longitude/latitude (degrees, east and north positive), loaded once from the
// converted Census file and indexed on a one-degree grid so a frame finds its few thousand
// points without walking the whole country. Immutable after construction, so it may be shared
// between threads.
class BaseMap {
public:
    enum class Kind : std::uint8_t {
        County,
        State,
        Outline
    }; // outline: coasts, lake shores, land borders

    // A run of at most a few dozen points of one boundary line.
    struct Piece {
        Kind kind;
        std::uint32_t first; // into points()
        std::uint32_t count;
    };

    BaseMap() = default;
    // Reads the converted file; an unreadable or inconsistent file gives an empty map.
    explicit BaseMap(QByteArrayView file);

    // The map built into the server; empty (with a warning) if the resource is missing.
    static const BaseMap& builtIn();

    bool isEmpty() const { return m_pieces.empty(); }
    const std::vector<QPointF>& points() const { return m_points; }
    const std::vector<Piece>& pieces() const { return m_pieces; }

    // Indexes into pieces() of every piece that may touch the box, each once, in ascending
    // order. Longitudes may run past ±180; the box wraps.
    std::vector<std::uint32_t> piecesIn(double west, double south, double east, double north) const;

private:
    static constexpr int Columns = 360;
    static constexpr int Rows = 180;
    void addPiece(Kind kind, std::uint32_t first, std::uint32_t count);
    void collect(int col0, int col1, int row0, int row1, std::vector<std::uint32_t>& out) const;

    std::vector<QPointF> m_points;
    std::vector<Piece> m_pieces;
    // Cell (col, row) holds m_cellPieces[m_cellStart[c] .. m_cellStart[c + 1]).
    std::vector<std::uint32_t> m_cellStart;
    std::vector<std::uint32_t> m_cellPieces;
};

} // namespace pluvix::radarserver::relay
