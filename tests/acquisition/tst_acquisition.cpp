#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "acquisition/HistoryTrim.h"
#include "acquisition/ImageFeed.h"
#include "acquisition/ImageHistory.h"
#include "acquisition/ImageTime.h"
#include "acquisition/Listing.h"
#include "platform/EndWatch.h"
#include "platform/NetworkDownloadService.h"
#include "settings/SettingsRecord.h"
#include "support/ErrorOf.h"
#include "support/FakeDownloadService.h"
#include "support/FakePlatform.h"
#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <ctime>

using namespace pluvix;
using namespace pluvix::acquisition;
using namespace Qt::StringLiterals;
using testsupport::cutNames;
using testsupport::errorOf;
using testsupport::listingOf;
using testsupport::makeRadarGif;

namespace {
QByteArray jpeg() {
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    return testsupport::encoded(photo, "JPG");
}

const QString kFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

// The image feed on a fake folder of ten images up to 10:00, without a window or a server.
struct Feed {
    QTemporaryDir dir;
    settings::SettingsRecord record;
    testsupport::FakeDownloadService fake;
    testsupport::FakeMessageBoxes boxes;
    testsupport::FakeProgramEnd programEnd;
    platform::EndWatch end{programEnd};
    testsupport::RecordingErrorSink errors;
    // Runs at each point where the feed lets pending events run.
    std::function<void()> onEvents;
    ImageFeed feed{{record, fake, boxes, end, errors,
                    [this] {
                        if (onEvents)
                            onEvents();
                    }},
                   dir.path() + u"/"_s};

    explicit Feed(const QStringList& names = testsupport::tenImageNamesUpTo(10, 0)) {
        record.BaseURL = kFolder;
        record.MapTypeShort = u"p37cr"_s;
        record.MaxImageNumber = 20;
        record.PollInterval = 60;
        serve(names);
        feed.setAppName(u"Pluvix"_s);
        feed.fetchListing();
        feed.loadHistory(HistoryLoad::StartUp);
        feed.setLoading(false);
    }
    void serve(const QStringList& names) { testsupport::serveFolder(fake, kFolder, names); }
    QStringList tags() const {
        QStringList t;
        for (int i = feed.history().FirstHistoryIndex; i <= feed.history().UBound(); ++i)
            t.append(feed.history().tag(i));
        return t;
    }
    // One new image a poll, five minutes after the last.
    void pollNewImages(QTime newest, int count) {
        for (int k = 0; k < count; ++k) {
            newest = newest.addSecs(300);
            serve(testsupport::tenImageNamesUpTo(newest.hour(), newest.minute()));
            feed.pollNow();
        }
    }
};

QStringList imageNames(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << u"MLB20050915_N0R%1.gif"_s.arg(1500 + i);
    return out;
}

// An independent reading of the same cut on Latin-1 text, for the differential fuzz check.
QStringList referenceCut(const QByteArray& bytes) {
    const QString t = QString::fromLatin1(bytes);
    auto inStr = [&t](qsizetype start, QLatin1String what) -> qsizetype {
        return start > t.size() ? 0 : t.indexOf(what, start - 1, Qt::CaseInsensitive) + 1;
    };
    QStringList out;
    qsizetype p = inStr(1, "HREF="_L1);
    for (int k = 0; k < 10; ++k) {
        p = inStr(p + 1, "HREF="_L1) + 6;
        const qsizetype e = inStr(p, ".GIF"_L1) + 4;
        if (e - p < 0)
            return {u"error"_s};
        out << (p > t.size() ? QString() : t.mid(p - 1, e - p));
    }
    return out;
}

class Host final : public acquisition::ListingHost {
public:
    QString baseUrl, file;
    qint16 mapType = 0;
    QList<bool> connectionOK, notice; // every value set, in order
    QString& BaseURL() override { return baseUrl; }
    qint16 MapTypeIndex() const override { return mapType; }
    bool IsLoadingMap() const override { return false; }
    void setConnectionOK(bool ok) override { connectionOK << ok; }
    void showConnectionNotice(bool visible) override { notice << visible; }
    QString appTitle() const override { return u"Pluvix"_s; }
    QString listingFile() const override { return file; }
};

} // namespace

// The listing cut and its fetch, the station and product catalogue, image times, the zone bias,
// the history trim and the image history's elements.
class TestAcquisition : public QObject {
    Q_OBJECT

private slots:
    void stationTable() {
        StationTable table;
        table.AddStation(u"FL Melbourne"_s, u"kmlb"_s);
        QCOMPARE(table.findStation(u"kmlb"_s), -1); // the row being filled is not counted yet
        table.FillStationTable();
        QCOMPARE(table.StationCount(), qint16(178));
        QCOMPARE(table.name(38) + table.code(38), u"FL Melbournekmlb"_s);
        StationTable full;
        for (int row = 0; row <= StationTable::LastRow; ++row)
            full.AddStation(u"XX Row"_s, u"kxxx"_s);
        QCOMPARE(errorOf([&] { full.AddStation(u"XX Over"_s, u"kovr"_s); }), 9);
        QVERIFY(errorOf([&] { addressForStationChoice(178); }) != 0);
        // Shared codes take the first row.
        QCOMPARE(fixedStations().labelForCode(u"kokx"_s), u"New York City, NY"_s);
    }

    // Unknown station and product leave their places empty; an empty name gives empty fields.
    void emptyTexts() {
        const QString url = u"http://h/radar/images/DS.p37cr/SI.kxyz/"_s;
        QCOMPARE(stationTitle(u"Pluvix"_s, url, u"zzzzz"_s), u"Cirrusworks Pluvix -   ()"_s);
        QCOMPARE(presetDescription(url, u"zzzzz"_s), u"KXYZ -  - "_s);
        QString name, hourMinute;
        FormatImageTime(name, hourMinute);
        QCOMPARE(hourMinute + name, u"://  : UTC"_s);
    }

    // The picture's moment for the age badge; anything but digits of a real date gives none.
    void imageTimeUtc() {
        QCOMPARE(acquisition::imageTimeUtc(u"MLB20050915_N0R1503.gif"_s),
                 QDateTime(QDate(2005, 9, 15), QTime(15, 3), QTimeZone::utc()));
        for (const QString& bad :
             {u"MLB20050915_N0R15"_s, u"MLBx0050915_N0R1503"_s, u"MLB20050230_N0R1503"_s})
            QVERIFY(!acquisition::imageTimeUtc(bad));
    }

    // bias -1 stands for none; hour -1 for no clock time.
    void pastImageTime_data() {
        QTest::addColumn<QString>("hourMinute");
        QTest::addColumn<int>("autoOffset");
        QTest::addColumn<int>("localOffset");
        QTest::addColumn<int>("bias");
        QTest::addColumn<float>("hour");
        QTest::addColumn<int>("minute");
        QTest::newRow("fixed offset") << u"02:30"_s << 0 << 5 << 600 << -3.0f << 30;
        QTest::newRow("half hour zone") << u"10:00"_s << 1 << 0 << -630 << 20.5f << 0;
        QTest::newRow("no bias") << u"10:00"_s << 1 << 5 << -1 << 10.0f << 0;
        QTest::newRow("minute 60") << u"12:60"_s << 0 << 0 << 0 << -1.0f << 0;
    }
    void pastImageTime() {
        QFETCH(QString, hourMinute);
        QFETCH(int, autoOffset);
        QFETCH(int, localOffset);
        QFETCH(int, bias);
        const auto t = PastImageTimeValues(hourMinute, qint16(autoOffset), qint16(localOffset),
                                           bias == -1 ? std::nullopt : std::optional<qint32>(bias));
        QTEST(t ? t->hour : -1.0f, "hour");
        QTEST(t ? t->minute : 0, "minute");
    }

    void zoneBias() {
        const QDateTime january(QDate(2024, 1, 15), QTime(12, 0), QTimeZone::utc());
        const QDateTime july = january.addMonths(6);
        QCOMPARE(GetTimeZoneBias(QTimeZone("America/New_York"), july), std::optional(240));
        // A half-hour daylight shift still counts as a whole hour.
        QCOMPARE(GetTimeZoneBias(QTimeZone("Australia/Lord_Howe"), january), std::optional(-690));
        QVERIFY(!GetTimeZoneBias(QTimeZone(), july));
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", "Asia/Kolkata");
        tzset();
        QCOMPARE(GetTimeZoneBias(), std::optional(-330));
        saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
        tzset();
    }

    // The rest of the trim shows in the window's history, in tests/app.
    void trimKeepsALargerLimitAndOverflows() {
        const TrimStep s = trimBeforeAppend(52, 0, 50);
        QCOMPARE((QList<int>{s.maxImageNumber, s.firstHistoryIndex, s.destroyIndex}),
                 (QList<int>{50, 1, -1}));
        QCOMPARE(errorOf([] { trimBeforeAppend(100, 0, 32767); }), 6);
    }

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
        h.setPicture(0, readPictureFile(file.fileName()));
        QCOMPARE(h.picture(0).size(), QSize(64, 48));
        QCOMPARE(errorOf([&] { readPictureFile(dir.filePath(u"none"_s)); }), 53);
        // Whole but undecodable data is found when first shown: told once, then no picture.
        h.setPicture(0, testsupport::undecodableGif());
        QCOMPARE(errorOf([&] { h.picture(0); }), 481);
        QVERIFY(h.picture(0).isNull());
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
    void cutsNames_data() {
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QStringList>("expected");
        const QStringList ten = imageNames(10);
        QTest::newRow("server form") << listingOf(ten) << ten;
        QTest::newRow("only the first eleven links count") << listingOf(imageNames(15)) << ten;
        // After the last link the search starts again at position 6 and finds the first link.
        QStringList wrapped;
        for (int i = 0; i < 5; ++i)
            wrapped << u"b.gif"_s << u"EF=\"a.gif"_s;
        QTest::newRow("too few links wrap around")
            << QByteArray("<A HREF=\"a.gif\"><A HREF=\"b.gif\">") << wrapped;
        const QStringList bytes(10, u"\u00e9t\u00ff\u0080.gif"_s); // one character per byte
        QTest::newRow("bytes stay bytes") << listingOf(bytes) << bytes;
    }
    void cutsNames() {
        QFETCH(QByteArray, listing);
        QTEST(cutNames(listing), "expected");
    }

    void fuzzAgainstTheReference() {
        static const QList<QByteArray> pieces = {"HREF=", "href=", ".gif", ".GIF", ".gi",
                                                 "\"",    "\r\n",  "\xE9", "\x00", "g"};
        const QList<QByteArray> seeds = {listingOf(imageNames(10)), QByteArray()};
        QRandomGenerator random(20050915);
        QElapsedTimer clock;
        clock.start();
        int runs = 0, errors = 0;
        for (; clock.elapsed() < 2000; ++runs) {
            QByteArray t = seeds[random.bounded(int(seeds.size()))];
            for (int i = random.bounded(1, 12); i > 0; --i) {
                const qsizetype at = t.isEmpty() ? 0 : random.bounded(int(t.size() + 1));
                if (random.bounded(3) == 0)
                    t.insert(at, pieces[random.bounded(int(pieces.size()))]);
                else if (random.bounded(2) == 0)
                    t.remove(at, random.bounded(1, 40));
                else if (at < t.size())
                    t[at] = char(random.bounded(256));
            }
            const QStringList expected = referenceCut(t);
            if (const int error = errorOf([&] { QCOMPARE(cutNames(t), expected); })) {
                QCOMPARE(error, 5);
                QCOMPARE(expected, QStringList{u"error"_s});
                ++errors;
            }
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(runs > 100 && errors > 0 && errors < runs);
    }

    // The poll's fetch against the bundled server and its injected faults; a failure while
    // loading ends the program, through the window in tests/app.
    void fetch_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<bool>>("notice");
        QTest::addColumn<int>("report");
        QTest::newRow("fine") << QString() << QList<bool>{false} << 0;
        QTest::newRow("down") << u"listing-404=1"_s << QList<bool>{true} << 0;
        QTest::newRow("no gif") << u"no-gif=1"_s << QList<bool>{false} << 5;
        QTest::newRow("satellite needs no listing") << u"satellite"_s << QList<bool>{} << 0;
    }
    void fetch() {
        QFETCH(QString, fault);
        testsupport::RadarServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        Host host;
        host.baseUrl = server.folderUrl(u"kmlb"_s, u"p37cr"_s);
        host.file = dir.filePath(u"tempURL.txt"_s);
        platform::NetworkDownloadService downloads(dir.filePath(u"http"_s));
        testsupport::FakeMessageBoxes boxes;
        testsupport::FakeProgramEnd end;
        testsupport::RecordingErrorSink errors;
        acquisition::ListingFetcher fetcher(host, downloads, boxes, end, errors);
        fetcher.ParseURLText();
        const acquisition::ImageNameList before = fetcher.ImageNames;
        host.notice.clear();
        host.mapType = fault == u"satellite"_s ? 6 : 0;
        QVERIFY(fault.isEmpty() || host.mapType || server.control(u"faults?"_s + fault));
        QVERIFY(server.control(u"advance?images=1"_s));

        fetcher.ParseURLText();
        // As text: Qt's list comparison hands memcmp a null pointer for two empty lists.
        const auto bits = [](const QList<bool>& l) {
            QString t;
            for (bool b : l)
                t += b ? u'1' : u'0';
            return t;
        };
        QFETCH(QList<bool>, notice);
        QCOMPARE(bits(host.notice), bits(notice));
        QCOMPARE(end.endCount, 0);
        QTEST(errors.reports.isEmpty() ? 0 : errors.reports[0].number, "report");
        QCOMPARE(fetcher.ImageNames == before, !fault.isEmpty() && !host.mapType);
        QCOMPARE(bits(host.connectionOK), bits(host.notice) == u"1"_s ? u"0"_s : QString());
        if (host.mapType)
            QCOMPARE(host.baseUrl + fetcher.ImageNames[0] + fetcher.ImageNames[9],
                     acquisition::satelliteFolder() + u"11.jpg20.jpg"_s);
        if (!errors.reports.isEmpty())
            QCOMPARE(errors.reports[0].procedure, u"form1.form.ParseURLText"_s);
    }

    // The poll counts down in the clock's tool tip; a stored limit below the start-up's ten is
    // raised at the first new image; then the oldest goes one at a time, element 0 staying.
    void pollAppendsAndTrimsTheHistory() {
        Feed f;
        QCOMPARE(f.tags(), testsupport::tenImageNamesUpTo(10, 0));
        f.record.MaxImageNumber = 5;
        QSignalSpy countdown(&f.feed, &ImageFeed::countdownChanged);
        QSignalSpy ranges(&f.feed, &ImageFeed::historyRangeChanged);
        f.serve(testsupport::tenImageNamesUpTo(10, 5));
        for (int tick = 1; tick <= 59; ++tick)
            f.feed.pollTick();
        QCOMPARE(countdown.last().at(0).toString(), u" 1 Seconds till next Poll "_s);
        QCOMPARE(f.feed.history().UBound(), 9);
        f.feed.pollTick();
        QCOMPARE(f.feed.history().tag(10), testsupport::radarImageName(10, 5));
        QCOMPARE(f.record.MaxImageNumber, qint16(20));
        QCOMPARE(ranges.last(), (QVariantList{0, 10}));

        f.pollNewImages(QTime(10, 5), 14);
        QCOMPARE(f.feed.history().UBound(), 24);
        QCOMPARE(f.feed.history().FirstHistoryIndex, qint16(2));
        QVERIFY(f.feed.history().exists(0) && !f.feed.history().exists(1));
        QCOMPARE(ranges.last(), (QVariantList{2, 24}));
        QVERIFY(f.errors.reports.isEmpty());
    }

    void sameNewestNameIsNotNew_data() {
        QTest::addColumn<QString>("listedNewest");
        QTest::addColumn<bool>("isNew");
        const QString newest = testsupport::radarImageName(10, 0);
        QTest::newRow("blank and case") << u" "_s + newest.toLower() << false;
        QTest::newRow("one minute later") << testsupport::radarImageName(10, 1) << true;
    }

    void sameNewestNameIsNotNew() {
        QFETCH(QString, listedNewest);
        QFETCH(bool, isNew);
        Feed f;
        // Served, so that treating it as new would visibly append it.
        f.serve(testsupport::tenImageNamesUpTo(10, 0).mid(1) << listedNewest);
        f.feed.pollNow();
        QCOMPARE(f.feed.history().UBound(), isNew ? 10 : 9);
    }

    // A failed listing shows the notice and keeps the history; a new image that cannot be
    // fetched is silent and comes at a later poll. A reload without a listing ends there.
    void failedPollsAndReloads() {
        Feed f;
        QSignalSpy notice(&f.feed, &ImageFeed::connectionNoticeShown);
        f.fake.fail(QUrl(kFolder), platform::DownloadResult::Failure::HttpStatus, 404);
        f.feed.pollNow();
        QCOMPARE(notice.last().at(0).toBool(), true);
        QCOMPARE(f.tags(), testsupport::tenImageNamesUpTo(10, 0));

        const QStringList next = testsupport::tenImageNamesUpTo(10, 5);
        f.serve(next);
        f.fake.fail(QUrl(kFolder + next[9]), platform::DownloadResult::Failure::Timeout);
        f.feed.pollNow();
        QCOMPARE(f.feed.history().UBound(), 9);
        QCOMPARE(notice.last().at(0).toBool(), false);
        // One that is no picture is told, and not appended either.
        f.fake.serve(QUrl(kFolder + next[9]), "GIF89a not a picture");
        f.feed.pollNow();
        QCOMPARE(f.feed.history().UBound(), 9);
        QCOMPARE(f.errors.reports.value(0).number, 481);
        f.serve(next);
        f.feed.pollNow();
        QCOMPARE(f.feed.history().tag(10), next[9]);
        QVERIFY(f.boxes.shown.isEmpty() && f.programEnd.endCount == 0);

        f.fake.fail(QUrl(kFolder), platform::DownloadResult::Failure::Refused);
        QSignalSpy reloaded(&f.feed, &ImageFeed::reloadEnds);
        f.feed.reload();
        QCOMPARE(f.boxes.shown.size() + f.programEnd.endCount, 2);
        QCOMPARE(f.feed.history().UBound(), 0);
        QCOMPARE(reloaded.count(), 0);
    }

    // A close at the k-th point where events run: nothing more is fetched or shown after it.
    void stopDuringAReloadEndsIt_data() {
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<int>("previews");
        QTest::newRow("before the images") << 1 << 0;
        QTest::newRow("after the newest") << 2 << 1;
    }

    void stopDuringAReloadEndsIt() {
        QFETCH(int, stopAt);
        Feed f;
        f.serve(testsupport::tenImageNamesUpTo(11, 0));
        int points = 0;
        f.onEvents = [&] {
            if (++points == stopAt)
                f.feed.stop();
        };
        QSignalSpy previews(&f.feed, &ImageFeed::previewArrived);
        QSignalSpy elements(&f.feed, &ImageFeed::elementArrived);
        QSignalSpy reloaded(&f.feed, &ImageFeed::reloadEnds);
        f.feed.reload();
        QTEST(int(previews.count()), "previews");
        QCOMPARE(elements.count(), 0);
        QCOMPARE(reloaded.count(), 0);
        QCOMPARE(points, stopAt);
        // Ticks after the end poll no more.
        QSignalSpy polls(&f.feed, &ImageFeed::pollBegins);
        for (int tick = 0; tick <= 60; ++tick)
            f.feed.pollTick();
        QCOMPARE(polls.count(), 0);
    }

    // Ticks that arrive while a poll or a reload lets events run start no poll of their own.
    void ticksInsideAPollOrReloadWait() {
        Feed f;
        f.serve(testsupport::tenImageNamesUpTo(10, 5));
        QSignalSpy polls(&f.feed, &ImageFeed::pollBegins);
        f.onEvents = [&] {
            for (int tick = 0; tick <= 60; ++tick)
                f.feed.pollTick();
        };
        f.feed.pollNow();
        QCOMPARE(polls.count(), 1);
        QCOMPARE(f.feed.history().UBound(), 10);
        f.feed.reload();
        QCOMPARE(polls.count(), 1);
        QVERIFY(!f.feed.isLoading());
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
