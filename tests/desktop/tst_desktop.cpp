#include "desktop/MapFiles.h"
#include "desktop/MapSaver.h"
#include "desktop/WallpaperBackends.h"
#include "desktop/WallpaperController.h"
#include "support/FakeDesktop.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage picture(QRgb colour) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(3, 4, qRgb(250, 240, 0));
    return image;
}

} // namespace

// Chrome, tray, wallpaper following the loop and series saves run through the real window in
// tests/e2e and against real X components in tst_desktopx.
class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    // Each ending writes its own format; the server's GIF bytes are kept exactly.
    void mapFileFormatFollowsEnding_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("GIF upper case") << u"MAP.GIF"_s << QByteArray("GIF8");
        QTest::newRow("png") << u"map.png"_s << QByteArray("\x89PNG");
        QTest::newRow("jpeg") << u"map.jpeg"_s << QByteArray("\xFF\xD8");
        QTest::newRow("dot in folder only") << u"maps.gif/map"_s << QByteArray("BM");
    }
    void mapFileFormatFollowsEnding() {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"maps.gif"_s));
        const QImage shown = picture(qRgb(0, 200, 0));
        const QByteArray serverGif = encodeGif(shown);
        QString error;
        QVERIFY2(writeMapFile(dir.filePath(name), serverGif, shown, &error), qPrintable(error));
        const QByteArray written = readAll(dir.filePath(name));
        QVERIFY(written.startsWith(magic));
        QVERIFY(magic != "GIF8" || written == serverGif);
        QCOMPARE(QImage::fromData(written).size(), shown.size());
    }

    // The build puts the help page beside the program; every link in it leads somewhere.
    void helpPageIsCompleteBesideTheProgram() {
        const QString source = QStringLiteral(PLUVIX_HELP_SOURCE_DIR);
        const QStringList files = QDir(source).entryList(QDir::Files);
        QVERIFY(files.contains(u"index.html"_s));
        for (const QString& file : files)
            QCOMPARE(readAll(QStringLiteral(PLUVIX_HELP_BUILT_DIR "/") + file),
                     readAll(source + u'/' + file));
        const QString html = QString::fromUtf8(readAll(source + u"/index.html"_s));
        QSet<QString> ids;
        for (const auto& m : QRegularExpression(u"\\bid=\"([^\"]+)\""_s).globalMatch(html))
            ids.insert(m.captured(1));
        QVERIFY(html.count(u"href=\""_s) > 10);
        for (const auto& m :
             QRegularExpression(u"\\b(?:href|src)=\"([^\"]+)\""_s).globalMatch(html))
            QVERIFY2(m.captured(1).startsWith(u'#') ? ids.contains(m.captured(1).mid(1))
                                                    : QFile::exists(source + u'/' + m.captured(1)),
                     qPrintable(m.captured(1)));
    }

    // A saved value is data, never script.
    void forgedPlasmaValueIsNotRestored() {
        FakeCommandRunner runner;
        SavedWallpaper forged;
        forged.values[u"desktops"_s] = u"1); evil(); ("_s;
        QVERIFY(!PlasmaWallpaper(runner).restore(forged));
        QVERIFY(runner.calls.isEmpty());
    }

    // A desktop that caches by path gets a new path each step; the file on screen is never
    // rewritten under it.
    void cachingDesktopGetsANewFileEachStep() {
        QTemporaryDir temp;
        FakeWallpaperBackend backend;
        FakeMessageBoxes boxes;
        WallpaperController wallpaper{backend, boxes, temp.path(), u"Pluvix"_s};
        for (int step = 0; step < 4; ++step) {
            QCOMPARE(wallpaper.update(picture(qRgb(40 * step, 0, 0)), WallpaperFile::Follow),
                     WallpaperResult::Set);
            if (step > 0) {
                QVERIFY(backend.setFiles[step] != backend.setFiles[step - 1]);
                QCOMPARE(QImage(backend.setFiles[step - 1]).pixel(0, 0),
                         qRgb(40 * step - 40, 0, 0));
            }
        }
        QCOMPARE(backend.placements, 1); // frames change only the picture
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
