#include "desktop/AnimatedGif.h"

#include "core/NumberText.h"
#include "core/RuntimeError.h"

#include <QFileDevice>
#include <QSaveFile>
#include <QSet>

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace pluvix::desktop {

namespace {

using core::RuntimeError;

// All colours of the frames when they are 256 or fewer; otherwise Qt's reduction of a sample
// of rows from every frame, so that no frame's colours are left out of the table.
QList<QRgb> sharedColourTable(const QList<GifFrame>& frames, QSize size) {
    constexpr qint64 samplePixels = 1 << 20;
    const qint64 rows = qint64(frames.size()) * size.height();
    const int rowStep = int(std::max<qint64>(1, rows * size.width() / samplePixels));
    QImage sample(size.width(), int((rows + rowStep - 1) / rowStep), QImage::Format_RGB32);
    QSet<QRgb> colours;
    qint64 row = 0;
    int sampleRow = 0;
    for (const GifFrame& frame : frames) {
        const QImage rgb = frame.image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y, ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            if (colours.size() <= 256)
                colours.unite(QSet<QRgb>(line, line + rgb.width()));
            if (row % rowStep == 0)
                std::copy(line, line + rgb.width(),
                          reinterpret_cast<QRgb*>(sample.scanLine(sampleRow++)));
        }
    }
    if (colours.size() <= 256)
        return {colours.begin(), colours.end()};
    return sample.convertToFormat(QImage::Format_Indexed8).colorTable();
}

QImage indexedFrame(const QImage& image, const QList<QRgb>& sharedTable) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (sharedTable.isEmpty())
        return rgb.convertToFormat(QImage::Format_Indexed8);
    return rgb.convertToFormat(QImage::Format_Indexed8, sharedTable, Qt::ThresholdDither);
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapDeleter>;

ColourMap colourMapOf(const QList<QRgb>& table) {
    int size = 2;
    while (size < table.size())
        size *= 2;
    std::vector<GifColorType> colours(std::size_t(size), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i)
        colours[std::size_t(i)] = {GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                                   GifByteType(qBlue(table[i]))};
    return ColourMap(GifMakeMapObject(size, colours.data()));
}

int writeToDevice(GifFileType* gif, const GifByteType* data, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    const qint64 written = device->write(reinterpret_cast<const char*>(data), length);
    return written == length ? length : 0;
}

RuntimeError writeError(const QIODevice& device) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (file && file->error() == QFileDevice::ResourceError)
        return RuntimeError::diskFull();
    return RuntimeError::pathFileAccess();
}

// Steps through the encoder; the first failing call stops the rest.
class Encoder {
public:
    explicit Encoder(QIODevice& device) : m_device(device) {
        int error = 0;
        m_gif = EGifOpen(&device, writeToDevice, &error);
        if (!m_gif)
            throw RuntimeError::pathFileAccess();
        EGifSetGifVersion(m_gif, true);
    }
    ~Encoder() {
        if (m_gif)
            EGifCloseFile(m_gif, nullptr);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    GifFileType* gif() const { return m_gif; }
    void check(int result) const {
        if (result != GIF_OK)
            throw writeError(m_device);
    }
    void close() {
        GifFileType* closing = std::exchange(m_gif, nullptr);
        if (EGifCloseFile(closing, nullptr) != GIF_OK)
            throw writeError(m_device);
    }

private:
    QIODevice& m_device;
    GifFileType* m_gif = nullptr;
};

void putLoopForever(const Encoder& encoder) {
    static const GifByteType application[] = "NETSCAPE2.0";
    static const GifByteType repeatForever[] = {1, 0, 0};
    encoder.check(EGifPutExtensionLeader(encoder.gif(), APPLICATION_EXT_FUNC_CODE));
    encoder.check(EGifPutExtensionBlock(encoder.gif(), 11, application));
    encoder.check(EGifPutExtensionBlock(encoder.gif(), 3, repeatForever));
    encoder.check(EGifPutExtensionTrailer(encoder.gif()));
}

void putDelay(const Encoder& encoder, int centiseconds) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = std::clamp(centiseconds, 0, 0xffff);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    encoder.check(EGifPutExtension(encoder.gif(), GRAPHICS_EXT_FUNC_CODE, 4, extension));
}

} // namespace

QList<int> loopFrameDelays(int frameCount, qint16 playSpeed, qint16 loopDelay) {
    const int tick = core::timerIntervalForSpeed(std::max<qint16>(playSpeed, 1));
    QList<int> delays(std::max(frameCount, 0), tick);
    if (!delays.isEmpty())
        delays.last() = tick * (1 + std::max<int>(loopDelay, 0));
    return delays;
}

void writeAnimatedGif(QIODevice& device, const QList<GifFrame>& frames, GifPalette palette) {
    if (frames.isEmpty() || frames.first().image.isNull())
        throw RuntimeError::invalidCall();
    const QSize size = frames.first().image.size();
    for (const GifFrame& frame : frames) {
        if (frame.image.size() != size)
            throw RuntimeError::invalidCall();
    }
    const QList<QRgb> shared =
        palette == GifPalette::Shared ? sharedColourTable(frames, size) : QList<QRgb>();
    const ColourMap globalMap = shared.isEmpty() ? nullptr : colourMapOf(shared);

    Encoder encoder(device);
    encoder.check(
        EGifPutScreenDesc(encoder.gif(), size.width(), size.height(), 8, 0, globalMap.get()));
    putLoopForever(encoder);
    // GIF counts in hundredths; rounding the running total keeps the whole loop's length.
    qint64 elapsedMs = 0;
    std::vector<GifPixelType> line(std::size_t(size.width()));
    for (const GifFrame& frame : frames) {
        const qint64 start = elapsedMs;
        elapsedMs += std::max(frame.delayMs, 0);
        putDelay(encoder, int((elapsedMs + 5) / 10 - (start + 5) / 10));
        const QImage indexed = indexedFrame(frame.image, shared);
        const ColourMap localMap = shared.isEmpty() ? colourMapOf(indexed.colorTable()) : nullptr;
        encoder.check(EGifPutImageDesc(encoder.gif(), 0, 0, size.width(), size.height(), false,
                                       localMap.get()));
        for (int y = 0; y < size.height(); ++y) {
            const uchar* row = indexed.constScanLine(y);
            std::copy(row, row + size.width(), line.begin());
            encoder.check(EGifPutLine(encoder.gif(), line.data(), size.width()));
        }
    }
    encoder.close();
}

void saveAnimatedGif(const QString& path, const QList<GifFrame>& frames, GifPalette palette) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw RuntimeError::pathFileAccess();
    writeAnimatedGif(file, frames, palette);
    if (!file.commit()) {
        if (file.error() == QFileDevice::ResourceError)
            throw RuntimeError::diskFull();
        throw RuntimeError::pathFileAccess();
    }
}

} // namespace pluvix::desktop
