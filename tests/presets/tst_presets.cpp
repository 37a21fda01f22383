#include "presets/PresetRecall.h"
#include "presets/PresetStore.h"

#include "acquisition/FolderAddress.h"
#include "acquisition/ImageFeed.h"
#include "platform/EndWatch.h"
#include "settings/MemorySettingsStore.h"
#include "settings/SettingsRecord.h"
#include "support/ErrorOf.h"
#include "support/FakeDownloadService.h"
#include "support/FakePlatform.h"
#include "support/GifFixtures.h"
#include "view/MapState.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace pluvix;
using platform::MessageButton;
using presets::PresetRecall;
using presets::PresetStore;
using presets::PresetView;

namespace {
const QString app = u"Pluvix"_s;
const QString kmlb = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;
const QString ktbw = u"http://radar.test/radar/images/DS.p37cr/SI.ktbw/"_s;

// The recall on a feed of ten images from a fake folder, without a window.
struct Recall {
    QTemporaryDir dir;
    settings::SettingsRecord record;
    settings::MemorySettingsStore store;
    PresetStore slotStore{store, app};
    view::MapState map;
    testsupport::FakeDownloadService fake;
    testsupport::FakeMessageBoxes boxes;
    testsupport::FakeProgramEnd programEnd;
    platform::EndWatch end{programEnd};
    testsupport::RecordingErrorSink errors;
    bool ending = false;
    acquisition::ImageFeed feed{{record, fake, boxes, end, errors, {}}, dir.path() + u"/"_s};
    PresetRecall recall{{record, map, feed, boxes, errors, [this] { return ending; }}};

    Recall() {
        record.BaseURL = kmlb;
        record.RadarStationName = u"kmlb"_s;
        record.MapTypeShort = u"p37cr"_s;
        record.MaxImageNumber = 20;
        record.BullsEyeX = 0.5f;
        map.setRect({-100, -200, 9000, 9000});
        map.setZoom(3);
        testsupport::serveFolder(fake, kmlb, testsupport::tenImageNamesUpTo(10, 0));
        testsupport::serveFolder(fake, ktbw, testsupport::tenImageNamesUpTo(11, 0));
        feed.setAppName(app);
        feed.fetchListing();
        feed.loadHistory(acquisition::HistoryLoad::StartUp);
        feed.setLoading(false);
        recall.setStore(&slotStore);
    }
    void storeSlot(int slot, const QString& key, const QString& value) {
        store.SaveSetting(app, PresetStore::sectionName(slot), key, value);
    }
};
} // namespace

// The buttons themselves are driven through the real window in tests/e2e.
class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void storeAsksFirstAndWritesTheCurrentView() {
        Recall r;
        QSignalSpy stored(&r.recall, &PresetRecall::slotStored);
        r.boxes.answers = {MessageButton::No};
        r.recall.press(1, Qt::RightButton);
        QCOMPARE(r.boxes.shown.value(0).text,
                 u"Add KMLB - Melbourne, FL - Short Range Composite To PreSet# 2?"_s);
        QCOMPARE(r.store.GetSetting(app, u"SectionPreset1"_s, u"BaseURL"_s, u"-"_s), u"-"_s);
        QCOMPARE(stored.size(), 0);

        r.boxes.answers = {MessageButton::Yes};
        r.recall.press(1, Qt::RightButton);
        QCOMPARE(r.slotStore.read(1), r.recall.currentView());
        QCOMPARE(r.slotStore.read(1).MapWidth, 9000.0f);
        QCOMPARE(stored.value(0).value(1).toString(),
                 u"KMLB - Melbourne, FL - Short Range Composite"_s);
        r.recall.press(1, Qt::MiddleButton);
        QCOMPARE(r.boxes.shown.size(), 2);
        QVERIFY(r.errors.reports.isEmpty());
    }

    // A stored view comes back with the other station's pictures; a slot never stored brings
    // the default view.
    void recallBringsTheSlotsViewAndPictures_data() {
        QTest::addColumn<bool>("stored");
        QTest::newRow("stored") << true;
        QTest::newRow("never stored") << false;
    }
    void recallBringsTheSlotsViewAndPictures() {
        QFETCH(bool, stored);
        Recall r;
        PresetView wanted = PresetStore::defaultView();
        if (stored) {
            wanted = r.recall.currentView();
            wanted.BaseURL = ktbw;
            wanted.RadarStationName = u"ktbw"_s;
            wanted.MapLeft = 300;
            wanted.ZoomLevel = 5;
            wanted.BullsEyeX = 0.25f;
            r.slotStore.write(4, wanted);
        } else {
            r.fake.serve(QUrl(wanted.BaseURL),
                         testsupport::listingOf(testsupport::tenImageNamesUpTo(11, 0)));
        }
        QSignalSpy loaded(&r.recall, &PresetRecall::recallLoaded);
        QSignalSpy abandoned(&r.recall, &PresetRecall::recallAbandoned);
        r.recall.press(4, Qt::LeftButton);
        QVERIFY(r.errors.reports.isEmpty());
        QCOMPARE(r.recall.currentView(), wanted);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(abandoned.size(), 0);
        QVERIFY(!r.recall.busy() && !r.feed.isLoading());
        if (stored)
            QCOMPARE(r.feed.history().tag(9), testsupport::radarImageName(11, 0));
    }

    // An error before the reload puts the previous view back; one after it keeps the recalled
    // station with what came of its pictures.
    void failedRecallRollsBackOnlyBeforeItsReload_data() {
        QTest::addColumn<QString>("zoom");
        QTest::addColumn<bool>("servedImages");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QVariantList>("abandoned"); // its viewRestored, when abandoned
        QTest::newRow("zoom refused") << u"13"_s << true << u"kmlb"_s << QVariantList{true};
        QTest::newRow("number beyond its type")
            << u"99999999999"_s << true << u"kmlb"_s << QVariantList{false};
        QTest::newRow("images missing") << u"5"_s << false << u"ktbw"_s << QVariantList{};
    }
    void failedRecallRollsBackOnlyBeforeItsReload() {
        QFETCH(QString, zoom);
        QFETCH(bool, servedImages);
        QFETCH(QString, station);
        QFETCH(QVariantList, abandoned);
        Recall r;
        r.storeSlot(0, u"BaseURL"_s, ktbw);
        r.storeSlot(0, u"RadarStationName"_s, u"ktbw"_s);
        r.storeSlot(0, u"ZoomLevel"_s, zoom);
        if (!servedImages)
            r.fake.serve(QUrl(ktbw), testsupport::listingOf(testsupport::tenImageNamesUpTo(11, 0)));
        QSignalSpy gaveUp(&r.recall, &PresetRecall::recallAbandoned);
        QSignalSpy ends(&r.recall, &PresetRecall::recallEnds);
        r.recall.press(0, Qt::LeftButton);
        QCOMPARE(ends.size(), 1);
        QCOMPARE(gaveUp.size(), abandoned.size());
        if (!abandoned.isEmpty()) {
            QCOMPARE(gaveUp[0][0], abandoned[0]);
            QCOMPARE(r.errors.reports.size(), 1);
            QCOMPARE(r.errors.reports[0].procedure, u"form1.ctrlPreset_MouseDown"_s);
        }
        QCOMPARE(r.record.RadarStationName, station);
        QCOMPARE(r.record.BaseURL, station == u"kmlb"_s ? kmlb : ktbw);
        QCOMPARE(r.map.rect().Left == -100.0f, station == u"kmlb"_s);
        QVERIFY(!r.recall.busy() && !r.feed.isLoading());
    }

    // A close while the window hides the ring labels (it lets events run there) stops the
    // recall where it stands: nothing is changed, fetched or rolled back.
    void closeDuringTheRecallStopsIt() {
        Recall r;
        r.storeSlot(0, u"BaseURL"_s, ktbw);
        QObject::connect(&r.recall, &PresetRecall::ringLabelsRequested, [&r] {
            r.ending = true;
            r.feed.stop();
        });
        QSignalSpy ends(&r.recall, &PresetRecall::recallEnds);
        QSignalSpy leaving(&r.recall, &PresetRecall::picturesLeaving);
        r.recall.press(0, Qt::LeftButton);
        QCOMPARE(ends.size() + leaving.size(), 0);
        QCOMPARE(r.record.BaseURL, kmlb);
        QCOMPARE(r.feed.history().tag(9), testsupport::radarImageName(10, 0));
        QVERIFY(r.errors.reports.isEmpty());
    }

    void slotRoundTripsWithItsNumberTexts() {
        settings::MemorySettingsStore store;
        PresetStore presets(store, app);
        PresetView v = PresetStore::defaultView();
        v.BaseURL = u"  "_s + v.BaseURL + u' ';
        v.RadarStationName = u" ktlx "_s;
        v.MapTop = -0.5f; // each form of the texts is in tests/core
        presets.write(2, v);
        const auto stored = [&](const QString& key) {
            return store.GetSetting(app, u"SectionPreset2"_s, key, {});
        };
        QCOMPARE(stored(u"MapTop"_s) + u'|' + stored(u"RadarStationName"_s), u"-.5|ktlx"_s);
        v.BaseURL = v.BaseURL.trimmed();
        v.RadarStationName = v.RadarStationName.trimmed();
        QCOMPARE(presets.read(2), v);
        QCOMPARE(presets.read(3), PresetStore::defaultView());
        for (int slot : {-1, 8})
            QCOMPARE(testsupport::errorOf([&] { presets.write(slot, v); }), 9);
    }

    void tooltip_data() {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("expected");
        QTest::newRow("product matched exactly")
            << acquisition::defaultBaseUrl() << u"P37CR"_s << u"KMLB - Melbourne, FL - "_s;
        QTest::newRow("lower-case si.") << u"http://h/radar/images/DS.p19r0/si.kffc/"_s
                                        << u"p19r0"_s << u"KFFC - Atlanta, GA - Short Range Base"_s;
    }
    void tooltip() {
        QFETCH(QString, baseUrl);
        QFETCH(QString, product);
        settings::MemorySettingsStore store;
        const QString s = u"SectionPreset7"_s;
        store.SaveSetting(app, s, u"BaseURL"_s, baseUrl);
        store.SaveSetting(app, s, u"MapTypeShort"_s, product);
        QTEST(PresetStore(store, app).tooltip(7), "expected");
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
