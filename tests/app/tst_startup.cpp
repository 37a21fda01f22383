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

QString timeText(QString name) {
    QString hourMinute;
    acquisition::FormatImageTime(name, hourMinute);
    return QStringLiteral(" ") + name + QStringLiteral(" ");
}

// A loopback address where nobody listens.
QString deadFolder() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/radar/images/DS.p37cr/SI.kmlb/").arg(port);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void loadsTenImagesFromTheServer();
    void noServerEndsWithTheInternetMessageAndWritesNothing();
    void failingImagesEndWithTheWebServerMessage();
    void shutDownWritesEveryKeyOnce();
    void minimisedWindowKeepsStoredGeometry();
    void tooFastStoredPlaySpeedStillFinishesTheStartUp();
};

void TestStartup::loadsTenImagesFromTheServer() {
    AppHarness h;
    QVERIFY2(h.startServer(), qPrintable(h.server.errorString()));
    auto& w = h.load();

    const auto listing = h.server.get(QStringLiteral("/radar/images/DS.p37cr/SI.kmlb/"));
    const auto names = acquisition::cutImageNames(listing.body);
    QCOMPARE(w.Image2.UBound(), 9);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.Image2.tag(i), names[std::size_t(i)]);
    QCOMPARE(w.mapView()->picture(), w.Image2.picture(9));
    QCOMPARE(w.pictureNumberLabel()->text(), QStringLiteral("10"));
    QCOMPARE(w.timeLabel()->text(), timeText(names[9]));
    QCOMPARE(fileBytes(w.ListingFile), listing.body);
    QCOMPARE(fileBytes(w.ImageTempFile), w.Image2.encoded(9));
    QCOMPARE(w.historySlider()->value(), 10);
    QCOMPARE(w.windowTitle(), QStringLiteral("Cirrusworks Pluvix - Melbourne, FL  (SRC)"));
    QVERIFY(!w.IsLoadingMap());
    QVERIFY(w.isVisible());
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.programEnd.endCount, 0);
    QCOMPARE(h.desktop.remembered, 1);
}

void TestStartup::noServerEndsWithTheInternetMessageAndWritesNothing() {
    AppHarness h;
    const QString folder = deadFolder();
    h.set(QStringLiteral("BaseURL"), folder);
    auto& w = h.load();

    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown[0].kind, QStringLiteral("ok"));
    QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Pluvix"));
    QCOMPARE(h.boxes.shown[0].text, QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                                                   "                     Pluvix will now close."));
    QCOMPARE(h.programEnd.endCount, 1);
    QVERIFY(!w.isVisible());
    // Nothing but what the test stored is in the store.
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PollInterval")),
             QStringLiteral("<missing>"));
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("BaseURL")), folder);
}

void TestStartup::failingImagesEndWithTheWebServerMessage() {
    AppHarness h;
    testsupport::FakeDownloadService fake;
    const QString folder = QStringLiteral("http://radar.test/radar/images/DS.p37cr/SI.kmlb/");
    QByteArray listing = "<A HREF=\"/radar/images/DS.p37cr/\">Parent</A>\n";
    for (int i = 0; i < 10; ++i)
        listing += "<A HREF=\"MLB20261206_NCR10" + QByteArray::number(10 + i) + ".gif\">x</A>\n";
    fake.serve(QUrl(folder), listing);
    h.downloadsOverride = &fake;
    h.set(QStringLiteral("BaseURL"), folder);
    h.load();

    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown[0].text,
             QStringLiteral("Pluvix Cannot Cannot Connect to the NOAA Web Server.\n"
                            "Pluvix will now close."));
    QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Pluvix"));
    QCOMPARE(h.programEnd.endCount, 1);
    QVERIFY(h.window().connectionNotice()->isVisibleTo(&h.window()));
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("PollInterval")),
             QStringLiteral("<missing>"));
}

void TestStartup::shutDownWritesEveryKeyOnce() {
    AppHarness h;
    QVERIFY(h.startServer());
    auto& w = h.load();
    w.Settings.PollInterval = 45;
    w.close();
    QVERIFY(w.shutDownDone());
    const QString g = QStringLiteral("SectionGeneral");
    QCOMPARE(h.stored(g, QStringLiteral("PollInterval")), QStringLiteral("45"));
    QCOMPARE(h.stored(g, QStringLiteral("MapLeft")), QStringLiteral("-7295"));
    QCOMPARE(h.stored(g, QStringLiteral("MapScaleShortRangeConstant")), QStringLiteral("0.721"));
    QCOMPARE(h.stored(g, QStringLiteral("PlaySpeed")), QStringLiteral("5"));
    QCOMPARE(h.stored(g, QStringLiteral("HidePanel")), QStringLiteral("0"));
    QCOMPARE(h.stored(g, QStringLiteral("FormWidth")), QStringLiteral("5100"));
    QCOMPARE(h.stored(QStringLiteral("SectionMap-p37cr-kmlb"), QStringLiteral("ZoomLevel")),
             QStringLiteral("8"));
    QCOMPARE(h.desktop.restored, 1);
    // A second close does not run the shut-down again.
    w.Settings.PollInterval = 20;
    w.Form_QueryUnload();
    QCOMPARE(h.stored(g, QStringLiteral("PollInterval")), QStringLiteral("45"));
}

void TestStartup::minimisedWindowKeepsStoredGeometry() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.set(QStringLiteral("FormWidth"), QStringLiteral("6000"));
    h.set(QStringLiteral("FormLeft"), QStringLiteral("1500"));
    auto& w = h.load();
    w.setWindowState(Qt::WindowMinimized);
    w.resize(500, 500);
    w.close();
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("FormWidth")),
             QStringLiteral("6000"));
    QCOMPARE(h.stored(QStringLiteral("SectionGeneral"), QStringLiteral("FormLeft")),
             QStringLiteral("1500"));
}

void TestStartup::tooFastStoredPlaySpeedStillFinishesTheStartUp() {
    AppHarness h;
    QVERIFY(h.startServer());
    h.set(QStringLiteral("PlaySpeed"), QStringLiteral("25"));
    auto& w = h.load();
    QVERIFY(!w.IsLoadingMap());
    QCOMPARE(w.Settings.PlaySpeed, qint16(10));
    QCOMPARE(w.loopTimer().interval(), 100);
    QVERIFY(w.action(QStringLiteral("mnuPlayImagePerSec_10"))->isChecked());
    QVERIFY(h.boxes.shown.isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
