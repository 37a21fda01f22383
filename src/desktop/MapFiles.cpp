#include "desktop/MapFiles.h"

#include <QBuffer>
#include <QSaveFile>

#include <gif_lib.h>

#include <vector>

namespace pluvix::desktop {

QString captionTail(const QString& caption) {
    const qsizetype dash = caption.lastIndexOf(QLatin1Char('-'));
    return caption.mid(dash + 1).trimmed();
}

QString safeFileName(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool bad = u == u'/' || u == u'\\' || u < 0x20 || u == 0x7f ||
                         (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029;
        out.append(bad ? QLatin1Char('_') : c);
    }
    // Runs of dots could otherwise name the parent folder.
    while (out.contains(QLatin1String("..")))
        out.replace(QLatin1String(".."), QLatin1String("_."));
    if (out.isEmpty() || out == QLatin1String("."))
        out = QStringLiteral("_");
    return out;
}

QString proposedMapFileName(const QString& tail, const QString& tag) {
    return safeFileName(tail + QLatin1String(" - ") + tag);
}

QString proposedSeriesFileName(const QString& tag) {
    return safeFileName(tag);
}

QString seriesFileName(const QString& tail, const QString& tag) {
    return safeFileName(tail + QLatin1String(" - ") + tag);
}

QString folderOfChosenName(const QString& chosen) {
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    return chosen.left(slash + 1);
}

MapFileFormat mapFileFormatFor(const QString& fileName) {
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1).toLower();
    if (name.endsWith(QLatin1String(".gif")))
        return MapFileFormat::Gif;
    if (name.endsWith(QLatin1String(".png")))
        return MapFileFormat::Png;
    if (name.endsWith(QLatin1String(".jpg")) || name.endsWith(QLatin1String(".jpeg")))
        return MapFileFormat::Jpeg;
    return MapFileFormat::Bmp;
}

namespace {

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QByteArray encodeWithQt(const QImage& image, const char* format, QString* error) {
    if (image.isNull()) {
        setError(error, QStringLiteral("There is no picture to save."));
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        setError(
            error,
            QStringLiteral("The picture could not be encoded as %1.").arg(QLatin1String(format)));
        return {};
    }
    return bytes;
}

int appendToBuffer(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

QByteArray encodeGif(const QImage& image, QString* error) {
    if (image.isNull()) {
        setError(error, QStringLiteral("There is no picture to save."));
        return {};
    }
    QImage indexed = image.format() == QImage::Format_Indexed8
                         ? image
                         : image.convertToFormat(QImage::Format_Indexed8);
    const QList<QRgb> table = indexed.colorTable();
    int mapSize = 2;
    while (mapSize < table.size())
        mapSize *= 2;
    if (table.isEmpty() || mapSize > 256) {
        setError(error, QStringLiteral("The picture could not be reduced to 256 colours."));
        return {};
    }
    std::vector<GifColorType> colours(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i) {
        colours[static_cast<size_t>(i)] = {static_cast<GifByteType>(qRed(table[i])),
                                           static_cast<GifByteType>(qGreen(table[i])),
                                           static_cast<GifByteType>(qBlue(table[i]))};
    }

    QByteArray out;
    int gifError = 0;
    GifFileType* gif = EGifOpen(&out, appendToBuffer, &gifError);
    if (!gif) {
        setError(error, QString::fromLatin1(GifErrorString(gifError)));
        return {};
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    const int width = indexed.width();
    const int height = indexed.height();
    bool ok = map != nullptr;
    EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, width, height, GifBitSize(mapSize), 0, map) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int y = 0; ok && y < height; ++y) {
        const uchar* row = indexed.constScanLine(y);
        std::copy(row, row + width, line.begin());
        ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
    if (!ok)
        gifError = gif->Error;
    if (EGifCloseFile(gif, &gifError) != GIF_OK)
        ok = false;
    GifFreeMapObject(map);
    if (!ok) {
        setError(error, QStringLiteral("The picture could not be encoded as GIF: %1")
                            .arg(QString::fromLatin1(GifErrorString(gifError))));
        return {};
    }
    return out;
}

QByteArray encodeMapFile(MapFileFormat format, const QByteArray& original, const QImage& image,
                         QString* error) {
    switch (format) {
    case MapFileFormat::Gif:
        if (original.startsWith("GIF8"))
            return original;
        return encodeGif(image, error);
    case MapFileFormat::Jpeg:
        if (original.startsWith("\xFF\xD8\xFF"))
            return original;
        return encodeWithQt(image, "JPG", error);
    case MapFileFormat::Png:
        return encodeWithQt(image, "PNG", error);
    case MapFileFormat::Bmp:
        break;
    }
    return encodeWithQt(image, "BMP", error);
}

bool writeMapFile(const QString& path, const QByteArray& original, const QImage& image,
                  QString* error) {
    const QByteArray content = encodeMapFile(mapFileFormatFor(path), original, image, error);
    if (content.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

} // namespace pluvix::desktop
