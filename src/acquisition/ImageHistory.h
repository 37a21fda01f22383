#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <map>

namespace pluvix::acquisition {

// The picture history: elements addressed by index, each holding a picture as it came over the
// wire plus the image name as its tag. Element 0 always exists. Pictures are kept compressed and
// decoded on demand; the most recently used decoded frames are kept, enough for a whole loop.
class ImageHistory {
public:
    explicit ImageHistory(int decodedFrames = 12);

    // Index of the oldest element still in use.
    qint16 FirstHistoryIndex = 0;

    // Errors are core::RuntimeError: 360 when the element exists already, 340 when it does not
    // exist, 362 for destroying element 0, 481 for bytes that are not a whole picture.
    void create(int i);
    void destroy(int i);
    // Every element but 0.
    void destroyAllButFirst();
    // Drops element i's picture and tag; the element stays.
    void clear(int i);
    bool exists(int i) const;
    int UBound() const;
    int count() const { return int(m_elements.size()); }

    // A non-null `decoded` is taken as the picture of encodedBytes, which decodePicture made.
    void setPicture(int i, QByteArray encodedBytes, const QImage& decoded = {});
    // Null when the element has no picture yet.
    QImage picture(int i) const;
    QByteArray encoded(int i) const;
    QString tag(int i) const;
    void setTag(int i, const QString& tag);

    // What the history holds in memory.
    qint64 encodedBytes() const;
    int decodedFramesHeld() const { return int(m_decoded.size()); }

private:
    struct Element {
        QByteArray encoded;
        QString tag;
        quint64 pictureId = 0; // 0: no picture
        mutable bool undecodable = false;
    };
    struct Frame {
        quint64 pictureId;
        QImage image;
    };

    const Element& element(int i) const;
    Element& element(int i);
    void remember(quint64 pictureId, const QImage& image) const;

    std::map<int, Element> m_elements;
    quint64 m_nextPictureId = 1;
    int m_frameLimit;
    mutable QList<Frame> m_decoded; // most recently used last
};

// The largest radar picture taken, per side: far beyond any view, and it keeps a small file that
// decodes huge from taking hundreds of megabytes.
inline constexpr int maxPictureSide = 4096;

// A picture file's bytes (53 when it cannot be read).
QByteArray readPictureFile(const QString& path);

// Checks without decoding what decodePicture checks before it decodes. Throws like it.
void checkPicture(const QByteArray& encoded);
// The same check as a yes or no, for those that only keep or drop the bytes.
bool passesPictureCheck(const QByteArray& encoded);

// Decodes a GIF or JPEG picture, refusing other formats, cut-off data that a decoder would pad
// silently and pictures larger than maxPictureSide on a side. Throws core::RuntimeError 481.
QImage decodePicture(const QByteArray& encoded);

} // namespace pluvix::acquisition
