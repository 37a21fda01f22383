#include "desktop/WallpaperController.h"
#include "support/FakeDesktop.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

QImage picture(QRgb colour) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage fileContent(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("BM"))
        return {};
    return QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class WallpaperControllerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tempDir;
    FakeWallpaperBackend backend;
    FakeMessageBoxes boxes;

private slots:
    void init() {
        tempDir = std::make_unique<QTemporaryDir>();
        backend = FakeWallpaperBackend();
        boxes.shown.clear();
    }

    void filesAreNamedByPurpose() {
        WallpaperController wallpaper(backend, boxes, tempDir->path(), u"Pluvix"_s);
        QCOMPARE(wallpaper.update(picture(qRgb(1, 1, 1)), WallpaperFile::Follow),
                 WallpaperResult::Set);
        QCOMPARE(wallpaper.lastFile(), tempDir->filePath(u"99a03er.tmp"_s));
        QCOMPARE(wallpaper.update(picture(qRgb(1, 1, 1)), WallpaperFile::SwitchOn),
                 WallpaperResult::Set);
        QCOMPARE(wallpaper.lastFile(), tempDir->filePath(u"99a03es.tmp"_s));
        QCOMPARE(backend.values.value(u"placement"_s), u"centered"_s);
    }

    // With the item checked, every loop step rewrites the picture and sets it again; a desktop
    // that caches by path gets a new path each time and the file on screen is never rewritten.
    void everyStepSetsThePicture_data() {
        QTest::addColumn<bool>("caching");
        QTest::newRow("desktop reloads files") << false;
        QTest::newRow("desktop caches by path") << true;
    }
    void everyStepSetsThePicture() {
        QFETCH(bool, caching);
        backend.caching = caching;
        WallpaperController wallpaper(backend, boxes, tempDir->path(), u"Pluvix"_s);
        for (int step = 0; step < 6; ++step) {
            const QImage shown = picture(qRgb(40 * step, 0, 0));
            QCOMPARE(wallpaper.update(shown, WallpaperFile::Follow), WallpaperResult::Set);
            QCOMPARE(backend.setFiles.size(), step + 1);
            QCOMPARE(fileContent(backend.setFiles.last()), shown);
            if (caching && step > 0) {
                const QString previous = backend.setFiles[step - 1];
                QVERIFY(backend.setFiles.last() != previous);
                QCOMPARE(fileContent(previous), picture(qRgb(40 * (step - 1), 0, 0)));
            }
        }
        QCOMPARE(backend.placements, 1); // frames change only the picture
        if (!caching)
            QCOMPARE(QSet<QString>(backend.setFiles.begin(), backend.setFiles.end()).size(), 1);
    }

    // The user's own values come back exactly, whether or not the item was ever used.
    void restorePutsBackWhatWasRead() {
        WallpaperController wallpaper(backend, boxes, tempDir->path(), u"Pluvix"_s);
        QVERIFY(!wallpaper.restore()); // nothing read yet: nothing to put back
        QCOMPARE(backend.restores, 0);
        const auto userValues = backend.values;
        wallpaper.rememberUserWallpaper();
        wallpaper.update(picture(qRgb(9, 9, 9)), WallpaperFile::Follow);
        QVERIFY(backend.values != userValues);
        QVERIFY(wallpaper.restore());
        QCOMPARE(backend.values, userValues);
    }

    void menuSwitchesOnAndOff() {
        WallpaperController wallpaper(backend, boxes, tempDir->path(), u"Pluvix"_s);
        wallpaper.rememberUserWallpaper();
        QVERIFY(wallpaper.toggle(true, picture(qRgb(0, 0, 200))));
        QCOMPARE(backend.setFiles, QStringList{tempDir->filePath(u"99a03es.tmp"_s)});
        QVERIFY(!wallpaper.toggle(false, QImage()));
        QCOMPARE(backend.restores, 1);
        QCOMPARE(backend.values.value(u"picture"_s), u"/home/user/own.jpg"_s);
        QVERIFY(boxes.shown.isEmpty());
    }

    // On a desktop we cannot drive, the first click says so once; nothing else ever happens.
    void unsupportedDesktopToldOnce() {
        backend.supported = false;
        WallpaperController wallpaper(backend, boxes, tempDir->path(), u"Pluvix"_s);
        wallpaper.rememberUserWallpaper();
        QVERIFY(!wallpaper.toggle(true, picture(qRgb(1, 2, 3))));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().kind, u"ok"_s);
        QCOMPARE(boxes.shown.first().title, u"Pluvix"_s);
        QCOMPARE(wallpaper.update(picture(qRgb(1, 2, 3)), WallpaperFile::Follow),
                 WallpaperResult::Unsupported);
        QVERIFY(!wallpaper.toggle(false, QImage()));
        QVERIFY(!wallpaper.toggle(true, picture(qRgb(1, 2, 3))));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(backend.setFiles.isEmpty());
        QVERIFY(QDir(tempDir->path()).entryList(QDir::Files).isEmpty());
    }

    void failuresLeaveTheItemOff() {
        // No folder can be made where a file stands.
        QFile blocker(tempDir->filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        WallpaperController unwritable(backend, boxes, tempDir->filePath(u"blocker/tmp"_s),
                                       u"Pluvix"_s);
        QVERIFY(!unwritable.toggle(true, picture(qRgb(1, 2, 3))));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(backend.setFiles.isEmpty());

        backend.setFails = true;
        WallpaperController refused(backend, boxes, tempDir->path(), u"Pluvix"_s);
        refused.rememberUserWallpaper();
        QVERIFY(!refused.toggle(true, picture(qRgb(1, 2, 3))));
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(backend.restores, 1); // the half-applied change is undone
    }
};

QTEST_GUILESS_MAIN(WallpaperControllerTest)
#include "tst_wallpapercontroller.moc"
