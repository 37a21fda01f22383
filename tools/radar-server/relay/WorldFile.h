#pragma once

#include <QByteArrayView>
#include <QPointF>
#include <QSize>
#include <QString>

namespace pluvix::radarserver::relay {

// The six-line world file that places an upstream picture in plain longitude/latitude.
// Convention (as ESRI world files): lines 5 and 6 give the centre of the upper-left pixel, so
// pixel (col, row) has its centre at (west + col * xSize, north + row * ySize). Pixel coordinates
// below are continuous with whole numbers at pixel centres; pixel (c, r) covers [c - 0.5, c + 0.5).
class WorldFile {
public:
    WorldFile() = default; // not valid

    // Refuses anything but six finite numbers with a positive x size, a negative y size, zero
    // rotation terms and a corner on the globe; `reason` says why.
    static WorldFile parse(QByteArrayView text, QString* reason = nullptr);

    bool isValid() const { return m_valid; }
    // Empty when a picture of `size` pixels placed by this file stays on the globe and is of
    // sane proportions; otherwise why not.
    QString extentProblem(QSize size) const;

    double xSize() const { return m_xSize; }
    double ySize() const { return m_ySize; }
    double west() const { return m_west; }
    double north() const { return m_north; }

    QPointF toPixel(double longitude, double latitude) const {
        return {(longitude - m_west) / m_xSize, (latitude - m_north) / m_ySize};
    }
    QPointF toLonLat(QPointF pixel) const {
        return {m_west + pixel.x() * m_xSize, m_north + pixel.y() * m_ySize};
    }

private:
    bool m_valid = false;
    double m_xSize = 0;
    double m_ySize = 0;
    double m_west = 0;
    double m_north = 0;
};

} // namespace pluvix::radarserver::relay
