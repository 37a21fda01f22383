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
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

const QString kFolderPath = u"/radar/images/DS.p37cr/SI.kmlb/"_s;
const QString kFakeFolder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;

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
    // The clock's tooltip counts down to the poll. A stored limit below the start-up's ten is
    // raised, not applied, at the first new image.
    void newImageIsAppendedAndRaisesASmallLimit() {
        AppHarness h;
        QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
        h.set(u"MaxImageNumber"_s, u"5"_s);
        h.set(u"PollInterval"_s, u"60"_s);
        auto& w = h.loadStill();
        pollNow(w); // nothing new yet: the count starts again
        QCOMPARE(w.Image2.UBound(), 9);

        QVERIFY(h.server.control(u"advance?images=1"_s));
        const auto after = acquisition::cutImageNames(h.server.get(kFolderPath).body);
        const int listings = h.listingRequests();
        for (int tick = 1; tick <= 59; ++tick)
            w.Timer1_Timer();
        QCOMPARE(w.clock()->toolTip(), u" 1 Seconds till next Poll "_s);
        QCOMPARE(h.listingRequests(), listings);
        w.Timer1_Timer();
        QCOMPARE(h.listingRequests(), listings + 1);
        QCOMPARE(w.Image2.UBound(), 10);
        QCOMPARE(w.Image2.tag(10), after[9]);
        QCOMPARE(w.Image2.encoded(10), h.server.get(kFolderPath + after[9]).body);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(10));
        QCOMPARE(w.Settings.MaxImageNumber, qint16(20));
        w.close();
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"MaxImageNumber"_s), u"20"_s);
    }

    void historyIsTrimmedOneImageAtATime() {
        AppHarness h;
        QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
        h.set(u"MaxImageNumber"_s, u"20"_s);
        auto& w = h.loadStill();
        for (int added = 1; added <= 15; ++added) {
            QVERIFY(h.server.control(u"advance?images=1"_s));
            pollNow(w);
        }
        // Element 0 stays loaded; the one after it went at the 15th.
        QCOMPARE(w.Image2.UBound(), 24);
        QCOMPARE(w.Image2.FirstHistoryIndex, qint16(2));
        QVERIFY(w.Image2.exists(0) && !w.Image2.exists(1) && w.Image2.exists(2));
        // Stepping down to the oldest in range shows it; the slider stops there.
        w.historySlider()->setValue(1);
        QCOMPARE(w.historySlider()->value(), 3);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(2));
    }

    void sameNewestNameIsNotNew_data() {
        QTest::addColumn<QString>("listedNewest");
        QTest::addColumn<bool>("isNew");
        const QString newest = testsupport::radarImageName(10, 0);
        QTest::newRow("identical") << newest << false;
        QTest::newRow("blank and case") << u" "_s + newest.toLower() << false;
        QTest::newRow("one minute later") << testsupport::radarImageName(10, 1) << true;
    }

    void sameNewestNameIsNotNew() {
        QFETCH(QString, listedNewest);
        QFETCH(bool, isNew);
        FakeRadar r;
        auto& w = r.h.loadStill();
        QStringList names = testsupport::tenImageNamesUpTo(10, 0).mid(1);
        // Served, so that treating it as new would visibly append it.
        r.serve(names << listedNewest);
        pollNow(w);
        QCOMPARE(w.Image2.UBound(), isNew ? 10 : 9);
    }

    void reloadWithAFailingImageKeepsAPartialHistory() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        // The next listing is an hour later; its sixth image cannot be fetched.
        const QStringList second = testsupport::tenImageNamesUpTo(11, 0);
        r.serve(second);
        r.fake.fail(QUrl(kFakeFolder + second[5]), platform::DownloadResult::Failure::HttpStatus,
                    500);
        w.progressBar()->show(); // as during a preset recall
        w.ReFreshNewMap();

        QCOMPARE(tags(w, 0, w.Image2.UBound()), second.mid(0, 5));
        QVERIFY(w.connectionNotice()->isVisible());
        QVERIFY(!w.progressBar()->isVisible());
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

    void reloadWithoutAListingEndsTheProgramThere() {
        FakeRadar r;
        auto& w = r.h.loadStill();
        r.fake.fail(QUrl(kFakeFolder), platform::DownloadResult::Failure::Refused);
        r.fake.calls.clear();
        w.ReFreshNewMap();
        QCOMPARE(r.h.boxes.shown.size() + r.h.programEnd.endCount, 2);
        // The program ended there: no image was fetched afterwards and nothing was saved.
        for (const auto& call : r.fake.calls)
            QVERIFY2(call == QUrl(kFakeFolder), qPrintable(call.toString()));
        QCOMPARE(r.h.stored(u"SectionGeneral"_s, u"PollInterval"_s), u"<missing>"_s);
    }

    void failedListingShowsTheNoticeAndAFailedImageIsSilent() {
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
        QVERIFY(!w.connectionNotice()->isVisible());
        QVERIFY(r.h.boxes.shown.isEmpty());
        QCOMPARE(r.h.programEnd.endCount, 0);
        // It is fetched at the next poll once it can be.
        r.serve(next);
        pollNow(w);
        QCOMPARE(w.Image2.tag(10), next[9]);
    }
};

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
