#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>

#include <vector>

namespace pluvix::view {

// A picture stretched over `target` (destination pixels; may be fractional and reach far beyond
// the destination), nearest neighbour: every pixel written is exactly one source pixel. Only
// destination pixels inside `clip` whose centres lie in the target are written, so the cost
// follows what is visible, not the target's size. Works row by row so that a caller can finish
// each row while it is still in the cache. The source must be 32-bit (RGB32 or an ARGB32
// variant); anything else, or an empty or non-finite target, writes nothing.
class NearestStretcher {
public:
    NearestStretcher(const QImage& source, const QRectF& target, const QRect& clip);

    bool isEmpty() const { return m_firstRow > m_lastRow; }
    int firstColumn() const { return m_firstColumn; }
    int lastColumn() const { return m_lastColumn; }
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }

    // Writes the picture's part of destination row y; `line` points at the row's pixel 0. Rows
    // outside firstRow() ... lastRow() are left alone.
    void writeRow(int y, QRgb* line);

private:
    QImage m_source;
    double m_top = 0.0;
    double m_scaleY = 0.0;
    int m_firstColumn = 0;
    int m_lastColumn = -1;
    int m_firstRow = 0;
    int m_lastRow = -1;
    std::vector<int> m_columns;
    // Enlarged pictures repeat each source row over several destination rows: built once.
    std::vector<QRgb> m_row;
    int m_rowSource = -1;
};

} // namespace pluvix::view
