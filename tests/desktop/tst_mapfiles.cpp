#include "desktop/MapFiles.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace Qt::StringLiterals;

namespace {

QImage radarPicture() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 5; y < 20; ++y)
        for (int x = 8; x < 30; ++x)
            image.setPixel(x, y, (x + y) % 3 == 0 ? qRgb(0, 200, 0) : qRgb(250, 240, 0));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MapFilesTest : public QObject {
    Q_OBJECT

private slots:
    void captionTail_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tail");
        QTest::newRow("station caption")
            << u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s << "Melbourne, FL  (SRC)";
        QTest::newRow("last dash wins") << u"Cirrusworks Pluvix-2 - Tampa Bay Area, FL  (1HR)"_s
                                        << u"Tampa Bay Area, FL  (1HR)"_s;
        QTest::newRow("no dash") << u"  Pluvix  "_s << u"Pluvix"_s;
        QTest::newRow("dash at end") << u"Pluvix -"_s << u""_s;
    }
    void captionTail() {
        QFETCH(QString, caption);
        QFETCH(QString, tail);
        QCOMPARE(pluvix::desktop::captionTail(caption), tail);
    }

    void namesStayInsideTheFolder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"KMLB_20050619_1402.gif"_s << u"KMLB_20050619_1402.gif"_s;
        QTest::newRow("slash") << u"a/b.gif"_s << u"a_b.gif"_s;
        QTest::newRow("backslash") << u"a\\b.gif"_s << u"a_b.gif"_s;
        QTest::newRow("parent") << u"../../x.gif"_s << u"_.__._x.gif"_s;
        QTest::newRow("only dots") << u".."_s << u"_."_s;
        QTest::newRow("NUL and control")
            << QString::fromUtf8("x\0y\tz\x7f.gif", 10) << u"x_y_z_.gif"_s;
        QTest::newRow("station label")
            << u"Denver/Boulder, CO  (SRC) - a.gif"_s << u"Denver_Boulder, CO  (SRC) - a.gif"_s;
        QTest::newRow("empty") << u""_s << u"_"_s;
    }
    void namesStayInsideTheFolder() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString safe = safeFileName(text);
        QCOMPARE(safe, expected);
        QVERIFY(!safe.contains(QLatin1Char('/')));
        QVERIFY(!safe.contains(QLatin1String("..")));
    }

    // Each ending writes its own format; the server's GIF bytes are kept exactly.
    void formatFollowsEnding_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("gif") << u"map.gif"_s << QByteArray("GIF8");
        QTest::newRow("GIF upper case") << u"MAP.GIF"_s << QByteArray("GIF8");
        QTest::newRow("png") << u"map.png"_s << QByteArray("\x89PNG");
        QTest::newRow("jpg") << u"map.jpg"_s << QByteArray("\xFF\xD8");
        QTest::newRow("jpeg") << u"map.jpeg"_s << QByteArray("\xFF\xD8");
        QTest::newRow("bmp") << u"map.bmp"_s << QByteArray("BM");
        QTest::newRow("other ending") << u"map.tmp"_s << QByteArray("BM");
        QTest::newRow("no ending") << u"map"_s << QByteArray("BM");
        QTest::newRow("dot in folder only") << u"maps.gif/map"_s << QByteArray("BM");
    }
    void formatFollowsEnding() {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"maps.gif"_s));
        const QImage picture = radarPicture();
        const QByteArray serverGif = encodeGif(picture);
        QVERIFY(serverGif.startsWith("GIF8"));
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY2(writeMapFile(path, serverGif, picture, &error), qPrintable(error));
        const QByteArray written = readAll(path);
        QVERIFY2(written.startsWith(magic), written.left(8).toHex().constData());
        if (magic == "GIF8")
            QCOMPARE(written, serverGif);
        QImage back;
        QVERIFY(back.loadFromData(written));
        QCOMPARE(back.size(), picture.size());
    }

    // A picture that did not come as GIF (a satellite JPEG) still becomes a real GIF file, and
    // its colours survive when it has few.
    void gifFromAnotherFormat() {
        const QImage picture = radarPicture();
        const QByteArray content =
            encodeMapFile(MapFileFormat::Gif, encoded(picture, "PNG"), picture);
        QVERIFY(content.startsWith("GIF89a"));
        QImage back;
        QVERIFY(back.loadFromData(content, "GIF"));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture);
    }

    void jpegBytesKeptWhenAlreadyJpeg() {
        const QByteArray jpeg = encoded(radarPicture(), "JPG");
        QCOMPARE(encodeMapFile(MapFileFormat::Jpeg, jpeg, radarPicture()), jpeg);
    }

    void failuresSayWhy() {
        QString error;
        QVERIFY(!writeMapFile(u"/nonexistent-folder/map.gif"_s, QByteArray("GIF89a"), QImage(),
                              &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QTemporaryDir dir;
        QVERIFY(!writeMapFile(dir.filePath(u"map.png"_s), {}, QImage(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(u"map.png"_s)));
    }
};

QTEST_GUILESS_MAIN(MapFilesTest)
#include "tst_mapfiles.moc"
