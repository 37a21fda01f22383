#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>

namespace pluvix::radarserver {

struct IndexedImage {
    int width = 0;
    int height = 0;
    QByteArray pixels;   // width * height palette indexes, rows top to bottom
    QList<QRgb> palette; // at most 256 entries; every index used must be below its size
};

// A GIF89a file of one frame; empty when the image is inconsistent or giflib fails.
QByteArray encodeGif(const IndexedImage& image);

} // namespace pluvix::radarserver
