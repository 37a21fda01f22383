#include "desktop/CommandRunner.h"
#include "desktop/GVariantText.h"
#include "desktop/WallpaperBackends.h"
#include "desktop/WallpaperController.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

const QString schema = u"org.gnome.desktop.background"_s;

QImage picture() {
    QImage image(32, 20, QImage::Format_RGB32);
    image.fill(qRgb(0, 160, 0));
    return image;
}

} // namespace

// Against the real GSettings tools, with the key-file backend in a private folder so that the
// machine's own settings are never touched.
class WallpaperGSettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir temp;
    ProcessCommandRunner runner;

    QString get(const QString& key) {
        const CommandResult r = runner.run(u"gsettings"_s, {u"get"_s, schema, key});
        return r.ok() ? gvariantFirstString(QString::fromUtf8(r.out)).value_or(u"<none>"_s)
                      : u"<failed>"_s;
    }
    void set(const QString& key, const QString& value) {
        QVERIFY(runner.run(u"gsettings"_s, {u"set"_s, schema, key, gvariantQuoted(value)}).ok());
        // Our own GSettings learns of the key file's change through the event loop.
        QTest::qWait(300);
    }

private slots:
    void initTestCase() {
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        if (QStandardPaths::findExecutable(u"gsettings"_s).isEmpty())
            QSKIP("gsettings is not installed");
        if (!runner.run(u"gsettings"_s, {u"list-keys"_s, schema}).ok())
            QSKIP("the desktop background schema is not installed");
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
        set(u"picture-uri"_s, userPicture);
        set(u"picture-uri-dark"_s, userPicture);
        set(u"picture-options"_s, userOptions);

        GSettingsWallpaper gnome(GSettingsWallpaper::gnome());
        FakeMessageBoxes boxes;
        WallpaperController wallpaper(gnome, boxes, temp.path(), u"Pluvix"_s);
        wallpaper.rememberUserWallpaper();

        QCOMPARE(wallpaper.update(picture(), WallpaperFile::Follow), WallpaperResult::Set);
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
        QVERIFY(QFile::exists(config.filePath(u"glib-2.0/settings/keyfile"_s)));
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
        const QString user = u"file:///home/u/Pictures/own.png"_s;
        set(u"picture-uri"_s, user);
        set(u"picture-options"_s, u"zoom"_s);
        FakeMessageBoxes boxes;
        GSettingsWallpaper gnome(GSettingsWallpaper::gnome());
        auto killed = std::make_unique<WallpaperController>(gnome, boxes, temp.path(), u"P"_s);
        killed->rememberUserWallpaper();
        QVERIFY(killed->toggle(true, picture()));
        QVERIFY(get(u"picture-uri"_s).contains(temp.path()));
        killed.reset(); // no restore: the process died
        if (keptFileLost)
            QVERIFY(QFile::remove(
                WallpaperController(gnome, boxes, temp.path(), u"P"_s).keptValuesFile()));

        WallpaperController next(gnome, boxes, temp.path(), u"P"_s);
        next.rememberUserWallpaper();
        QVERIFY(!next.saved().values.value(u"picture-uri"_s).contains(temp.path()));
        QVERIFY(next.toggle(true, picture()));
        QVERIFY(!next.toggle(false, QImage()));
        QCOMPARE(get(u"picture-uri"_s).contains(temp.path()), keptFileLost);
        QCOMPARE(get(u"picture-options"_s), keptFileLost ? u"centered"_s : u"zoom"_s);
        if (!keptFileLost)
            QCOMPARE(get(u"picture-uri"_s), user);
    }
};

QTEST_GUILESS_MAIN(WallpaperGSettingsTest)
#include "tst_wallpapergsettings.moc"
