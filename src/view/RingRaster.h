#pragma once

#include <QList>
#include <QRect>
#include <QRectF>

namespace pluvix::view {

// A one-pixel circle outline inscribed in a box (pixels), walked row by row as horizontal runs.
// Every pixel belongs to one run only, so the runs can be drawn inverting without cancelling
// each other; neighbouring rows touch at least at a corner, so the outline has no gaps. A box
// narrower than one pixel has no outline.
class RingOutline {
public:
    explicit RingOutline(const QRectF& box);

    bool isEmpty() const { return m_firstRow > m_lastRow; }
    // Rows the outline may touch; meaningful only when not empty.
    double firstRow() const { return m_firstRow; }
    double lastRow() const { return m_lastRow; }

    // The runs of row y limited to columns left ... right: 0, 1 or 2 of them, written to `runs`.
    int runsInRow(int y, int left, int right, QRect runs[2]) const;

private:
    double m_cx = 0.0;
    double m_cy = 0.0;
    double m_r = 0.0;
    double m_firstRow = 1.0;
    double m_lastRow = 0.0;
};

} // namespace pluvix::view
