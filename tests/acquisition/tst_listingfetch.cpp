#include "acquisition/FolderAddress.h"
#include "acquisition/Listing.h"
#include "support/FakeDownloadService.h"
#include "support/FakePlatform.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pluvix;
using platform::DownloadResult;
using testsupport::FakeDownloadService;

namespace {

class FakeHost final : public acquisition::ListingHost {
public:
    QString baseUrl = QStringLiteral("http://127.0.0.1:8573/radar/images/DS.p37cr/SI.kmlb/");
    qint16 mapType = 0;
    bool loading = false;
    QList<bool> connectionOK; // every value set, in order
    QList<bool> notice;       // every visibility set, in order
    QString file;

    QString& BaseURL() override { return baseUrl; }
    qint16 MapTypeIndex() const override { return mapType; }
    bool IsLoadingMap() const override { return loading; }
    void setConnectionOK(bool ok) override { connectionOK << ok; }
    void showConnectionNotice(bool visible) override { notice << visible; }
    QString appTitle() const override { return QStringLiteral("Pluvix"); }
    QString listingFile() const override { return file; }
};

QByteArray listingOf(int first) {
    QByteArray t = "<A HREF=\"../\">Parent</A>\n";
    for (int i = first; i < first + 10; ++i)
        t += "<A HREF=\"MLB20050915_N0R15" + QByteArray::number(10 + i) + ".gif\">x</A>\n";
    return t;
}

} // namespace

class ListingFetchTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void successCutsNamesAndHidesNotice();
    void failureDuringPollKeepsNames();
    void failureWhileLoadingEndsProgram();
    void badListingIsReportedAndKeepsNames();
    void satelliteModeFetchesNothing();

private:
    void fillNames();

    QTemporaryDir m_dir;
    FakeHost* m_host = nullptr;
    FakeDownloadService* m_downloads = nullptr;
    testsupport::FakeMessageBoxes* m_boxes = nullptr;
    testsupport::FakeProgramEnd* m_end = nullptr;
    testsupport::RecordingErrorSink* m_errors = nullptr;
    acquisition::ListingFetcher* m_fetcher = nullptr;
};

void ListingFetchTest::init() {
    m_host = new FakeHost;
    m_host->file = m_dir.filePath(QStringLiteral("tempURL.txt"));
    m_downloads = new FakeDownloadService;
    m_boxes = new testsupport::FakeMessageBoxes;
    m_end = new testsupport::FakeProgramEnd;
    m_errors = new testsupport::RecordingErrorSink;
    m_fetcher = new acquisition::ListingFetcher(*m_host, *m_downloads, *m_boxes, *m_end, *m_errors);
}

void ListingFetchTest::cleanup() {
    delete m_fetcher;
    delete m_errors;
    delete m_end;
    delete m_boxes;
    delete m_downloads;
    delete m_host;
}

// A first successful fetch, then the call record starts afresh.
void ListingFetchTest::fillNames() {
    m_downloads->serve(QUrl(m_host->baseUrl), listingOf(0));
    m_fetcher->ParseURLText();
    QCOMPARE(m_fetcher->ImageNames[9], QStringLiteral("MLB20050915_N0R1519.gif"));
    m_downloads->calls.clear();
    m_host->notice.clear();
}

void ListingFetchTest::successCutsNamesAndHidesNotice() {
    const QUrl folder(m_host->baseUrl);
    m_downloads->serve(folder, listingOf(3));
    m_fetcher->ParseURLText();

    QCOMPARE(m_fetcher->ImageNames[0], QStringLiteral("MLB20050915_N0R1513.gif"));
    QCOMPARE(m_fetcher->ImageNames[9], QStringLiteral("MLB20050915_N0R1522.gif"));
    QCOMPARE(m_host->notice, QList<bool>{false});
    QVERIFY(m_host->connectionOK.isEmpty());
    QVERIFY(m_errors->reports.isEmpty());

    // The cached copy goes first, then a fresh fetch into the listing file.
    QCOMPARE(m_downloads->calls.size(), 2);
    QCOMPARE(m_downloads->calls[0].kind, QStringLiteral("deleteCacheEntry"));
    QCOMPARE(m_downloads->calls[0].url, folder);
    QCOMPARE(m_downloads->calls[1].kind, QStringLiteral("download"));
    QCOMPARE(m_downloads->calls[1].url, folder);
    QCOMPARE(m_downloads->calls[1].localFile, m_host->file);
    QCOMPARE(m_downloads->calls[1].maxBytes, platform::listingByteCap);
    QCOMPARE(m_downloads->calls[1].cache, platform::CachePolicy::AlwaysNetwork);
}

void ListingFetchTest::failureDuringPollKeepsNames() {
    fillNames();
    const acquisition::ImageNameList before = m_fetcher->ImageNames;
    m_downloads->fail(QUrl(m_host->baseUrl), DownloadResult::Failure::Timeout);

    m_fetcher->ParseURLText();

    QCOMPARE(m_fetcher->ImageNames, before);
    QCOMPARE(m_host->connectionOK, QList<bool>{false});
    QCOMPARE(m_host->notice, QList<bool>{true});
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(m_end->endCount, 0);
    QVERIFY(m_errors->reports.isEmpty());

    // Coming back hides the notice but leaves the connection flag to the next reload.
    m_downloads->serve(QUrl(m_host->baseUrl), listingOf(1));
    m_fetcher->ParseURLText();
    QCOMPARE(m_host->notice, (QList<bool>{true, false}));
    QCOMPARE(m_host->connectionOK, QList<bool>{false});
    QCOMPARE(m_fetcher->ImageNames[9], QStringLiteral("MLB20050915_N0R1520.gif"));
}

void ListingFetchTest::failureWhileLoadingEndsProgram() {
    fillNames();
    const acquisition::ImageNameList before = m_fetcher->ImageNames;
    m_host->loading = true;
    m_downloads->fail(QUrl(m_host->baseUrl), DownloadResult::Failure::Refused);

    m_fetcher->ParseURLText();

    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].kind, QStringLiteral("ok"));
    QCOMPARE(m_boxes->shown[0].title, QStringLiteral("Pluvix"));
    QCOMPARE(m_boxes->shown[0].text,
             QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                            "                     Pluvix will now close."));
    QCOMPARE(m_end->endCount, 1);
    // The program is over: nothing else may have happened.
    QCOMPARE(m_fetcher->ImageNames, before);
    QVERIFY(m_host->connectionOK.isEmpty());
    QVERIFY(m_host->notice.isEmpty());
    QVERIFY(m_errors->reports.isEmpty());
    QCOMPARE(m_downloads->countOf(QStringLiteral("download")), 1);
}

void ListingFetchTest::badListingIsReportedAndKeepsNames() {
    fillNames();
    const acquisition::ImageNameList before = m_fetcher->ImageNames;
    QByteArray broken = listingOf(5);
    broken.replace("N0R1519.gif", "N0R1519.png");
    broken.chop(broken.size() - broken.indexOf("N0R1519.png") - 12);
    m_downloads->serve(QUrl(m_host->baseUrl), broken);

    m_fetcher->ParseURLText();

    QCOMPARE(m_errors->reports.size(), 1);
    QCOMPARE(m_errors->reports[0].number, 5);
    QCOMPARE(m_errors->reports[0].procedure, QStringLiteral("form1.form.ParseURLText"));
    QCOMPARE(m_fetcher->ImageNames, before);
    QCOMPARE(m_host->notice, QList<bool>{false});
}

void ListingFetchTest::satelliteModeFetchesNothing() {
    const QUrl radarFolder(m_host->baseUrl);
    m_host->mapType = 6;
    m_fetcher->ParseURLText();

    QCOMPARE(m_host->baseUrl, acquisition::satelliteFolder());
    for (int k = 0; k < 10; ++k)
        QCOMPARE(m_fetcher->ImageNames[std::size_t(k)], QString::number(k + 11) + u".jpg");
    QCOMPARE(m_downloads->countOf(QStringLiteral("download")), 0);
    QCOMPARE(m_downloads->calls.size(), 1);
    QCOMPARE(m_downloads->calls[0].url, radarFolder);
    QVERIFY(m_host->notice.isEmpty());
    QVERIFY(m_errors->reports.isEmpty());
}

QTEST_GUILESS_MAIN(ListingFetchTest)
#include "tst_listingfetch.moc"
