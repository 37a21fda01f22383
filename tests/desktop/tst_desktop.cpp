#include "acquisition/ImageHistory.h"
#include "app/ViewExport.h"
#include "desktop/AnimatedGif.h"
#include "desktop/CommandRunner.h"
#include "desktop/GVariantText.h"
#include "desktop/MapFiles.h"
#include "desktop/MapSaver.h"
#include "desktop/WallpaperBackends.h"
#include "desktop/WallpaperController.h"
#include "support/ErrorOf.h"
#include "support/FakeDesktop.h"
#include "support/FakePlatform.h"
#include "support/GifFixtures.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

const QString schema = u"org.gnome.desktop.background"_s;

QImage picture(QRgb colour) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(3, 4, qRgb(250, 240, 0));
    return image;
}

} // namespace

// Chrome, tray, wallpaper following the loop and series saves run through the real window in
// tests/e2e and against real X components in tst_desktopx. The GNOME wallpaper runs against the
// real GSettings tools, with the key-file backend in a private folder so that the machine's own
// settings are never touched.
class DesktopTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    QTemporaryDir m_temp;
    ProcessCommandRunner m_runner;

    QString get(const QString& key) {
        const CommandResult r = m_runner.run(u"gsettings"_s, {u"get"_s, schema, key});
        return r.ok() ? gvariantFirstString(QString::fromUtf8(r.out)).value_or(u"<none>"_s)
                      : u"<failed>"_s;
    }
    void set(const QString& key, const QString& value) {
        QVERIFY(m_runner.run(u"gsettings"_s, {u"set"_s, schema, key, gvariantQuoted(value)}).ok());
        // Our own GSettings learns of the key file's change through the event loop.
        QTest::qWait(300);
    }
    bool m_gsettings = false;

private slots:
    void initTestCase() {
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        m_gsettings = !QStandardPaths::findExecutable(u"gsettings"_s).isEmpty() &&
                      m_runner.run(u"gsettings"_s, {u"list-keys"_s, schema}).ok();
    }

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
        const QByteArray written = fileBytes(dir.filePath(name));
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
            QCOMPARE(fileBytes(QStringLiteral(PLUVIX_HELP_BUILT_DIR "/") + file),
                     fileBytes(source + u'/' + file));
        const QString html = QString::fromUtf8(fileBytes(source + u"/index.html"_s));
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

    // The loop as the window plays it: one tick per picture, the loop delay's extra ticks on
    // the last; hundredths of a second keep the loop's total length.
    void loopExport_data() {
        QTest::addColumn<int>("palette");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("per frame, 5/s")
            << int(GifPalette::PerFrame) << 5 << QList<int>{200, 200, 1000};
        QTest::newRow("shared, 3/s") << int(GifPalette::Shared) << 3 << QList<int>{330, 340, 1660};
        QTest::newRow("speed 0 as 1")
            << int(GifPalette::Shared) << 0 << QList<int>{1000, 1000, 5000};
    }
    void loopExport() {
        QFETCH(int, palette);
        QFETCH(int, speed);
        QFETCH(QList<int>, delays);
        // The middle frame has far more than 256 colours; only it (and, sharing its palette, the
        // others) may lose exactness.
        QImage many(24, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x)
                many.setPixel(x, y, qRgb(x * 10, y * 15, (x * y) % 256));
        const QList<QImage> images{picture(qRgb(200, 10, 10)), many, picture(qRgb(10, 10, 200))};
        const QList<int> ticks = loopFrameDelays(3, qint16(speed), 4);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"loop.gif"_s);
        saveAnimatedGif(path, {{images[0], ticks[0]}, {images[1], ticks[1]}, {images[2], ticks[2]}},
                        GifPalette(palette));

        QImageReader reader(path);
        QByteArray hundredths;
        QCOMPARE(reader.imageCount(), 3);
        QCOMPARE(reader.loopCount(), -1); // for ever
        for (int i = 0; i < 3; ++i) {
            const QImage frame = reader.read();
            QCOMPARE(frame.size(), QSize(24, 16));
            QCOMPARE(reader.nextImageDelay(), delays[i]);
            hundredths += QByteArray::number(delays[i] / 10) + ',';
            const QRgb got = frame.pixel(23, 15), want = images[i].pixel(23, 15);
            QVERIFY(std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want)) +
                        std::abs(qBlue(got) - qBlue(want)) <
                    (i == 1 || palette == int(GifPalette::Shared) ? 80 : 1));
        }
        const QString identify = QStandardPaths::findExecutable(u"identify"_s);
        if (!identify.isEmpty()) {
            QProcess tool;
            tool.start(identify, {u"-format"_s, u"%T,"_s, path});
            QVERIFY(tool.waitForFinished(30000));
            QCOMPARE(tool.readAllStandardOutput(), hundredths);
        }
    }

    // Frames of the loop as the map shows them, one tick each and the loop delay on the last
    // one kept; an undecodable picture is left out and named, one past the history silently.
    void loopFramesOfOneRound_data() {
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QList<int>>("elements");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("undecodable")
            << QList<int>{2, 3, 4} << QList<int>{1, 3} << QList<int>{200, 600};
        QTest::newRow("undecodable newest") << QList<int>{2, 3} << QList<int>{1} << QList<int>{600};
        QTest::newRow("past the history") << QList<int>{5, 6} << QList<int>{4} << QList<int>{600};
    }
    void loopFramesOfOneRound() {
        QFETCH(QList<int>, positions);
        QFETCH(QList<int>, elements);
        QFETCH(QList<int>, delays);
        pluvix::acquisition::ImageHistory history;
        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                history.create(i);
            history.setPicture(i, i == 2 ? undecodableGif() : makeRadarGif(8, 8, quint32(i)));
            history.setTag(i, u"t%1"_s.arg(i));
        }
        const auto shown = [](const QImage& picture) { return picture.mirrored(true, false); };
        const auto loop = pluvix::app::loopFrames(history, positions, 5, 2, shown);
        QCOMPARE(loop.undecodable, positions.contains(3) ? QStringList{u"t2"_s} : QStringList());
        QCOMPARE(loop.frames.size(), elements.size());
        for (qsizetype k = 0; k < elements.size(); ++k) {
            QCOMPARE(loop.frames[k].delayMs, delays[k]);
            QCOMPARE(loop.frames[k].image.convertToFormat(QImage::Format_RGB32),
                     shown(history.picture(elements[k])).convertToFormat(QImage::Format_RGB32));
        }
    }

    // Failures surface as run-time errors, and a failed save leaves no file behind.
    void loopExportErrors() {
        const QList<GifFrame> frames{{picture(qRgb(1, 2, 3)), 100}};
        const auto save = [](const QString& path, const QList<GifFrame>& f) {
            return errorOf([&] { saveAnimatedGif(path, f, GifPalette::PerFrame); });
        };
        QTemporaryDir dir;
        QCOMPARE(save(dir.filePath(u"no/such/loop.gif"_s), frames), 75);
        QCOMPARE(save(dir.path(), frames), 75);
        QFile full(u"/dev/full"_s);
        if (full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QCOMPARE(errorOf([&] { writeAnimatedGif(full, frames, GifPalette::Shared); }), 61);
        const QString path = dir.filePath(u"loop.gif"_s);
        QCOMPARE(save(path, {}), 5);
        QCOMPARE(save(path, {frames[0], {QImage(8, 8, QImage::Format_RGB32), 100}}), 5);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void setThenRestore_data() {
        QTest::addColumn<QString>("userPicture");
        QTest::addColumn<QString>("userOptions");
        QTest::newRow("zoomed picture")
            << u"file:///home/u/Pictures/it's%20mine.png"_s << u"zoom"_s;
        QTest::newRow("no picture") << QString() << u"wallpaper"_s;
    }
    void setThenRestore() {
        QFETCH(QString, userPicture);
        QFETCH(QString, userOptions);
        if (!m_gsettings)
            QSKIP("gsettings or the desktop background schema is not installed");
        set(u"picture-uri"_s, userPicture);
        set(u"picture-uri-dark"_s, userPicture);
        set(u"picture-options"_s, userOptions);

        GSettingsWallpaper gnome(GSettingsWallpaper::gnome());
        FakeMessageBoxes boxes;
        WallpaperController wallpaper(gnome, boxes, m_temp.path(), u"Pluvix"_s);
        wallpaper.rememberUserWallpaper();

        QCOMPARE(wallpaper.update(picture(qRgb(0, 160, 0)), WallpaperFile::Follow),
                 WallpaperResult::Set);
        const QString expected =
            QUrl::fromLocalFile(wallpaper.lastFile()).toString(QUrl::FullyEncoded);
        QCOMPARE(get(u"picture-uri"_s), expected);
        QCOMPARE(get(u"picture-uri-dark"_s), expected);
        QCOMPARE(get(u"picture-options"_s), u"centered"_s);
        QFile file(wallpaper.lastFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(2) == "BM");

        QVERIFY(wallpaper.restore());
        QCOMPARE(get(u"picture-uri"_s), userPicture);
        QCOMPARE(get(u"picture-uri-dark"_s), userPicture);
        QCOMPARE(get(u"picture-options"_s), userOptions);
        // Written where we pointed it, not into the user's settings.
        QVERIFY(QFile::exists(m_config.filePath(u"glib-2.0/settings/keyfile"_s)));
    }

    // A session killed while its picture is on the desktop: the next one still puts the user's
    // wallpaper back, and never takes our picture for the user's.
    void killedSessionStillRestores_data() {
        QTest::addColumn<bool>("keptFileLost");
        QTest::newRow("values kept on disk") << false;
        QTest::newRow("kept values lost") << true;
    }
    void killedSessionStillRestores() {
        QFETCH(bool, keptFileLost);
        if (!m_gsettings)
            QSKIP("gsettings or the desktop background schema is not installed");
        const QString user = u"file:///home/u/Pictures/own.png"_s;
        set(u"picture-uri"_s, user);
        set(u"picture-options"_s, u"zoom"_s);
        FakeMessageBoxes boxes;
        GSettingsWallpaper gnome(GSettingsWallpaper::gnome());
        auto killed = std::make_unique<WallpaperController>(gnome, boxes, m_temp.path(), u"P"_s);
        killed->rememberUserWallpaper();
        QVERIFY(killed->toggle(true, picture(qRgb(0, 160, 0))));
        QVERIFY(get(u"picture-uri"_s).contains(m_temp.path()));
        killed.reset(); // no restore: the process died
        if (keptFileLost)
            QVERIFY(QFile::remove(
                WallpaperController(gnome, boxes, m_temp.path(), u"P"_s).keptValuesFile()));

        WallpaperController next(gnome, boxes, m_temp.path(), u"P"_s);
        next.rememberUserWallpaper();
        QVERIFY(!next.saved().values.value(u"picture-uri"_s).contains(m_temp.path()));
        QVERIFY(next.toggle(true, picture(qRgb(0, 160, 0))));
        QVERIFY(!next.toggle(false, QImage()));
        QCOMPARE(get(u"picture-uri"_s).contains(m_temp.path()), keptFileLost);
        QCOMPARE(get(u"picture-options"_s), keptFileLost ? u"centered"_s : u"zoom"_s);
        if (!keptFileLost)
            QCOMPARE(get(u"picture-uri"_s), user);
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
