#include "view/RingRaster.h"

#include <algorithm>
#include <cmath>

namespace pluvix::view {

namespace {

struct Span {
    double from;
    double to;
};

// Pixels whose centres lie between the curve's crossings of the row's edges; where the curve is
// steep that is no pixel, and the one it passes through in mid-row stands in.
Span pixelsBetween(double a, double b) {
    double first = std::ceil(a - 0.5);
    double last = std::floor(b - 0.5);
    if (first > last)
        first = last = std::floor((a + b) / 2.0);
    return {first, last};
}

} // namespace

RingOutline::RingOutline(const QRectF& box) {
    const double r = box.width() / 2.0 - 0.5;
    const QPointF c = box.center();
    if (!(r > 0.0) || !std::isfinite(r) || !std::isfinite(c.x()) || !std::isfinite(c.y()))
        return;
    m_cx = c.x();
    m_cy = c.y();
    m_r = r;
    m_firstRow = std::floor(m_cy - r);
    m_lastRow = std::ceil(m_cy + r) - 1.0;
}

int RingOutline::runsInRow(int y, int left, int right, QRect runs[2]) const {
    if (isEmpty() || y < m_firstRow || y > m_lastRow || left > right)
        return 0;
    const double top = y;
    const double d1 = std::abs(top - m_cy);
    const double d2 = std::abs(top + 1.0 - m_cy);
    const double nearest = (top <= m_cy && m_cy <= top + 1.0) ? 0.0 : std::min(d1, d2);
    const double farthest = std::max(d1, d2);
    if (nearest >= m_r)
        return 0;
    const double outer = std::sqrt(m_r * m_r - nearest * nearest);
    const double inner = farthest < m_r ? std::sqrt(m_r * m_r - farthest * farthest) : 0.0;

    Span spans[2] = {pixelsBetween(m_cx - outer, m_cx - inner),
                     pixelsBetween(m_cx + inner, m_cx + outer)};
    int count = 2;
    if (spans[0].to >= spans[1].from - 1.0) {
        spans[0].to = spans[1].to;
        count = 1;
    }
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const double from = std::max(spans[i].from, double(left));
        const double to = std::min(spans[i].to, double(right));
        if (from <= to)
            runs[written++] = QRect(int(from), y, int(to - from) + 1, 1);
    }
    return written;
}

} // namespace pluvix::view
