// The viewer without its window or a server: start-up and shut-down, the history position's
// element, the wallpaper that follows it, bad stored numbers and the series save.
#include "AppHarness.h"

#include "app/HistorySaver.h"
#include "app/Viewer.h"
#include "support/FakeSettingsWindow.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using app::Viewer;

namespace {

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

// A viewer on a fake folder of ten images up to 10:00 amid the harness's fakes; each make() is
// a new run of the program.
struct Rig {
    testsupport::AppHarness h;
    testsupport::FakeDownloadService fake;
    testsupport::FakeSettingsWindow window;
    std::unique_ptr<Viewer> viewer;
    int finished = 0;
    QImage shownAtFinish;
    const QStringList names = testsupport::tenImageNamesUpTo(10, 0);

    Rig() { h.useFakeFolder(fake, kFolder, names); }
    void make() {
        viewer.reset();
        window = testsupport::FakeSettingsWindow();
        viewer = std::make_unique<Viewer>(h.services());
    }
    // The window's finishing ends the loading, as the window's own does.
    Viewer::StartUp start(std::function<void()> letEventsRun = {}) {
        if (!viewer)
            make();
        if (letEventsRun)
            viewer->setEventPump(std::move(letEventsRun));
        return viewer->startUp(window, [this] {
            ++finished;
            shownAtFinish = viewer->shownPicture();
            viewer->feed().setLoading(false);
        });
    }
    QString stored(const QString& key) const { return h.stored(u"SectionGeneral"_s, key); }
    const acquisition::ImageHistory& history() const { return viewer->feed().history(); }
};

} // namespace

class TestViewer : public QObject {
    Q_OBJECT
private slots:
    // The user's wallpaper is read before anything changes it; the newest picture is on the
    // map before the window finishes.
    void startUpLoadsTheHistoryThenFinishes() {
        Rig r;
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        QCOMPARE(r.h.desktop.remembered, 1);
        QCOMPARE(r.finished, 1);
        QCOMPARE(r.shownAtFinish, r.history().picture(9)); // the history itself: tst_images
        QCOMPARE(r.viewer->playback().position(), 10);
        QVERIFY(r.h.boxes.shown.isEmpty() && !r.viewer->ending());
    }

    // Nothing fetched means no window: a message, and the program ends before finishing it.
    void failedDownloadEndsTheProgram_data() {
        QTest::addColumn<int>("failing"); // an image, or -1 for the listing
        QTest::addColumn<QString>("text");
        const QString noServer = u"Pluvix Cannot Cannot Connect to the NOAA Web Server.\n"
                                 "Pluvix will now close."_s;
        QTest::newRow("listing") << -1
                                 << u"Pluvix Cannot Cannot Connect to the Internet.\n"
                                    "                     Pluvix will now close."_s;
        QTest::newRow("newest") << 9 << noServer;
        QTest::newRow("oldest") << 0 << noServer;
    }
    void failedDownloadEndsTheProgram() {
        QFETCH(int, failing);
        Rig r;
        const QUrl failed(failing < 0 ? kFolder : kFolder + r.names[failing]);
        r.fake.fail(failed, platform::DownloadResult::Failure::HttpStatus, 500);
        r.make();
        QSignalSpy notice(r.viewer.get(), &Viewer::connectionNoticeShown);
        QCOMPARE(r.start(), Viewer::StartUp::Ending);

        QCOMPARE(r.h.boxes.shown.size(), 1);
        QTEST(r.h.boxes.shown[0].text, "text");
        QCOMPARE(r.h.programEnd.endCount, 1);
        QCOMPARE(r.h.programEnd.lastStatus, platform::exitFailure);
        QCOMPARE(r.finished, 0);
        QCOMPARE(!notice.isEmpty() && notice.last().at(0).toBool(), failing >= 0);
        // None is asked for again after the failure.
        for (const QString& name : r.names)
            QVERIFY(r.fake.asked.value(QUrl(kFolder + name)) <= 1);
        QCOMPARE(r.fake.asked.value(failed), 1);
    }

    // After Retry in either box the window is still finished, with a blank for the picture.
    void unreadablePicturesStillFinishTheWindow() {
        Rig r;
        r.fake.serve(QUrl(kFolder + r.names[3]), testsupport::undecodableGif());
        r.fake.serve(QUrl(kFolder + r.names[4]), testsupport::makeRadarGif(48, 48, 4).chopped(9));
        QCOMPARE(r.start(), Viewer::StartUp::Failed);
        QCOMPARE(r.history().UBound(), 3); // the history ends before the picture refused
        QCOMPARE(r.history().tag(3), r.names[3]);
        QCOMPARE(r.h.boxes.shown.size(), 2);
        QVERIFY(r.h.boxes.shown[0].mentions({u"481"_s, u"form1.LoadInitialImages"_s}));
        QVERIFY(r.h.boxes.shown[1].mentions({u"481"_s, u"form1.Form_Load"_s}));
        QCOMPARE(r.finished, 1);
        QVERIFY(r.shownAtFinish.isNull());
        QCOMPARE(r.h.programEnd.endCount, 0);
    }

    // A close wherever pending events run ends the start-up there: the shut-down runs once and
    // the window is never finished.
    void closeDuringTheStartUpEndsIt() {
        for (int point = 1;; ++point) {
            Rig r;
            int calls = 0;
            const auto outcome = r.start([&] {
                if (++calls == point)
                    r.viewer->shutDown();
            });
            if (calls < point) {
                QCOMPARE(outcome, Viewer::StartUp::Loaded);
                QVERIFY(point > 3);
                break;
            }
            QCOMPARE(outcome, Viewer::StartUp::Ending);
            QCOMPARE(r.finished, 0);
            QVERIFY2(r.h.boxes.shown.isEmpty(), qPrintable(r.h.boxes.shown.value(0).text));
            QCOMPARE(r.stored(u"PollInterval"_s), u"60"_s);
            QCOMPARE(r.h.desktop.restored, 1);
        }
    }

    // Once only, however often it is asked for; it saves what the models hold then.
    void shutDownRunsOnceAndSaves() {
        Rig r;
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        r.viewer->playback().setSpeed(4);
        QVERIFY(r.viewer->shutDown() && r.viewer->settingsSaved());
        QVERIFY(!r.viewer->feed().pollTimer().isActive());
        r.viewer->playback().setSpeed(7);
        QVERIFY(!r.viewer->shutDown());
        QCOMPARE(r.stored(u"PlaySpeed"_s), u"4"_s);
        QCOMPARE(r.h.desktop.restored, 1);
    }

    // While it follows, each element the loop shows becomes the wallpaper, and nothing shows
    // while a map loads; switched off, the user's comes back. Where none can be set, not even a
    // stored mark switches following on.
    void wallpaperFollowsTheLoop_data() {
        QTest::addColumn<bool>("canSet");
        QTest::newRow("desktop sets wallpapers") << true;
        QTest::newRow("desktop cannot") << false;
    }
    void wallpaperFollowsTheLoop() {
        QFETCH(bool, canSet);
        Rig r;
        r.h.desktop.canSet = canSet;
        r.start();
        Viewer& v = *r.viewer;
        // As the window wires it.
        connect(&v.playback(), &view::Playback::positionChanged, &v, &Viewer::showHistoryPosition);
        v.setWallpaperFollows(true);
        QCOMPARE(v.wallpaperFollows(), canSet);
        v.playback().setLooping(true);
        v.playback().timer().stop();
        QSignalSpy shown(&v, &Viewer::pictureShown);
        QSignalSpy numbers(&v, &Viewer::pictureNumberChanged);
        const int before = r.h.desktop.followed;
        for (int i = 0; i < 5; ++i)
            v.playback().loopTick();
        QCOMPARE(r.h.desktop.followed - before, canSet ? 5 : 0);
        QCOMPARE(shown.size() + numbers.size(), 10);
        QCOMPARE(v.shownPicture(), r.history().picture(v.playback().position() - 1));

        v.feed().setLoading(true);
        v.playback().loopTick();
        QCOMPARE(shown.size() + numbers.size(), 10);
        QCOMPARE(r.h.desktop.followed - before, canSet ? 5 : 0);
        v.feed().setLoading(false);

        v.toggleWallpaper();
        QVERIFY(!v.wallpaperFollows());
        QCOMPARE(r.h.desktop.restored, canSet ? 1 : 0);
        const int off = r.h.desktop.followed;
        v.playback().loopTick();
        QCOMPARE(r.h.desktop.followed, off);
        v.shutDown();
        QCOMPARE(r.h.desktop.restored, canSet ? 2 : 1);
    }

    // A stored value that fails, or is no product, is not saved back: the next start is clean.
    void badStoredValueKeepsTheDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("boxes");
        QTest::newRow("overflow") << u"PollInterval"_s << u"40000"_s << 1;
        QTest::newRow("zoom out of range") << u"ZoomLevel"_s << u"13"_s << 1;
        for (const char* key : {"MapWidth", "MapHeight", "BullsEyeX", "BullsEyeY"})
            QTest::addRow("%s at the maximum", key)
                << QString::fromLatin1(key) << u"3.402823e+38"_s << 1;
        QTest::newRow("negative ring spacing") << u"BullsEyeGraduations"_s << u"-10"_s << 1;
        for (const QString& product :
             {QString(), u"\u0001\u007f"_s, u"../../x"_s, u"http://example.invalid/"_s})
            QTest::addRow("product %s", product.toUtf8().toPercentEncoding().constData())
                << u"MapTypeShort"_s << product << 0;
    }
    void badStoredValueKeepsTheDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, boxes);
        Rig r;
        r.h.set(key, value);
        QCOMPARE(r.start(), Viewer::StartUp::Loaded); // the error box is answered with Retry
        QCOMPARE(r.h.boxes.shown.size(), boxes);
        QCOMPARE(r.viewer->settings().PollInterval, qint16(60));
        QVERIFY(r.viewer->shutDown() && r.viewer->settingsSaved());
        QCOMPARE(r.stored(u"BaseURL"_s), kFolder);
        for (const auto& [k, v] : {std::pair{"PollInterval", "60"},
                                   {"ZoomLevel", "8"},
                                   {"NumberOfPresets", "4"},
                                   {"MapScaleLongRangeConstant", "0.319"}})
            QCOMPARE(r.stored(QLatin1String(k)), QLatin1String(v));
        QVERIFY(r.stored(key) != value);

        r.make();
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        QCOMPARE(r.h.boxes.shown.size(), boxes);
    }

    // Each element shows while it is saved, the panel is frozen throughout and released at
    // every ending, and an element that does not decode is skipped and named.
    void seriesSave_data() {
        QTest::addColumn<QString>("folder");  // empty: the dialog is cancelled
        QTest::addColumn<int>("undecodable"); // an element, or -1
        QTest::addColumn<int>("written");
        QTest::addColumn<QStringList>("box"); // what the one box names
        const QString fourth = testsupport::tenImageNamesUpTo(10, 0)[3];
        QTest::newRow("every picture") << u"out"_s << -1 << 10 << QStringList();
        QTest::newRow("undecodable skipped")
            << u"out"_s << 3 << 9
            << QStringList{u"481"_s, fourth, u"form1.mnuSaveSeriesMap_Click"_s};
        QTest::newRow("cancelled") << QString() << -1 << 0 << QStringList();
        QTest::newRow("no such folder")
            << u"out/missing"_s << -1 << 0 << QStringList{u"10 maps could not be saved"_s};
    }
    void seriesSave() {
        QFETCH(QString, folder);
        QFETCH(int, undecodable);
        QFETCH(int, written);
        QFETCH(QStringList, box);
        Rig r;
        if (undecodable >= 0)
            r.fake.serve(QUrl(kFolder + r.names[undecodable]), testsupport::undecodableGif());
        QCOMPARE(r.start(), Viewer::StartUp::Loaded);
        const QString out = r.h.dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(out));
        if (!folder.isEmpty())
            r.h.fileDialogs.answers = {r.h.dir.filePath(folder + u"/typed name ignored.gif"_s)};
        app::HistorySaver saver(*r.viewer);
        QSignalSpy frozen(&saver, &app::HistorySaver::panelFrozen);
        QSignalSpy shown(r.viewer.get(), &Viewer::pictureShown);
        saver.saveSeries();

        QCOMPARE(r.h.fileDialogs.requests.size(), 1);
        QCOMPARE(r.h.fileDialogs.requests[0].proposedName, r.history().tag(9));
        QCOMPARE(frozen.size(), 2);
        QVERIFY(frozen[0].at(0).toBool() && !frozen[1].at(0).toBool());
        QCOMPARE(shown.size(), folder.isEmpty() ? 0 : 10);
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), written);
        for (int i = 0; i < 10 && written > 0; ++i) {
            QFile file(out + u"/Melbourne, FL  (SRC) - "_s + r.history().tag(i));
            QCOMPARE(file.open(QIODevice::ReadOnly), i != undecodable);
            if (i != undecodable)
                QCOMPARE(file.readAll(), r.history().encoded(i));
        }
        QCOMPARE(r.h.boxes.shown.size(), box.isEmpty() ? 0 : 1);
        QVERIFY(box.isEmpty() || r.h.boxes.shown[0].mentions(box));
    }
};

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
