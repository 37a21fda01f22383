#include "acquisition/ImageHistory.h"

#include "core/RuntimeError.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace pluvix::acquisition {

namespace {

constexpr int highestIndex = 32767;
// Decoded frames kept at most, in bytes, whatever the frame count allows.
constexpr qint64 decodedBytesLimit = qint64(160) * 1024 * 1024;

bool tooLarge(int width, int height) {
    return width > maxPictureSide || height > maxPictureSide;
}

quint16 wordAt(const QByteArray& d, qsizetype pos) {
    return quint16(quint8(d[pos]) | (quint8(d[pos + 1]) << 8));
}

core::RuntimeError alreadyLoaded() {
    return {360, QStringLiteral("Object already loaded")};
}
core::RuntimeError noSuchElement(int i) {
    return {340, QStringLiteral("Control array element '%1' doesn't exist").arg(i)};
}
core::RuntimeError cannotUnloadFirst() {
    return {362, QStringLiteral("Can't unload controls created at design time")};
}

quint8 byteAt(const QByteArray& d, qsizetype pos) {
    return quint8(d[pos]);
}

// Steps over data sub-blocks; false when the data ends first.
bool skipSubBlocks(const QByteArray& d, qsizetype& pos) {
    for (;;) {
        if (pos >= d.size())
            return false;
        const int length = byteAt(d, pos++);
        if (length == 0)
            return true;
        pos += length;
    }
}

// Walks the block structure up to the trailer; false also for a screen or frame over the size
// limit, which a decoder would allocate before finding anything wrong.
bool gifIsComplete(const QByteArray& d) {
    if (d.size() < 13 || tooLarge(wordAt(d, 6), wordAt(d, 8)))
        return false;
    qsizetype pos = 13;
    const quint8 screenFlags = byteAt(d, 10);
    if (screenFlags & 0x80)
        pos += 3 * (qsizetype(1) << ((screenFlags & 7) + 1));
    while (pos < d.size()) {
        const quint8 block = byteAt(d, pos++);
        if (block == 0x3B)
            return true;
        if (block == 0x21) {
            ++pos; // label
            if (!skipSubBlocks(d, pos))
                return false;
        } else if (block == 0x2C) {
            if (pos + 10 > d.size())
                return false;
            if (tooLarge(wordAt(d, pos) + wordAt(d, pos + 4),
                         wordAt(d, pos + 2) + wordAt(d, pos + 6)))
                return false;
            const quint8 imageFlags = byteAt(d, pos + 8);
            pos += 9;
            if (imageFlags & 0x80)
                pos += 3 * (qsizetype(1) << ((imageFlags & 7) + 1));
            ++pos; // code size
            if (!skipSubBlocks(d, pos))
                return false;
        } else {
            return false;
        }
    }
    return false;
}

// Inside compressed JPEG data 0xFF is never followed by 0xD9, so an end marker after the last
// scan start means the file was not cut off.
bool jpegIsComplete(const QByteArray& d) {
    const qsizetype lastScan = d.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    const qsizetype end = d.lastIndexOf(QByteArrayView("\xFF\xD9", 2));
    return lastScan >= 0 && end > lastScan;
}

// A progressive picture decodes in one pass over the whole picture per scan, and nothing stops a
// file from repeating a scan header tens of thousands of times; real pictures have a dozen.
constexpr int maxJpegScans = 100;

// The scan headers a decoder would meet before the end marker, counted up to limit + 1. Walks the
// markers as a decoder does: segments by their length, anything else (compressed data, stuffed
// bytes, restart markers, garbage) until the next marker.
int jpegScanCount(const QByteArray& d, int limit) {
    int scans = 0;
    qsizetype pos = 2;
    while (scans <= limit) {
        pos = d.indexOf('\xFF', pos);
        if (pos < 0)
            break;
        while (pos < d.size() && byteAt(d, pos) == 0xFF)
            ++pos;
        if (pos >= d.size())
            break;
        const quint8 marker = byteAt(d, pos++);
        if (marker == 0xD9)
            break;
        const bool standalone = marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
                                (marker >= 0xD0 && marker <= 0xD7);
        if (standalone)
            continue;
        if (pos + 2 > d.size())
            break;
        if (marker == 0xDA)
            ++scans;
        pos += (qsizetype(byteAt(d, pos)) << 8) | byteAt(d, pos + 1);
    }
    return scans;
}

} // namespace

namespace {
// The checks made before anything is decoded; the reader then decodes from where the header
// left it.
void checkBeforeDecoding(const QByteArray& encoded, QImageReader& reader) {
    const bool gif = encoded.startsWith("GIF8");
    const bool jpeg = encoded.startsWith("\xFF\xD8");
    // The servers send GIF and JPEG only; other decoders never see their bytes (a PNG chunk of
    // a few bytes can claim a gigabyte that the decoder allocates before reading it).
    if ((!gif && !jpeg) || (gif && !gifIsComplete(encoded)) ||
        (jpeg && (!jpegIsComplete(encoded) || jpegScanCount(encoded, maxJpegScans) > maxJpegScans)))
        throw core::RuntimeError::invalidPicture();
    const QSize size = reader.size();
    if (!size.isValid() || tooLarge(size.width(), size.height()))
        throw core::RuntimeError::invalidPicture();
}
} // namespace

void checkPicture(const QByteArray& encoded) {
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    checkBeforeDecoding(encoded, reader);
}

bool passesPictureCheck(const QByteArray& encoded) {
    try {
        checkPicture(encoded);
        return true;
    } catch (const core::RuntimeError&) {
        return false;
    }
}

QImage decodePicture(const QByteArray& encoded) {
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    checkBeforeDecoding(encoded, reader);
    QImage image = reader.read();
    if (tooLarge(image.width(), image.height()))
        throw core::RuntimeError::invalidPicture();
    if (image.isNull())
        throw core::RuntimeError::invalidPicture();
    // Converted once here so that showing a frame never converts.
    const QImage::Format fast =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != fast)
        image.convertTo(fast);
    return image;
}

ImageHistory::ImageHistory(int decodedFrames) : m_frameLimit(qMax(1, decodedFrames)) {
    m_elements.emplace(0, Element{});
}

void ImageHistory::create(int i) {
    if (i < 0 || i > highestIndex)
        throw noSuchElement(i);
    if (!m_elements.emplace(i, Element{}).second)
        throw alreadyLoaded();
}

void ImageHistory::destroy(int i) {
    if (i == 0)
        throw cannotUnloadFirst();
    const auto it = m_elements.find(i);
    if (it == m_elements.end())
        throw noSuchElement(i);
    const quint64 id = it->second.pictureId;
    m_elements.erase(it);
    m_decoded.removeIf([id](const Frame& f) { return f.pictureId == id; });
}

void ImageHistory::destroyAllButFirst() {
    m_elements.erase(std::next(m_elements.begin()), m_elements.end());
    const quint64 kept = m_elements.begin()->second.pictureId;
    m_decoded.removeIf([kept](const Frame& f) { return f.pictureId != kept; });
}

void ImageHistory::clear(int i) {
    Element& e = element(i);
    const quint64 old = e.pictureId;
    m_decoded.removeIf([old](const Frame& f) { return f.pictureId == old; });
    e = Element();
}

bool ImageHistory::exists(int i) const {
    return m_elements.count(i) != 0;
}

int ImageHistory::UBound() const {
    return m_elements.rbegin()->first;
}

const ImageHistory::Element& ImageHistory::element(int i) const {
    const auto it = m_elements.find(i);
    if (it == m_elements.end())
        throw noSuchElement(i);
    return it->second;
}

ImageHistory::Element& ImageHistory::element(int i) {
    const auto it = m_elements.find(i);
    if (it == m_elements.end())
        throw noSuchElement(i);
    return it->second;
}

void ImageHistory::setPicture(int i, QByteArray encodedBytes, const QImage& decoded) {
    Element& e = element(i);
    // Decoding waits for the first showing: a history load only checks what it stores.
    if (decoded.isNull())
        checkPicture(encodedBytes);
    const quint64 old = e.pictureId;
    m_decoded.removeIf([old](const Frame& f) { return f.pictureId == old; });
    e.encoded = std::move(encodedBytes);
    e.pictureId = m_nextPictureId++;
    e.undecodable = false;
    if (!decoded.isNull())
        remember(e.pictureId, decoded);
}

QByteArray readPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw core::RuntimeError::fileNotFound();
    QByteArray bytes = file.readAll();
    bytes.squeeze(); // the history keeps it for the whole run
    return bytes;
}

QImage ImageHistory::picture(int i) const {
    const Element& e = element(i);
    if (e.pictureId == 0)
        return {};
    for (qsizetype k = 0; k < m_decoded.size(); ++k) {
        if (m_decoded[k].pictureId == e.pictureId) {
            m_decoded.move(k, m_decoded.size() - 1);
            return m_decoded.last().image;
        }
    }
    if (e.undecodable)
        return {};
    try {
        const QImage image = decodePicture(e.encoded);
        remember(e.pictureId, image);
        return image;
    } catch (const core::RuntimeError&) {
        e.undecodable = true; // told once; afterwards the element shows nothing
        throw;
    }
}

void ImageHistory::remember(quint64 pictureId, const QImage& image) const {
    qint64 bytes = image.sizeInBytes();
    for (const Frame& f : std::as_const(m_decoded))
        bytes += f.image.sizeInBytes();
    while (!m_decoded.isEmpty() &&
           (m_decoded.size() >= m_frameLimit || bytes > decodedBytesLimit)) {
        bytes -= m_decoded.first().image.sizeInBytes();
        m_decoded.removeFirst();
    }
    m_decoded.append(Frame{pictureId, image});
}

QByteArray ImageHistory::encoded(int i) const {
    return element(i).encoded;
}

QString ImageHistory::tag(int i) const {
    return element(i).tag;
}

void ImageHistory::setTag(int i, const QString& tag) {
    element(i).tag = tag;
}

qint64 ImageHistory::encodedBytes() const {
    qint64 total = 0;
    for (const auto& [index, e] : m_elements)
        total += e.encoded.size();
    return total;
}

} // namespace pluvix::acquisition
