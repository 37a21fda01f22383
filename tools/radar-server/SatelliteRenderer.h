#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>

namespace pluvix::radarserver {

// Infrared pictures of a tropical floater: a cyclone turning over the sea among scattered
// cloud, over dark land and water with a latitude-longitude grid.
class SatelliteRenderer {
public:
    static constexpr int Width = 640;
    static constexpr int Height = 480;

    explicit SatelliteRenderer(std::uint32_t seed);

    QImage render(qint64 utcSecs) const;
    QByteArray renderJpeg(qint64 utcSecs) const;

private:
    std::uint32_t m_seed;
};

} // namespace pluvix::radarserver
