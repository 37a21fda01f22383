#include "acquisition/ImageHistory.h"
#include "core/RuntimeError.h"
#include "support/GifFixtures.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using pluvix::acquisition::ImageHistory;
using pluvix::testsupport::makeRadarGif;

namespace {

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const pluvix::core::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

QByteArray jpegOf(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return out;
}

qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

class ImageHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void elementsComeAndGo();
    void picturesAreCheckedAndKeptAsSent();
    void cutOffPicturesAreRefused_data();
    void cutOffPicturesAreRefused();
    void decodedFramesAreBoundedAndCurrent();
    void longHistoryStaysSmall();
};

void ImageHistoryTest::elementsComeAndGo() {
    ImageHistory h;
    QVERIFY(h.exists(0));
    QCOMPARE(h.UBound(), 0);
    QCOMPARE(h.FirstHistoryIndex, qint16(0));

    for (int i = 1; i <= 9; ++i)
        h.create(i);
    QCOMPARE(h.UBound(), 9);
    QCOMPARE(errorNumber([&] { h.create(4); }), 360);
    QCOMPARE(errorNumber([&] { h.create(0); }), 360);
    QCOMPARE(errorNumber([&] { h.destroy(0); }), 362);
    QCOMPARE(errorNumber([&] { h.tag(10); }), 340);
    QCOMPARE(errorNumber([&] { h.setTag(-1, QString()); }), 340);

    h.setTag(9, QStringLiteral("MLB20050915_N0R1519.gif"));
    h.destroy(1);
    QVERIFY(!h.exists(1));
    QCOMPARE(errorNumber([&] { h.destroy(1); }), 340);
    QCOMPARE(h.UBound(), 9);
    h.destroy(9);
    QCOMPARE(h.UBound(), 8);
    h.create(9);
    QVERIFY2(h.tag(9).isEmpty(), "a new element starts empty");
    QVERIFY(h.picture(9).isNull());

    h.destroyAllButFirst();
    QCOMPARE(h.count(), 1);
    QCOMPARE(h.UBound(), 0);
    h.create(1); // a reload starts again from 1
}

void ImageHistoryTest::picturesAreCheckedAndKeptAsSent() {
    ImageHistory h;
    const QByteArray gif = makeRadarGif(600, 550, 1);
    h.setPicture(0, gif);
    QCOMPARE(h.encoded(0), gif);
    QCOMPARE(h.picture(0).size(), QSize(600, 550));

    // A bad picture changes nothing.
    QCOMPARE(errorNumber([&] { h.setPicture(0, "not a picture"); }), 481);
    QCOMPARE(h.encoded(0), gif);
    QCOMPARE(errorNumber([&] { h.setPicture(3, gif); }), 340);

    // Satellite pictures are JPEG whatever the file is called.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tempIMG.gif"));
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(jpegOf(photo));
    out.close();
    h.create(1);
    h.setPictureFromFile(1, file);
    QCOMPARE(h.picture(1).size(), QSize(64, 48));
    QCOMPARE(errorNumber([&] { h.setPictureFromFile(1, dir.filePath(QStringLiteral("none"))); }),
             53);
}

void ImageHistoryTest::cutOffPicturesAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray gif = makeRadarGif(120, 90, 2);
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::red);
    const QByteArray jpeg = jpegOf(photo);

    QTest::newRow("gif without trailer") << gif.chopped(1);
    QTest::newRow("gif cut in the picture data") << gif.left(gif.size() / 2);
    QTest::newRow("gif header only") << gif.left(13);
    QTest::newRow("jpeg without end marker") << jpeg.chopped(2);
    QTest::newRow("jpeg cut in the scan") << jpeg.left(jpeg.size() * 3 / 4);
    QTest::newRow("empty") << QByteArray();
}

void ImageHistoryTest::cutOffPicturesAreRefused() {
    QFETCH(QByteArray, bytes);
    ImageHistory h;
    QCOMPARE(errorNumber([&] { h.setPicture(0, bytes); }), 481);
    QVERIFY(h.encoded(0).isEmpty());
}

void ImageHistoryTest::decodedFramesAreBoundedAndCurrent() {
    ImageHistory h(4);
    QList<QByteArray> gifs;
    for (int i = 0; i < 8; ++i) {
        gifs << makeRadarGif(100, 80, quint32(10 + i));
        if (i > 0)
            h.create(i);
        h.setPicture(i, gifs.last());
    }
    QCOMPARE(h.decodedFramesHeld(), 4);

    // Decoding again gives the same picture as the first decoding.
    const QImage first = h.picture(0);
    QCOMPARE(first, pluvix::acquisition::decodePicture(gifs[0]));
    QCOMPARE(h.decodedFramesHeld(), 4);

    // A replaced picture is never served from the old decoding.
    h.setPicture(0, gifs[5]);
    QCOMPARE(h.picture(0), h.picture(5));
    QVERIFY(h.picture(0) != first);

    h.destroy(5);
    h.create(5);
    QVERIFY(h.picture(5).isNull());
}

void ImageHistoryTest::longHistoryStaysSmall() {
    QList<QByteArray> pictures;
    for (int i = 0; i < 10; ++i)
        pictures << makeRadarGif(600, 550, quint32(100 + i));

    const qint64 before = residentKiB();
    ImageHistory h;
    auto fill = [&](int last) {
        for (int i = h.UBound() + 1; i <= last; ++i) {
            h.create(i);
            // Each element its own copy, as if downloaded separately.
            const QByteArray& p = pictures[i % pictures.size()];
            h.setPicture(i, QByteArray(p.constData(), p.size()));
            h.setTag(i, QString::number(i));
        }
    };
    fill(10);
    const qint64 withTen = residentKiB();
    fill(503);
    const qint64 withAll = residentKiB();

    // A loop over frames that are not decoded yet: the first round decodes, the others reuse.
    QElapsedTimer clock;
    clock.start();
    for (int i = 100; i < 124; ++i)
        QVERIFY(!h.picture(i).isNull());
    const qint64 decodeMs = clock.restart();
    for (int round = 0; round < 3; ++round)
        for (int i = 100; i < 124; ++i)
            QVERIFY(!h.picture(i).isNull());
    const qint64 reuseMs = clock.elapsed();

    qInfo("encoded %lld KiB; RSS growth %lld KiB with 10 images, %lld KiB with 503; "
          "24 frames decoded in %lld ms, shown 3 more times in %lld ms",
          h.encodedBytes() / 1024, withTen - before, withAll - before, decodeMs, reuseMs);
    QVERIFY2(decodeMs < 24 * 100, "decoding a frame takes too long");
    QCOMPARE(h.UBound(), 503);
    QVERIFY(h.decodedFramesHeld() <= 24);
#if !defined(__SANITIZE_ADDRESS__)
    // 503 decoded frames would take over 600 MiB. (The address sanitizer keeps freed memory.)
    QVERIFY2(withAll - before < 160 * 1024, "history holds decoded pictures");
#endif
}

QTEST_GUILESS_MAIN(ImageHistoryTest)
#include "tst_imagehistory.moc"
