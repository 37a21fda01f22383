#pragma once

#include "Catalogue.h"
#include "GifWriter.h"
#include "LruCache.h"

#include <QString>

#include <memory>

namespace pluvix::radarserver {

// Draws the radar picture of one station, product and time: a 600 x 550 palette image with the
// map, the echoes, a legend and a label strip. The result depends only on the arguments and the
// seed.
class RadarRenderer {
public:
    static constexpr int Width = 600;
    static constexpr int Height = 550;
    static constexpr int MapHeight = 500;

    explicit RadarRenderer(std::uint32_t seed);
    ~RadarRenderer();

    IndexedImage render(const QString& station, const Product& product, qint64 utcSecs);
    QByteArray renderGif(const QString& station, const Product& product, qint64 utcSecs);

private:
    struct MapLayers;
    struct Scene;
    std::shared_ptr<const MapLayers> mapLayers(const QString& station, RangeClass range);
    std::shared_ptr<const Scene> scene(const QString& station, const Product& product);

    std::uint32_t m_seed;
    LruCache<QString, std::shared_ptr<const MapLayers>> m_maps{12};
    LruCache<QString, std::shared_ptr<const Scene>> m_scenes{24};
};

} // namespace pluvix::radarserver
