#include "view/NearestStretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pluvix::view {

namespace {

bool is32Bit(const QImage& img) {
    return !img.isNull() && img.depth() == 32;
}

bool finite(const QRectF& r) {
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

// First and last pixel whose centre lies in [from, to), limited to [low, high].
bool centreRange(double from, double to, int low, int high, int& first, int& last) {
    const double f = std::max(std::ceil(from - 0.5), double(low));
    const double l = std::min(std::ceil(to - 0.5) - 1.0, double(high));
    if (f > l)
        return false;
    first = int(f);
    last = int(l);
    return true;
}

} // namespace

NearestStretcher::NearestStretcher(const QImage& source, const QRectF& target, const QRect& clip) {
    if (!is32Bit(source) || !finite(target) || target.width() <= 0.0 || target.height() <= 0.0 ||
        clip.isEmpty())
        return;
    int x0, x1, y0, y1;
    if (!centreRange(target.left(), target.right(), clip.left(), clip.right(), x0, x1) ||
        !centreRange(target.top(), target.bottom(), clip.top(), clip.bottom(), y0, y1))
        return;
    m_source = source;
    m_top = target.top();
    m_scaleY = source.height() / target.height();
    m_firstColumn = x0;
    m_lastColumn = x1;
    m_firstRow = y0;
    m_lastRow = y1;

    const double scaleX = source.width() / target.width();
    const double lastSourceColumn = source.width() - 1;
    m_columns.resize(std::size_t(x1 - x0 + 1));
    for (int x = x0; x <= x1; ++x) {
        const double s = std::floor((x + 0.5 - target.left()) * scaleX);
        m_columns[std::size_t(x - x0)] = int(std::clamp(s, 0.0, lastSourceColumn));
    }
    m_row.resize(m_columns.size());
}

void NearestStretcher::writeRow(int y, QRgb* line) {
    if (y < m_firstRow || y > m_lastRow)
        return;
    const double s = std::floor((y + 0.5 - m_top) * m_scaleY);
    const int row = int(std::clamp(s, 0.0, double(m_source.height() - 1)));
    if (row != m_rowSource) {
        const auto* in = reinterpret_cast<const QRgb*>(m_source.constScanLine(row));
        for (std::size_t i = 0; i < m_columns.size(); ++i)
            m_row[i] = in[m_columns[i]];
        m_rowSource = row;
    }
    std::memcpy(line + m_firstColumn, m_row.data(), m_row.size() * sizeof(QRgb));
}

} // namespace pluvix::view
