#include "acquisition/FolderAddress.h"
#include "acquisition/Listing.h"
#include "platform/NetworkDownloadService.h"
#include "support/ErrorOf.h"
#include "support/FakePlatform.h"
#include "support/RadarServerProcess.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using acquisition::cutImageNames;
using testsupport::errorOf;

namespace {

QStringList names(const QByteArray& listing) {
    const acquisition::ImageNameList cut = cutImageNames(listing);
    return QStringList(cut.begin(), cut.end());
}

QStringList imageNames(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << u"MLB20050915_N0R%1.gif"_s.arg(1500 + i);
    return out;
}

QByteArray listingOf(const QStringList& images) {
    const QByteArray link = "<A HREF=\"";
    QByteArray t = "<HTML><H1>Index of /radar/images/DS.p37cr/SI.kmlb</H1><PRE>" + link +
                   "/radar/images/DS.p37cr/\">Parent Directory</A>\n";
    for (const QString& n : images)
        t += link + n.toLatin1() + "\">" + n.toLatin1() + "</A>  15-Sep-2005 15:03   23K\n";
    return t + "</PRE></HTML>\n";
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
    bool loading = false;
    QList<bool> connectionOK, notice; // every value set, in order
    QString& BaseURL() override { return baseUrl; }
    qint16 MapTypeIndex() const override { return mapType; }
    bool IsLoadingMap() const override { return loading; }
    void setConnectionOK(bool ok) override { connectionOK << ok; }
    void showConnectionNotice(bool visible) override { notice << visible; }
    QString appTitle() const override { return u"Pluvix"_s; }
    QString listingFile() const override { return file; }
};

} // namespace

class TestListing : public QObject {
    Q_OBJECT

private slots:
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
        QTEST(names(listing), "expected");
    }

    void linkWithoutGifIsInvalidCall() {
        QCOMPARE(errorOf([] { cutImageNames({}); }), 5);
        QCOMPARE(errorOf([] { cutImageNames(listingOf(imageNames(4) << u"x.png"_s)); }), 5);
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
            if (const int error = errorOf([&] { QCOMPARE(names(t), expected); })) {
                QCOMPARE(error, 5);
                QCOMPARE(expected, QStringList{u"error"_s});
                ++errors;
            }
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(runs > 100 && errors > 0 && errors < runs);
    }

    // The fetch against the bundled server and its injected faults.
    void fetch_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QList<bool>>("notice");
        QTest::addColumn<int>("ends");
        QTest::addColumn<int>("report");
        QTest::newRow("fine") << QString() << false << QList<bool>{false} << 0 << 0;
        QTest::newRow("down while polling")
            << u"listing-404=1"_s << false << QList<bool>{true} << 0 << 0;
        QTest::newRow("down while loading")
            << u"listing-404=1"_s << true << QList<bool>{} << 1 << 0;
        QTest::newRow("no gif") << u"no-gif=1"_s << false << QList<bool>{false} << 0 << 5;
        QTest::newRow("satellite needs no listing")
            << u"satellite"_s << false << QList<bool>{} << 0 << 0;
    }
    void fetch() {
        QFETCH(QString, fault);
        QFETCH(bool, loading);
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
        host.loading = loading;
        host.mapType = fault == u"satellite"_s ? 6 : 0;
        QVERIFY(fault.isEmpty() || host.mapType || server.control(u"faults?"_s + fault));
        QVERIFY(server.control(u"advance?images=1"_s));

        fetcher.ParseURLText();
        QTEST(host.notice, "notice");
        QTEST(end.endCount, "ends");
        QTEST(errors.reports.isEmpty() ? 0 : errors.reports[0].number, "report");
        QCOMPARE(fetcher.ImageNames == before, !fault.isEmpty() && !host.mapType);
        QCOMPARE(host.connectionOK,
                 host.notice == QList<bool>{true} ? QList<bool>{false} : QList<bool>{});
        if (loading)
            QCOMPARE(boxes.shown.value(0).text, u"Pluvix Cannot Cannot Connect to the Internet.\n"
                                                "                     Pluvix will now close."_s);
        if (host.mapType)
            QCOMPARE(host.baseUrl + fetcher.ImageNames[0] + fetcher.ImageNames[9],
                     acquisition::satelliteFolder() + u"11.jpg20.jpg"_s);
        if (!errors.reports.isEmpty())
            QCOMPARE(errors.reports[0].procedure, u"form1.form.ParseURLText"_s);
    }
};

QTEST_GUILESS_MAIN(TestListing)
#include "tst_listing.moc"
