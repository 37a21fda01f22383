// Start-up and shut-down of the real main window against the bundled radar server.
#include "AppHarness.h"

#include "acquisition/ImageTime.h"
#include "acquisition/Listing.h"
#include "support/FakeDownloadService.h"
#include "view/MapView.h"

#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTcpServer>
#include <QtTest>

using namespace pluvix;
using namespace Qt::StringLiterals;
using testsupport::AppHarness;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    // A too fast stored play speed is limited and does not stop the start-up.
    void loadsTenImagesFromTheServer() {
        AppHarness h;
        QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
        h.set(u"PlaySpeed"_s, u"25"_s);
        auto& w = h.load();

        const auto listing = h.server.get(u"/radar/images/DS.p37cr/SI.kmlb/"_s);
        const auto names = acquisition::cutImageNames(listing.body);
        QCOMPARE(w.Image2.UBound(), 9);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(w.Image2.tag(i), names[std::size_t(i)]);
        QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
        QString dateTime = names[9], hourMinute;
        acquisition::FormatImageTime(dateTime, hourMinute);
        QCOMPARE(w.timeLabel()->text(), u' ' + dateTime + u' ');
        QCOMPARE(fileBytes(w.ListingFile), listing.body);
        QCOMPARE(fileBytes(w.ImageTempFile), w.Image2.encoded(9));
        QCOMPARE(w.windowTitle(), u"Cirrusworks Pluvix - Melbourne, FL  (SRC)"_s);
        QVERIFY(h.boxes.shown.isEmpty());
        QCOMPARE(h.desktop.remembered, 1);
        QCOMPARE(w.Settings.PlaySpeed, qint16(10));
        QCOMPARE(w.loopTimer().interval(), 100);
    }

    void failedStartEndsWithAMessageAndWritesNothing_data() {
        QTest::addColumn<bool>("listingServed");
        QTest::addColumn<QString>("text");
        QTest::newRow("no server") << false
                                   << u"Pluvix Cannot Cannot Connect to the Internet.\n"
                                      "                     Pluvix will now close."_s;
        QTest::newRow("no images") << true
                                   << u"Pluvix Cannot Cannot Connect to the NOAA Web "
                                      "Server.\nPluvix will now close."_s;
    }

    void failedStartEndsWithAMessageAndWritesNothing() {
        QFETCH(bool, listingServed);
        QFETCH(QString, text);
        AppHarness h;
        testsupport::FakeDownloadService fake;
        QString folder = u"http://radar.test/radar/images/DS.p37cr/SI.kmlb/"_s;
        if (listingServed) {
            // Only the listing: every image is refused.
            fake.serve(QUrl(folder), testsupport::listingOf(testsupport::tenImageNamesUpTo(10, 0)));
            h.downloadsOverride = &fake;
        } else {
            QTcpServer probe; // a loopback port where nobody listens
            probe.listen(QHostAddress::LocalHost, 0);
            folder =
                u"http://127.0.0.1:%1/radar/images/DS.p37cr/SI.kmlb/"_s.arg(probe.serverPort());
        }
        h.set(u"BaseURL"_s, folder);
        auto& w = h.load();
        QCOMPARE(h.boxes.shown.size(), 1);
        QCOMPARE(h.boxes.shown[0].kind, u"ok"_s);
        QCOMPARE(h.boxes.shown[0].text, text);
        QCOMPARE(h.programEnd.endCount, 1);
        if (listingServed)
            QVERIFY(w.connectionNotice()->isVisibleTo(&w));
        // Nothing but what the test stored is in the store.
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"PollInterval"_s), u"<missing>"_s);
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"BaseURL"_s), folder);
    }

    // A minimised window keeps the stored geometry rather than writing its own.
    void minimisedWindowKeepsTheStoredGeometry() {
        AppHarness h;
        QVERIFY(h.startServer());
        h.set(u"FormWidth"_s, u"6000"_s);
        auto& w = h.load();
        w.setWindowState(Qt::WindowMinimized);
        w.resize(500, 500);
        w.close();
        QVERIFY(w.shutDownDone());
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"FormWidth"_s), u"6000"_s);
        QCOMPARE(h.stored(u"SectionGeneral"_s, u"MapLeft"_s), u"-7295"_s);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
