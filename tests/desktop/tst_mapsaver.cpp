#include "desktop/MapFiles.h"
#include "desktop/MapSaver.h"
#include "support/FakeDesktop.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

const QString caption = u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s;

MapPicture picture(const QString& tag, QRgb colour) {
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(colour);
    return {encodeGif(image), image, tag};
}

QList<MapPicture> tenPictures() {
    QList<MapPicture> list;
    for (int i = 0; i < 10; ++i)
        list.append(picture(u"KMLB_SRC_2005061914%1.gif"_s.arg(i, 2, 10, QLatin1Char('0')),
                            qRgb(20 * i, 0, 0)));
    return list;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MapSaverTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    QStringList steps; // hook calls in order

    MapSaver::SeriesHooks hooks() {
        MapSaver::SeriesHooks h;
        h.freezePanel = [this](bool on) { steps << (on ? u"freeze"_s : u"release"_s); };
        h.resetPollCounter = [this] { steps << u"poll"_s; };
        h.showElement = [this](int i) { steps << u"show %1"_s.arg(i); };
        return h;
    }

private slots:
    void init() {
        dialogs = FakeFileDialogs();
        boxes.shown.clear();
        steps.clear();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void singleMapUnderTheChosenName() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        const MapPicture shown = picture(u"KMLB_SRC_200506191402.gif"_s, qRgb(0, 200, 0));
        const QString chosen = dir.filePath(u"storm.gif"_s);
        dialogs.answers = {chosen};
        const MapSaveOutcome outcome = saver.saveMap(caption, shown);

        QCOMPARE(dialogs.requests.size(), 1);
        const auto& request = dialogs.requests.first();
        QCOMPARE(request.proposedName, u"Melbourne, FL  (SRC) - KMLB_SRC_200506191402.gif"_s);
        QCOMPARE(request.filter, u"GIF Files (*.gif) (*)"_s);
        QCOMPARE(outcome.written, QStringList{chosen});
        QCOMPARE(readAll(chosen), shown.encoded);
        QCOMPARE(saver.startFolder(), dir.path() + u'/');
        QVERIFY(boxes.shown.isEmpty());
    }

    void cancelledSingleWritesNothing() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        const MapSaveOutcome outcome = saver.saveMap(caption, picture(u"a.gif"_s, 0));
        QVERIFY(outcome.cancelled);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // The typed name only picks the folder; every picture of the range lands in it under the
    // caption tail and its own name, shown in the map while it is written.
    void seriesOfTen() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        const QList<MapPicture> pictures = tenPictures();
        dialogs.answers = {dir.filePath(u"whatever I typed.bmp"_s)};
        const MapSaveOutcome outcome =
            saver.saveSeries(caption, pictures[2].tag, 4, pictures, hooks());

        QCOMPARE(dialogs.requests.first().proposedName, pictures[2].tag);
        QVERIFY(!dialogs.requests.first().confirmOverwrite);
        QCOMPARE(outcome.written.size(), 10);
        for (const MapPicture& p : pictures) {
            const QString path = dir.filePath(u"Melbourne, FL  (SRC) - "_s + p.tag);
            QCOMPARE(readAll(path), p.encoded);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 10);
        QCOMPARE(steps.first(), u"poll"_s);
        QCOMPARE(steps[1], u"freeze"_s);
        QCOMPARE(steps[2], u"show 4"_s);
        QCOMPARE(steps[11], u"show 13"_s);
        QCOMPARE(steps.last(), u"release"_s);
    }

    // Image names come from the server: none may lead out of the chosen folder.
    void hostileImageNamesStayInFolder() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        const QString folder = dir.filePath(u"inner/deeper"_s);
        QVERIFY(QDir().mkpath(folder));
        const QList<MapPicture> pictures = {picture(u"../../x.gif"_s, qRgb(1, 2, 3)),
                                            picture(u"a/b.gif"_s, qRgb(4, 5, 6)),
                                            picture(u"c\\d.gif"_s, qRgb(7, 8, 9))};
        dialogs.answers = {folder + u"/name.gif"_s};
        const MapSaveOutcome outcome =
            saver.saveSeries(u"Denver/Boulder, CO  (SRC)"_s, pictures[0].tag, 0, pictures, hooks());
        QCOMPARE(outcome.written.size(), 3);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
        for (const QString& path : outcome.written)
            QCOMPARE(QFileInfo(path).absolutePath(), folder);
        QVERIFY(!QFile::exists(dir.filePath(u"x.gif"_s)));
        QVERIFY(!QFile::exists(dir.filePath(u"inner/x.gif"_s)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    }

    void cancelledSeriesStillReleasesThePanel() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        const MapSaveOutcome outcome =
            saver.saveSeries(caption, u"a.gif"_s, 0, tenPictures(), hooks());
        QVERIFY(outcome.cancelled);
        QCOMPARE(steps, (QStringList{u"poll"_s, u"freeze"_s, u"release"_s}));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A failed write does not stop the series; the user hears of it once.
    void failedWritesAreReportedOnce() {
        MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        QList<MapPicture> pictures = tenPictures().mid(0, 3);
        pictures[1].image = QImage();
        pictures[1].tag = u"broken.png"_s; // nothing to encode as PNG
        dialogs.answers = {dir.filePath(u"x"_s)};
        const MapSaveOutcome outcome = saver.saveSeries(caption, u"a"_s, 0, pictures, hooks());
        QCOMPARE(outcome.written.size(), 2);
        QCOMPARE(outcome.failed.size(), 1);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().title, u"Pluvix"_s);
        QVERIFY(boxes.shown.first().text.contains(u"broken.png"_s));
    }
};

QTEST_MAIN(MapSaverTest)
#include "tst_mapsaver.moc"
