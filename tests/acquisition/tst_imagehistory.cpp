#include "acquisition/ImageHistory.h"
#include "support/ErrorOf.h"
#include "support/GifFixtures.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using pluvix::acquisition::ImageHistory;
using pluvix::testsupport::errorOf;
using pluvix::testsupport::makeRadarGif;

namespace {
QByteArray jpeg() {
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "JPG");
    return out;
}
} // namespace

class ImageHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void elementsComeAndGo() {
        ImageHistory h;
        for (int i = 1; i <= 9; ++i)
            h.create(i);
        QCOMPARE(errorOf([&] { h.create(4); }), 360);
        QCOMPARE(errorOf([&] { h.destroy(0); }), 362);
        QCOMPARE(errorOf([&] { h.tag(10); }), 340);
        h.setTag(9, u"x.gif"_s);
        h.setPicture(9, makeRadarGif(60, 50, 1));
        h.destroy(9);
        QCOMPARE(h.UBound(), 8);
        h.create(9);
        QVERIFY(h.tag(9).isEmpty() && h.picture(9).isNull()); // a new element starts empty
        h.destroyAllButFirst();
        QCOMPARE(h.count(), 1);
    }

    // Satellite pictures are JPEG whatever the file is called; a bad picture changes nothing.
    void picturesAreCheckedAndKeptAsSent() {
        ImageHistory h;
        const QByteArray gif = makeRadarGif(600, 550, 1);
        h.setPicture(0, gif);
        // Cut-off GIF and JPEG data that a decoder would pad silently is refused too.
        for (const QByteArray& bad : {QByteArray("not a picture"), gif.chopped(1),
                                      gif.left(gif.size() / 2), jpeg().chopped(2)})
            QCOMPARE(errorOf([&] { h.setPicture(0, bad); }), 481);
        QCOMPARE(h.encoded(0), gif);
        QCOMPARE(h.picture(0).size(), QSize(600, 550));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"tempIMG.gif"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg()) > 0);
        file.close();
        h.setPictureFromFile(0, file.fileName());
        QCOMPARE(h.picture(0).size(), QSize(64, 48));
        QCOMPARE(errorOf([&] { h.setPictureFromFile(0, dir.filePath(u"none"_s)); }), 53);
    }

    // Decoded frames are few, and a replaced picture is never served from the old decoding.
    void decodedFramesAreBoundedAndCurrent() {
        ImageHistory h(4);
        for (int i = 0; i < 8; ++i) {
            if (i > 0)
                h.create(i);
            h.setPicture(i, makeRadarGif(100, 80, quint32(10 + i)));
            QVERIFY(!h.picture(i).isNull());
        }
        QCOMPARE(h.decodedFramesHeld(), 4);
        const QImage first = h.picture(0);
        h.setPicture(0, h.encoded(5));
        QCOMPARE(h.picture(0), h.picture(5));
        QVERIFY(h.picture(0) != first);
    }
};

QTEST_GUILESS_MAIN(ImageHistoryTest)
#include "tst_imagehistory.moc"
