#include "GifWriter.h"

#include <gif_lib.h>

#include <memory>
#include <vector>

namespace pluvix::radarserver {

namespace {

int appendToByteArray(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

} // namespace

QByteArray encodeGif(const IndexedImage& image) {
    const qsizetype paletteSize = image.palette.size();
    if (image.width <= 0 || image.height <= 0 || paletteSize == 0 || paletteSize > 256 ||
        image.pixels.size() != qsizetype(image.width) * image.height)
        return {};
    int bits = 1;
    while ((1 << bits) < paletteSize)
        ++bits;
    const int colours = 1 << bits;
    for (char c : image.pixels) {
        if (static_cast<uchar>(c) >= paletteSize)
            return {};
    }

    std::vector<GifColorType> entries(static_cast<std::size_t>(colours), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < paletteSize; ++i) {
        const QRgb c = image.palette[i];
        entries[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(qRed(c)),
                                                static_cast<GifByteType>(qGreen(c)),
                                                static_cast<GifByteType>(qBlue(c))};
    }
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(colours, entries.data()));
    if (!map)
        return {};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToByteArray, &error);
    if (!gif)
        return {};
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, image.width, image.height, bits, 0, map.get()) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    // giflib wants writable rows although it only reads them.
    QByteArray rows = image.pixels;
    for (int y = 0; ok && y < image.height; ++y) {
        auto* row = reinterpret_cast<GifPixelType*>(rows.data() + qsizetype(y) * image.width);
        ok = EGifPutLine(gif, row, image.width) == GIF_OK;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        return {};
    return out;
}

} // namespace pluvix::radarserver
