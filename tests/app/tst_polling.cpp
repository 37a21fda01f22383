// Polling for new images and reloading the history, driven through the real main window.
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
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

QString timeText(QString name) {
    QString hourMinute;
    acquisition::FormatImageTime(name, hourMinute);
    return QStringLiteral(" ") + name + QStringLiteral(" ");
}

acquisition::ImageNameList serverNames(const AppHarness& h) {
    return acquisition::cutImageNames(h.server.get(kFolderPath).body);
}

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

} // namespace

class TestPolling : public QObject {
    Q_OBJECT
private slots:
    void countdownShowsInTheClockTooltipAndPollsAtTheInterval();
    void newImageIsAppendedAndShown();
    void historyIsTrimmedOneImageAtATime();
    void storedSmallLimitIsRaisedAtTheFirstNewImage();
    void failedListingShowsTheNoticeAndKeepsTheHistory();
    void sameNewestNameIsNotNew_data();
    void sameNewestNameIsNotNew();
    void reloadWithAFailingImageKeepsAPartialHistory();
    void reloadWithoutAListingEndsTheProgramThere();
    void failedNewImageIsSilentAndResetsTheSlider();
};

void TestPolling::countdownShowsInTheClockTooltipAndPollsAtTheInterval() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("PollInterval"), QStringLiteral("60"));
    auto& w = h.loadStill();
    w.PollCounter = 0;
    const int listings = h.listingRequests();

    w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 59 Seconds till next Poll "));
    for (int tick = 2; tick <= 59; ++tick)
        w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 1 Seconds till next Poll "));
    QCOMPARE(h.listingRequests(), listings);

    w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 0 Seconds till next Poll "));
    QCOMPARE(h.listingRequests(), listings + 1);
    QCOMPARE(w.PollCounter, 0);
    QVERIFY(!w.clock()->isFaceOpaque());

    w.Timer1_Timer();
    QCOMPARE(w.clock()->toolTip(), QStringLiteral(" 59 Seconds till next Poll "));
    QCOMPARE(h.listingRequests(), listings + 1);
}

void TestPolling::newImageIsAppendedAndShown() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    auto& w = h.loadStill();
    const auto before = serverNames(h);

    // Nothing new yet: the history stays as it is.
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 9);

    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    const auto after = serverNames(h);
    QCOMPARE(after[8], before[9]);
    pollNow(w);

    QCOMPARE(w.Image2.UBound(), 10);
    QCOMPARE(w.Image2.tag(10), after[9]);
    QCOMPARE(w.Image2.tag(9), before[9]);
    QCOMPARE(w.Image2.encoded(10), h.server.get(kFolderPath + after[9]).body);
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("11"));
    QCOMPARE(w.timeLabel()->text(), timeText(after[9]));
    QCOMPARE(w.historySlider()->minimum(), 1);
    QCOMPARE(w.historySlider()->maximum(), 11);
    QCOMPARE(w.historySlider()->value(), 11);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(10));
    QVERIFY(w.mapView()->picture() != w.Image2.picture(9));
    QCOMPARE(w.PollCounter, 0);
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestPolling::historyIsTrimmedOneImageAtATime() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("MaxImageNumber"), QStringLiteral("20"));
    auto& w = h.loadStill();

    for (int added = 1; added <= 13; ++added) {
        QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
        pollNow(w);
    }
    QCOMPARE(w.Image2.UBound(), 22);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(0));
    QCOMPARE(w.historySlider()->minimum(), 1);
    const QString element1 = w.Image2.tag(1);

    // The 14th: the oldest in use moves past element 0, which stays loaded.
    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 23);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(1));
    QVERIFY(w.Image2.exists(0));
    QVERIFY(w.Image2.exists(1));
    QCOMPARE(w.Image2.tag(1), element1);
    QCOMPARE(w.historySlider()->minimum(), 2);
    QCOMPARE(w.historySlider()->maximum(), 24);
    QCOMPARE(w.historySlider()->value(), 24);
    QCOMPARE(w.historySlider()->maximum() - w.historySlider()->minimum() + 1, 23);

    // The 15th destroys element 1.
    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 24);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(2));
    QVERIFY(!w.Image2.exists(1));
    QVERIFY(w.Image2.exists(0));
    QVERIFY(w.Image2.exists(2));
    QCOMPARE(w.historySlider()->minimum(), 3);
    QCOMPARE(w.historySlider()->maximum(), 25);
    QCOMPARE(w.historySlider()->maximum() - w.historySlider()->minimum() + 1, 23);
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("25"));
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(24));

    // Stepping down to the oldest in range shows it; the slider stops there.
    w.historySlider()->setValue(1);
    QCOMPARE(w.historySlider()->value(), 3);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
    QCOMPARE(w.timeLabel()->text(), timeText(w.Image2.tag(2)));
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestPolling::storedSmallLimitIsRaisedAtTheFirstNewImage() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("MaxImageNumber"), QStringLiteral("5"));
    auto& w = h.loadStill();
    QCOMPARE(w.Settings.MaxImageNumber, qint16(5));

    pollNow(w); // nothing new: the limit stays
    QCOMPARE(w.Settings.MaxImageNumber, qint16(5));

    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    pollNow(w);
    QCOMPARE(w.Settings.MaxImageNumber, qint16(20));
    // Raised, not applied as 5: nothing is trimmed from eleven images.
    QCOMPARE(w.Image2.UBound(), 10);
    QCOMPARE(w.Image2.FirstHistoryIndex, qint16(0));
    w.close();
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("MaxImageNumber")),
             QStringLiteral("20"));
}

void TestPolling::failedListingShowsTheNoticeAndKeepsTheHistory() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    auto& w = h.loadStill();
    const QStringList history = tags(w, 0, 9);
    const QImage shown = w.mapView()->picture();
    QVERIFY(!w.connectionNotice()->isVisible());

    QVERIFY(h.server.control(QStringLiteral("advance?images=1")));
    QVERIFY(h.server.control(QStringLiteral("faults?listing-404=1")));
    pollNow(w);

    QVERIFY(w.connectionNotice()->isVisible());
    QVERIFY(!w.ConnectionOK);
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.programEnd.endCount, 0);
    QCOMPARE(w.Image2.UBound(), 9);
    QCOMPARE(tags(w, 0, 9), history);
    QCOMPARE(w.mapView()->picture(), shown);
    QCOMPARE(w.historySlider()->maximum(), 10);
    QVERIFY(!w.clock()->isFaceOpaque());

    // The next good listing hides the notice and brings the waiting image.
    QVERIFY(h.server.control(QStringLiteral("reset")));
    pollNow(w);
    QVERIFY(!w.connectionNotice()->isVisible());
    QCOMPARE(w.Image2.UBound(), 10);
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestPolling::sameNewestNameIsNotNew_data() {
    QTest::addColumn<QString>("listedNewest");
    QTest::addColumn<bool>("isNew");
    const QString newest = testsupport::radarImageName(10, 0);
    QTest::newRow("identical") << newest << false;
    QTest::newRow("lower case") << newest.toLower() << false;
    QTest::newRow("leading blanks") << QStringLiteral("  ") + newest << false;
    QTest::newRow("blank and case") << QStringLiteral(" ") + newest.toLower() << false;
    QTest::newRow("one minute later") << testsupport::radarImageName(10, 1) << true;
}

void TestPolling::sameNewestNameIsNotNew() {
    QFETCH(QString, listedNewest);
    QFETCH(bool, isNew);
    AppHarness h;
    testsupport::FakeDownloadService fake;
    QStringList names = testsupport::tenImageNamesUpTo(10, 0);
    h.useFakeFolder(fake, kFakeFolder, names);
    auto& w = h.loadStill();
    QCOMPARE(w.Image2.tag(9), names[9]);

    names.removeFirst();
    names.append(listedNewest);
    // Served, so that treating it as new would visibly append it.
    testsupport::serveFolder(fake, kFakeFolder, names);
    fake.calls.clear();
    pollNow(w);

    int imageDownloads = 0;
    for (const auto& call : fake.calls)
        imageDownloads +=
            call.kind == QStringLiteral("download") && call.url.toString() != kFakeFolder;
    QCOMPARE(w.Image2.UBound(), isNew ? 10 : 9);
    QCOMPARE(imageDownloads, isNew ? 1 : 0);
    QCOMPARE(w.historySlider()->maximum(), isNew ? 11 : 10);
    if (isNew)
        QCOMPARE(w.Image2.tag(10), listedNewest);
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestPolling::reloadWithAFailingImageKeepsAPartialHistory() {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    h.useFakeFolder(fake, kFakeFolder, testsupport::tenImageNamesUpTo(10, 0));
    auto& w = h.loadStill();
    QCOMPARE(w.Image2.UBound(), 9);

    // The next listing is an hour later; its sixth image cannot be fetched.
    const QStringList second = testsupport::tenImageNamesUpTo(11, 0);
    testsupport::serveFolder(fake, kFakeFolder, second);
    fake.fail(QUrl(kFakeFolder + second[5]), platform::DownloadResult::Failure::HttpStatus, 500);
    w.progressBar()->show(); // as during a preset recall
    w.ReFreshNewMap();

    QCOMPARE(w.Image2.UBound(), 4);
    QCOMPARE(tags(w, 0, 4), second.mid(0, 5));
    QVERIFY(!w.ConnectionOK);
    QVERIFY(w.connectionNotice()->isVisible());
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.programEnd.endCount, 0);
    QVERIFY(!w.progressBar()->isVisible());
    QCOMPARE(w.progressBar()->value(), 5);
    QVERIFY(!w.IsLoadingMap());
    QVERIFY(w.mapView()->isMapVisible());
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    QCOMPARE(w.PollCounter, 0);
    QVERIFY(!w.shutDownDone());
    // Positions past the partial history show nothing new and raise no error.
    w.historySlider()->setValue(8);
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("8"));
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(4));
    QVERIFY(h.boxes.shown.isEmpty());

    // A later reload that works clears the notice flag and fills the history again.
    testsupport::serveFolder(fake, kFakeFolder, second);
    w.ReFreshNewMap();
    QVERIFY(w.ConnectionOK);
    QVERIFY(!w.connectionNotice()->isVisible());
    QCOMPARE(w.Image2.UBound(), 9);
    QCOMPARE(tags(w, 0, 9), second);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
}

void TestPolling::reloadWithoutAListingEndsTheProgramThere() {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    h.useFakeFolder(fake, kFakeFolder, testsupport::tenImageNamesUpTo(10, 0));
    auto& w = h.loadStill();
    fake.fail(QUrl(kFakeFolder), platform::DownloadResult::Failure::Refused);
    fake.calls.clear();

    w.ReFreshNewMap();

    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Pluvix"));
    QCOMPARE(h.boxes.shown[0].text, QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                                                   "                     Pluvix will now close."));
    QCOMPARE(h.programEnd.endCount, 1);
    // The program ended there: no image was fetched afterwards and nothing was saved.
    for (const auto& call : fake.calls)
        QVERIFY2(call.url == QUrl(kFakeFolder), qPrintable(call.url.toString()));
    QVERIFY(!w.shutDownDone());
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PollInterval")),
             QStringLiteral("<missing>"));
}

void TestPolling::failedNewImageIsSilentAndResetsTheSlider() {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    h.useFakeFolder(fake, kFakeFolder, testsupport::tenImageNamesUpTo(10, 0));
    auto& w = h.loadStill();
    w.historySlider()->setValue(4);
    const QStringList next = testsupport::tenImageNamesUpTo(10, 5);
    testsupport::serveFolder(fake, kFakeFolder, next);
    fake.fail(QUrl(kFakeFolder + next[9]), platform::DownloadResult::Failure::Timeout);

    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 9);
    QCOMPARE(w.historySlider()->value(), 10);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
    QVERIFY(!w.connectionNotice()->isVisible());
    QVERIFY(h.boxes.shown.isEmpty());

    // It is fetched at the next poll once it can be.
    testsupport::serveFolder(fake, kFakeFolder, next);
    pollNow(w);
    QCOMPARE(w.Image2.UBound(), 10);
    QCOMPARE(w.Image2.tag(10), next[9]);
}

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
