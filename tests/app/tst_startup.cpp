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
    void loadsTenImagesFromTheServer();
    void failedStartEndsWithAMessageAndWritesNothing_data();
    void failedStartEndsWithAMessageAndWritesNothing();
    void shutDownWritesEveryKeyOnce();
};

// A too fast stored play speed is limited and does not stop the start-up.
void TestStartup::loadsTenImagesFromTheServer() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    h.set(QStringLiteral("PlaySpeed"), QStringLiteral("25"));
    auto& w = h.load();

    const auto listing = h.server.get(QStringLiteral("/radar/images/DS.p37cr/SI.kmlb/"));
    const auto names = acquisition::cutImageNames(listing.body);
    QCOMPARE(w.Image2.UBound(), 9);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.Image2.tag(i), names[std::size_t(i)]);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("10"));
    QString dateTime = names[9], hourMinute;
    acquisition::FormatImageTime(dateTime, hourMinute);
    QCOMPARE(w.timeLabel()->text(), u' ' + dateTime + u' ');
    QCOMPARE(fileBytes(w.ListingFile), listing.body);
    QCOMPARE(fileBytes(w.ImageTempFile), w.Image2.encoded(9));
    QCOMPARE(w.windowTitle(), QStringLiteral("Cirrusworks Pluvix - Melbourne, FL  (SRC)"));
    QVERIFY(!w.IsLoadingMap());
    QVERIFY(w.isVisible());
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.desktop.remembered, 1);
    QCOMPARE(w.Settings.PlaySpeed, qint16(10));
    QCOMPARE(w.loopTimer().interval(), 100);
}

void TestStartup::failedStartEndsWithAMessageAndWritesNothing_data() {
    QTest::addColumn<bool>("listingServed");
    QTest::addColumn<QString>("text");
    QTest::newRow("no server") << false
                               << QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                                                 "                     Pluvix will now close.");
    QTest::newRow("no images") << true
                               << QStringLiteral("Pluvix Cannot Cannot Connect to the NOAA Web "
                                                 "Server.\nPluvix will now close.");
}

void TestStartup::failedStartEndsWithAMessageAndWritesNothing() {
    QFETCH(bool, listingServed);
    QFETCH(QString, text);
    AppHarness h;
    testsupport::FakeDownloadService fake;
    QString folder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");
    if (listingServed) {
        // Only the listing: every image is refused.
        fake.serve(QUrl(folder), testsupport::listingOf(testsupport::tenImageNamesUpTo(10, 0)));
        h.downloadsOverride = &fake;
    } else {
        QTcpServer probe; // a loopback port where nobody listens
        probe.listen(QHostAddress::LocalHost, 0);
        folder = QStringLiteral("http://127.0.0.1:%1/radar/images/DS.p37cr/SI.kmlb/")
                     .arg(probe.serverPort());
    }
    h.set(QStringLiteral("BaseURL"), folder);
    auto& w = h.load();
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown[0].kind, QStringLiteral("ok"));
    QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Pluvix"));
    QCOMPARE(h.boxes.shown[0].text, text);
    QCOMPARE(h.programEnd.endCount, 1);
    if (listingServed)
        QVERIFY(w.connectionNotice()->isVisibleTo(&w));
    // Nothing but what the test stored is in the store.
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PollInterval")),
             QStringLiteral("<missing>"));
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("BaseURL")), folder);
}

// A minimised window keeps the stored geometry rather than writing its own.
void TestStartup::shutDownWritesEveryKeyOnce() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.set(QStringLiteral("FormWidth"), QStringLiteral("6000"));
    auto& w = h.load();
    w.Settings.PollInterval = 45;
    w.setWindowState(Qt::WindowMinimized);
    w.resize(500, 500);
    w.close();
    QVERIFY(w.shutDownDone());
    const QString g = QStringLiteral("SectionGeneral");
    QCOMPARE(h.stored(g, QStringLiteral("PollInterval")), QStringLiteral("45"));
    QCOMPARE(h.stored(g, QStringLiteral("MapLeft")), QStringLiteral("-7295"));
    QCOMPARE(h.stored(g, QStringLiteral("FormWidth")), QStringLiteral("6000"));
    QCOMPARE(h.stored(QStringLiteral("SectionMap-p37cr-kmlb"), QStringLiteral("ZoomLevel")),
             QStringLiteral("8"));
    QCOMPARE(h.desktop.restored, 1);
    // A second close does not run the shut-down again.
    w.Settings.PollInterval = 20;
    w.Form_QueryUnload();
    QCOMPARE(h.stored(g, QStringLiteral("PollInterval")), QStringLiteral("45"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
