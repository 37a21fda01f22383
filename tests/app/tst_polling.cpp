// Polling for new images and reloading the history, driven through the real main window.
#include "AppHarness.h"

#include "acquisition/Listing.h"
#include "view/ClockWidget.h"
#include "view/MapView.h"

#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>

using namespace pluvix;
using testsupport::AppHarness;

namespace {

const QString kFolderPath = QStringLiteral("/radar/images/DS.p37cr/SI.kmlb/");
const QString kFakeFolder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");

QStringList tags(const app::MainWindow& w, int from, int to) {
    QStringList t;
    for (int i = from; i <= to; ++i)
        t.append(w.Image2.tag(i));
    return t;
}

void pollNow(app::MainWindow& w) {
    w.PollCounter = w.Settings.PollInterval - 1;
    w.Timer1_Timer();
}

// The window on a fake folder of ten images up to 10:00.
struct FakeRadar {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    FakeRadar() { h.useFakeFolder(fake, kFakeFolder, testsupport::tenImageNamesUpTo(10, 0)); }
    void serve(const QStringList& names) { testsupport::serveFolder(fake, kFakeFolder, names); }
};

} // namespace

class TestPolling : public QObject {
    Q_OBJECT
private slots:
    void newImageIsAppendedAndRaisesASmallLimit();
    void historyIsTrimmedOneImageAtATime();
    void sameNewestNameIsNotNew_data();
    void sameNewestNameIsNotNew();
    void reloadWithAFailingImageKeepsAPartialHistory();
    void reloadWithoutAListingEndsTheProgramThere();
    void failedListingShowsTheNoticeAndAFailedImageIsSilent();
};

// The clock's tooltip counts down to the poll. A stored limit below the start-up's ten is
// raised, not applied, at the first new image.
void TestPolling::newImageIsAppendedAndRaisesASmallLimit() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("MaxImageNumber"), QStringLiteral("5"));
    h.set(QStringLiteral("PollInterval"), QStringLiteral("60"));
    auto& w = h.loadStill();
    pollNow(w); // nothing new yet
    QCOMPARE(w.Image2.UBound(), 9);
    QCOMPARE(w.Settings.MaxImageNumber, qint16(5));

    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    const auto after = acquisition::cutImageNames(h.server.get(kFolderPath).body);
    const int listings = h.listingRequests();
    for (int tick = 1; tick <= 59; ++tick)
        w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 1 Seconds till next Poll "));
    QCOMPARE(h.listingRequests(), listings);
    w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 0 Seconds till next Poll "));
    QCOMPARE(h.listingRequests(), listings + 1);
    QCOMPARE(w.Image2.UBound(), 10);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(0));
    QCOMPARE(w.Image2.tag(10), after[9]);
    QCOMPARE(w.Image2.encoded(10), h.server.get(kFolderPath + after[9]).body);
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("11"));
    QCOMPARE(w.historySlider()->value(), 11);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(10));
    QCOMPARE(w.Settings.MaxImageNumber, qint16(20));
    QVERIFY(h.boxes.shown.isEmpty());
    w.close();
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("MaxImageNumber")),
             QStringLiteral("20"));
}

void TestPolling::historyIsTrimmedOneImageAtATime() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("MaxImageNumber"), QStringLiteral("20"));
    auto& w = h.loadStill();
    for (int added = 1; added <= 15; ++added) {
        QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
        pollNow(w);
    }
    // Element 0 stays loaded; the one after it went at the 15th.
    QCOMPARE(w.Image2.UBound(), 24);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(2));
    QVERIFY(w.Image2.exists(0) && !w.Image2.exists(1) && w.Image2.exists(2));
    QCOMPARE(w.historySlider()->minimum(), 3);
    QCOMPARE(w.historySlider()->maximum(), 25);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(24));
    // Stepping down to the oldest in range shows it; the slider stops there.
    w.historySlider()->setValue(1);
    QCOMPARE(w.historySlider()->value(), 3);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestPolling::sameNewestNameIsNotNew_data() {
    QTest::addColumn<QString>("listedNewest");
    QTest::addColumn<bool>("isNew");
    const QString newest = testsupport::radarImageName(10, 0);
    QTest::newRow("identical") << newest << false;
    QTest::newRow("blank and case") << QStringLiteral(" ") + newest.toLower() << false;
    QTest::newRow("one minute later") << testsupport::radarImageName(10, 1) << true;
}

void TestPolling::sameNewestNameIsNotNew() {
    QFETCH(QString, listedNewest);
    QFETCH(bool, isNew);
    FakeRadar r;
    auto& w = r.h.loadStill();
    QStringList names = testsupport::tenImageNamesUpTo(10, 0).mid(1);
    // Served, so that treating it as new would visibly append it.
    r.serve(names << listedNewest);
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), isNew ? 10 : 9);
    QCOMPARE(w.historySlider()->maximum(), isNew ? 11 : 10);
}

void TestPolling::reloadWithAFailingImageKeepsAPartialHistory() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    // The next listing is an hour later; its sixth image cannot be fetched.
    const QStringList second = testsupport::tenImageNamesUpTo(11, 0);
    r.serve(second);
    r.fake.fail(QUrl(kFakeFolder + second[5]), platform::DownloadResult::Failure::HttpStatus, 500);
    w.progressBar()->show(); // as during a preset recall
    w.ReFreshNewMap();

    QCOMPARE(tags(w, 0, w.Image2.UBound()), second.mid(0, 5));
    QVERIFY(w.connectionNotice()->isVisible());
    QVERIFY(!w.progressBar()->isVisible());
    QVERIFY(!w.IsLoadingMap());
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    // Positions past the partial history show nothing new and raise no error.
    w.historySlider()->setValue(8);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    QVERIFY(r.h.boxes.shown.isEmpty());

    // A later reload that works clears the notice and fills the history again.
    r.serve(second);
    w.ReFreshNewMap();
    QVERIFY(!w.connectionNotice()->isVisible());
    QCOMPARE(tags(w, 0, w.Image2.UBound()), second);
}

void TestPolling::reloadWithoutAListingEndsTheProgramThere() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    r.fake.fail(QUrl(kFakeFolder), platform::DownloadResult::Failure::Refused);
    r.fake.calls.clear();
    w.ReFreshNewMap();
    QCOMPARE(r.h.boxes.shown.size(), 1);
    QCOMPARE(r.h.boxes.shown[0].text,
             QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                            "                     Pluvix will now close."));
    QCOMPARE(r.h.programEnd.endCount, 1);
    // The program ended there: no image was fetched afterwards and nothing was saved.
    for (const auto& call : r.fake.calls)
        QVERIFY2(call.url == QUrl(kFakeFolder), qPrintable(call.url.toString()));
    QCOMPARE(r.h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PollInterval")),
             QStringLiteral("<missing>"));
}

void TestPolling::failedListingShowsTheNoticeAndAFailedImageIsSilent() {
    FakeRadar r;
    auto& w = r.h.loadStill();
    const QStringList history = tags(w, 0, 9);
    w.historySlider()->setValue(4);
    r.fake.fail(QUrl(kFakeFolder), platform::DownloadResult::Failure::HttpStatus, 404);
    pollNow(w);
    QVERIFY(w.connectionNotice()->isVisible());
    QCOMPARE(tags(w, 0, w.Image2.UBound()), history);

    // A good listing hides the notice; its new image times out without a word.
    const QStringList next = testsupport::tenImageNamesUpTo(10, 5);
    r.serve(next);
    r.fake.fail(QUrl(kFakeFolder + next[9]), platform::DownloadResult::Failure::Timeout);
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 9);
    QCOMPARE(w.historySlider()->value(), 10);
    QVERIFY(!w.connectionNotice()->isVisible());
    QVERIFY(r.h.boxes.shown.isEmpty());
    QCOMPARE(r.h.programEnd.endCount, 0);
    // It is fetched at the next poll once it can be.
    r.serve(next);
    pollNow(w);
    QCOMPARE(w.Image2.tag(10), next[9]);
}

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
