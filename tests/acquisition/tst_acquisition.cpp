#include "AppHarness.h" // with the fakes and fixtures
#include "acquisition/Catalogue.h"
#include "acquisition/FolderAddress.h"
#include "acquisition/HistoryTrim.h"
#include "acquisition/ImageFeed.h"
#include "acquisition/ImageHistory.h"
#include "acquisition/ImageTime.h"
#include "acquisition/Listing.h"
#include "desktop/MapSaver.h"
#include "platform/EndWatch.h"
#include "platform/ImageCache.h"
#include "platform/TempFolder.h"
#include "settings/FileSettingsStore.h"
#include "settings/SettingsRecord.h"
#include "support/ErrorOf.h"
#include "support/FaultHttpServer.h"
#include "support/SmallDisk.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimeZone>
#include <QtTest>

#include <atomic>
#include <ctime>
#include <thread>
#include <unistd.h>

using namespace pluvix;
using namespace pluvix::acquisition;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Failure = platform::DownloadResult::Failure;
using platform::DownloadResult;
using testsupport::cutNames;
using testsupport::errorOf;
using testsupport::FaultHttpServer;
using testsupport::fileBytes;
using testsupport::listingOf;
using testsupport::makeRadarGif;
Q_DECLARE_METATYPE(DownloadResult::Failure)

namespace {

// Resets the peak, runs body, and gives the peak's growth in MiB.
template <class Body> qint64 peakGrowthMiB(Body body) {
    auto peakKiB = [] {
        QFile f(u"/proc/self/status"_s);
        f.open(QIODevice::ReadOnly);
        const QByteArray s = f.readAll();
        return s.mid(s.indexOf("VmHWM:") + 6).trimmed().split(' ').first().toLongLong();
    };
    QFile reset(u"/proc/self/clear_refs"_s);
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const qint64 before = peakKiB();
    body();
    return (peakKiB() - before) / 1024;
}

// The address sanitizer pads every block and keeps freed memory in quarantine.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 memorySlack = 3;
#else
constexpr qint64 memorySlack = 1;
#endif
#define VERIFY_BELOW(value, limit)                                                                 \
    QVERIFY2((value) < (limit)*memorySlack, qPrintable(QString::number(value)))

constexpr qint64 mib = 1024 * 1024;

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

// The listing cut and its fetch, the catalogue, image times, the zone bias, the history and its
// trim; the download service against a server whose faults the test controls, and hostile
// servers and files: what they may cost in memory and time.
class TestAcquisition : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;
    FaultHttpServer m_server;
    pluvix::platform::NetworkDownloadService m_service{QString()};

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
        const QStringList ten = testsupport::tenImageNamesUpTo(10, 0);
        QTest::newRow("server form") << listingOf(ten) << ten;
        QTest::newRow("only the first eleven links count")
            << listingOf(ten + testsupport::tenImageNamesUpTo(11, 0).mid(5)) << ten;
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
        const QList<QByteArray> seeds = {listingOf(testsupport::tenImageNamesUpTo(10, 0)),
                                         QByteArray()};
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

    void init() {
        m_service.setTransferTimeout(500ms);
        m_service.setTotalTimeout(60s);
        m_file = m_dir.filePath(u"tempIMG.gif"_s);
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("previous") == 8);
    }

    void result_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("status");
        QTest::newRow("whole body") << u"/ok/hello"_s << Failure::None << 200;
        QTest::newRow("refused") << QString() << Failure::Refused << 0;
        QTest::newRow("not found") << u"/missing"_s << Failure::HttpStatus << 404;
        QTest::newRow("stalls mid-body") << u"/stall"_s << Failure::Timeout << 200;
        QTest::newRow("cut off") << u"/cut"_s << Failure::Truncated << 200;
        QTest::newRow("trickles past the total limit") << u"/trickle"_s << Failure::Timeout << 200;
        QTest::newRow("endless") << u"/endless"_s << Failure::TooLarge << 200;
        QTest::newRow("gzip inflating without end") << u"/gzip"_s << Failure::TooLarge << 200;
    }
    // A failure leaves the local file as it was, with nothing beside it; an endless body costs
    // no more memory than the cap.
    void result() {
        QFETCH(QString, path);
        QFETCH(Failure, failure);
        m_service.setTotalTimeout(path == u"/trickle"_s ? 700ms : 60s);
        const QUrl url = path.isEmpty() ? QUrl(u"http://127.0.0.1:1/"_s) : m_server.url(path);
        QElapsedTimer clock;
        clock.start();
        DownloadResult r;
        const qint64 growth =
            peakGrowthMiB([&] { r = m_service.download(url, m_file, platform::imageByteCap); });
        QCOMPARE(r.failure, failure);
        QTEST(r.httpStatus, "status");
        QCOMPARE(fileBytes(m_file), failure == Failure::None ? "body:hello" : "previous");
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"tempIMG.gif"_s});
        VERIFY_BELOW(growth, 16 + 24);
        if (failure == Failure::Timeout)
            QVERIFY2(clock.elapsed() >= 450 && clock.elapsed() < 5000,
                     qPrintable(QString::number(clock.elapsed())));
        else
            VERIFY_BELOW(clock.elapsed(), 3000);
    }

    void batchRunsAtOnceAnswersInOrderAndGoesOn() {
        QList<QUrl> urls;
        for (int i = 0; i < 10; ++i)
            urls << m_server.url(u"/slow/150/%1"_s.arg(i));
        urls[3] = m_server.url(u"/missing"_s);
        urls << m_server.url(u"/silent"_s);
        QElapsedTimer clock;
        clock.start();
        auto batch = m_service.startBatch(urls, mib);
        for (int i = 0; i < 10; ++i) {
            const DownloadResult r = batch->takeNext(m_file);
            QCOMPARE(r.ok, i != 3);
            QCOMPARE(fileBytes(m_file), "body:" + QByteArray::number(i == 3 ? 2 : i));
        }
        QVERIFY2(clock.elapsed() < 750, qPrintable(QString::number(clock.elapsed())));
        batch.reset(); // must not wait for the transfer still hanging
        QVERIFY(clock.elapsed() < 1750);
    }

    // Private to the user, under the cache folder, and never reached through a link; with no
    // usable folder an error, and nothing made in the root instead.
    void tempFolderIsPrivate() {
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME"), oldTmp = qgetenv("TMPDIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(u"cache"_s)));
        const QString path = pluvix::platform::userTempPath(u"Pluvix"_s);
        QCOMPARE(path, m_dir.filePath(u"cache/pluvix/tmp/"_s));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x7777)));
        QCOMPARE(pluvix::platform::userTempPath(u"Pluvix"_s), path);
        QCOMPARE(int(QFileInfo(path).permissions() & 0x0077), 0);
        const QString elsewhere = m_dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().rename(path, elsewhere) && QFile::link(elsewhere, path.chopped(1)));
        const QString fresh = pluvix::platform::userTempPath(u"Pluvix"_s);
        QVERIFY(!fresh.startsWith(path.chopped(1)) && QFileInfo(fresh).isDir());
        QCOMPARE(QFileInfo(fresh).ownerId(), uint(::geteuid()));

        QFile blocker(m_dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the cache folder should be
        qputenv("XDG_CACHE_HOME", QFile::encodeName(blocker.fileName()));
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath(u"missing"_s)));
        const QStringList before = QDir(u"/"_s).entryList({u"pluvix*"_s});
        QString bad;
        const int error = errorOf([&] { bad = platform::userTempPath(u"Pluvix"_s); });
        qputenv("XDG_CACHE_HOME", oldCache);
        qputenv("TMPDIR", oldTmp);
        if (bad.startsWith(u"/pluvix"))
            QDir(bad).removeRecursively();
        QCOMPARE(error, 75);
        QCOMPARE(QDir(u"/"_s).entryList({u"pluvix*"_s}), before);
    }

    // A whole answer of a cut picture, kept by this run or by one without the check, is asked
    // for again; a sound one is kept.
    void cacheKeepsOnlyCheckedPictures() {
        const QByteArray whole = testsupport::makeRadarGif(600, 550, 7); // 35 KB
        QTemporaryDir cache;
        for (const QString& name : {u"checked"_s, u"unchecked"_s}) {
            const QUrl url = m_server.url(u"/dir/"_s + name);
            auto fetch = [&](bool checked) { // one run of the program
                platform::NetworkDownloadService service(
                    cache.path(), checked ? &acquisition::passesPictureCheck : nullptr);
                return service.download(url, m_file, mib, platform::CachePolicy::PreferCache).ok;
            };
            m_server.setFolder({}, {{name, whole.first(16000)}});
            QVERIFY(fetch(name == u"checked"));
            m_server.setFolder({}, {{name, whole}});
            QVERIFY(fetch(true) && fetch(true));
            QCOMPARE(fileBytes(m_file), whole);
            QCOMPARE(m_server.hits(url.path()), 2);
        }
    }

    // The kept pictures leave room on their disk, and give it back, for the temporary files.
    void smallCacheDiskLeavesRoomForTemporaryFiles() {
        QTemporaryDir dir;
        testsupport::SmallDisk disk(dir.filePath(u"disk"_s), 200);
        if (!disk.mounted())
            QSKIP("a size-limited file system needs root");
        platform::NetworkDownloadService service(disk.path(u"http"_s),
                                                 &acquisition::passesPictureCheck);
        for (int i = 0; i <= 10; ++i) {
            if (i == 10)
                disk.fill(4096); // someone else takes the rest
            m_server.setFolder(
                {}, {{u"p%1"_s.arg(i), testsupport::makeRadarGif(600, 550, quint32(i))}});
            const DownloadResult r =
                service.download(m_server.url(u"/dir/p%1"_s.arg(i)), disk.path(u"tempIMG.gif"_s),
                                 mib, platform::CachePolicy::PreferCache);
            QVERIFY2(r.ok, qPrintable(r.message));
        }
    }

    void cacheTrustsOnlyItsOwnFiles_data() {
        QTest::addColumn<QString>("planted");
        QTest::newRow("folder is a link") << u"folder link"_s;
        QTest::newRow("file is a link to a copy of itself") << u"file link"_s;
        QTest::newRow("file of 1 GiB") << u"huge file"_s;
    }
    // Nothing outside the cache folder is read, changed or removed; a huge file is not read.
    void cacheTrustsOnlyItsOwnFiles() {
        QFETCH(QString, planted);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"images"_s), elsewhere = dir.filePath(u"elsewhere"_s);
        QFile notes(elsewhere + u"/notes"_s);
        QVERIFY(QDir().mkpath(elsewhere) && notes.open(QIODevice::WriteOnly));
        const auto shared = QFileDevice::Permissions(0x7755);
        QVERIFY(QFile::setPermissions(elsewhere, shared));
        const platform::ImageCache::Limits limits{64 * mib, mib, 0};
        const QUrl url(u"http://h/a.gif"_s);
        platform::ImageCache(folder, limits).insert(url, "body");
        const QString entry = QDir(folder).entryInfoList(QDir::Files).value(0).filePath();
        if (planted == u"folder link")
            QVERIFY(QDir(folder).removeRecursively() && QFile::link(elsewhere, folder));
        else if (planted == u"file link")
            QVERIFY(QFile::rename(entry, elsewhere + u"/copy"_s) &&
                    QFile::link(elsewhere + u"/copy"_s, entry));
        else
            QVERIFY(QFile::resize(entry, 1024 * mib)); // sparse

        std::optional<QByteArray> found;
        const qint64 growth = peakGrowthMiB([&] {
            platform::ImageCache cache(folder, limits);
            found = cache.find(url);
            cache.insert(QUrl(u"http://h/b.gif"_s), "other");
        });
        QVERIFY(!found);
        VERIFY_BELOW(growth, 16);
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), planted == u"file link" ? 2 : 1);
        QCOMPARE(QFileInfo(elsewhere).permissions(), shared);
    }

    void dripAndSignalEndAWait_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("signal");
        QTest::addColumn<Failure>("failure");
        QTest::newRow("drip") << u"/trickle"_s << false << Failure::Timeout;
        QTest::newRow("signal") << u"/silent"_s << true << Failure::Interrupted;
    }

    void dripAndSignalEndAWait() {
        QFETCH(QString, path);
        QFETCH(bool, signal);
        QFETCH(Failure, failure);
        platform::NetworkDownloadService service({});
        service.setTotalTimeout(10s);
        service.setMinimumRate(100, 1s); // the trickle brings 10 bytes a second
        std::atomic<bool> received{false};
        int interruptions = 0;
        service.setInterruption([&] { return received.load(); }, [&] { ++interruptions; });
        std::thread signaller([&] {
            std::this_thread::sleep_for(300ms);
            received = signal;
        });
        QElapsedTimer clock;
        clock.start();
        const auto r = service.download(m_server.url(path), m_dir.filePath(u"f"_s), 1 << 20);
        const qint64 elapsed = clock.elapsed();
        signaller.join();
        QCOMPARE(r.failure, failure);
        VERIFY_BELOW(elapsed, signal ? 1000 : 2500);
        QCOMPARE(interruptions, signal ? 1 : 0);
        // Once interrupted, later calls do not even start.
        QCOMPARE(service.download(m_server.url(u"/ok/x"_s), m_dir.filePath(u"g"_s), 99).failure ==
                     Failure::Interrupted,
                 signal);
    }

    void pictureBombsAreRefusedCheaply_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<int>("error");
        // A 5600 x 5600 screen around one pixel: a few dozen bytes that decode to 125 MB.
        QByteArray gif = "GIF89a" + QByteArray::fromHex("e015e015000000"
                                                        "2c000000000100010080000000ffffff"
                                                        "02024401003b");
        QTest::newRow("GIF screen over the limit") << gif << 481;
        QTest::newRow("GIF screen at the limit")
            << gif.replace(6, 4, QByteArray::fromHex("00100010")) << 0;
        // A progressive JPEG whose first scan header repeats: each copy a pass over the picture.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QImage image(512, 512, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        writer.write(image);
        QByteArray jpeg = buffer.data();
        QTest::newRow("progressive JPEG") << jpeg << 0;
        const qsizetype scan = jpeg.indexOf("\xFF\xDA");
        jpeg.insert(scan, jpeg.mid(scan, 2 + quint8(jpeg[scan + 3])).repeated(20000));
        QTest::newRow("JPEG scan header 20,000 times") << jpeg << 481;
    }
    void pictureBombsAreRefusedCheaply() {
        QFETCH(QByteArray, picture);
        QElapsedTimer clock;
        clock.start();
        int error = 0;
        const qint64 growth =
            peakGrowthMiB([&] { error = errorOf([&] { acquisition::decodePicture(picture); }); });
        QTEST(error, "error");
        if (error != 0) {
            VERIFY_BELOW(growth, 32);
            VERIFY_BELOW(clock.elapsed(), 1000);
        }
    }

    void nonAsciiNameRequestedAsListed() {
        // The listing's bytes, one character each, as the cut gives them: UTF-8 "é" and a blank.
        const QString name = QString::fromLatin1("caf\xC3\xA9 1.gif");
        const QUrl url = acquisition::imageAddress(m_server.url(u"/ok/"_s).toString(), name);
        QVERIFY(m_service.download(url, m_dir.filePath(u"f"_s), 1024).ok);
        QCOMPARE(m_server.hits(u"/ok/caf%C3%A9%201.gif"_s), 1);
    }

    void seriesNamesNeverCollideAndDecodeOneByOne() {
        QTemporaryDir dir;
        testsupport::FakeFileDialogs dialogs;
        dialogs.answers = {dir.filePath(u"x"_s)};
        testsupport::FakeMessageBoxes boxes;
        desktop::MapSaver saver(dialogs, boxes, u"Pluvix"_s);
        // Each picture decodes to 24 MB; eight held at once would be 192 MB.
        QList<desktop::MapPicture> pictures;
        for (const char16_t* tag : {u"a/b", u"a\\b", u"a_b", u"c", u"d", u"e", u"f", u"g"}) {
            pictures.append({{}, {}, QString::fromUtf16(tag), [] {
                                 QImage image(3000, 2000, QImage::Format_RGB32);
                                 image.fill(Qt::darkBlue);
                                 return image;
                             }});
        }
        desktop::MapSaveOutcome outcome;
        const qint64 growth = peakGrowthMiB(
            [&] { outcome = saver.saveSeries(u"Pluvix - T"_s, {}, 0, pictures, {}); });
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 8);
        QVERIFY(outcome.written.contains(dir.filePath(u"T - a_b (3)"_s)));
        VERIFY_BELOW(growth, 120);
    }

    void settingsLockWaitIsBounded() {
        QTemporaryDir dir;
        settings::FileSettingsStore store(dir.path());
        store.SaveSetting(u"Pluvix"_s, u"S"_s, u"K"_s, u"1"_s);
        QLockFile other(store.filePath(u"Pluvix"_s) + u".lock"_s);
        QVERIFY(other.tryLock());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(errorOf([&] { store.SaveSetting(u"Pluvix"_s, u"S"_s, u"K"_s, u"2"_s); }), 75);
        VERIFY_BELOW(clock.elapsed(), 10000);
    }
};

QTEST_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
