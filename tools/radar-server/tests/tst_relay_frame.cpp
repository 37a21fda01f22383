#include "relay/BaseMap.h"
#include "relay/FrameRenderer.h"
#include "relay/WorldFile.h"
#include "support/GifFixtures.h"

#include <QFile>
#include <QTimeZone>
#include <QtTest>

#include <cmath>
#include <numbers>

using namespace pluvix::radarserver::relay;
using namespace Qt::StringLiterals;

namespace {

constexpr double Rad = std::numbers::pi / 180;
constexpr double ShortMiles = 225 / 0.721;
constexpr double LongMiles = 225 / 0.319;
constexpr double Cell = 0.02; // upstream degrees per pixel
const QRgb SiteColour = qRgb(0xfd, 0x00, 0x00);
const QRgb EchoColour = qRgb(0x02, 0xfd, 0x02);

// Where one travels from (lat, lon) over `miles` at `bearing` degrees, on the sphere.
QPointF destination(double lat, double lon, double miles, double bearing) {
    const double d = miles / 3958.8;
    const double p1 = lat * Rad;
    const double b = bearing * Rad;
    const double p2 =
        std::asin(std::sin(p1) * std::cos(d) + std::cos(p1) * std::sin(d) * std::cos(b));
    const double l2 = std::atan2(std::sin(b) * std::sin(d) * std::cos(p1),
                                 std::cos(d) - std::sin(p1) * std::sin(p2));
    return {lon + l2 / Rad, p2 / Rad};
}

// A transparent lon/lat picture of +-6 degrees latitude around the site with blobs at the given
// places; the world file names the centre of the upper-left pixel, lon360 counting 0..360.
FrameInput upstreamAround(double lat, double lon, const QList<std::pair<QPointF, QRgb>>& blobs,
                          bool indexed, bool lon360 = false) {
    const double halfLon = 6 / std::cos(lat * Rad);
    const double west = lon - halfLon;
    const double north = lat + 6;
    QImage img(int(2 * halfLon / Cell), int(12 / Cell), QImage::Format_Indexed8);
    img.setColorTable({qRgba(0, 0, 0, 0)});
    img.fill(0);
    for (const auto& [at, colour] : blobs) {
        img.setColorCount(img.colorCount() + 1);
        img.setColor(img.colorCount() - 1, colour);
        const int cx = int(std::lround((at.x() - west) / Cell));
        const int cy = int(std::lround((north - at.y()) / Cell));
        for (int y = cy - 1; y <= cy + 1; ++y)
            for (int x = cx - 1; x <= cx + 1; ++x)
                img.setPixel(x, y, uint(img.colorCount() - 1));
    }
    FrameInput in{};
    // Indexed through PNG, as the archive delivers it: palette with a transparent entry.
    in.upstream = indexed ? QImage::fromData(pluvix::testsupport::encoded(img, "PNG"), "PNG")
                          : img.convertToFormat(QImage::Format_ARGB32);
    in.world = WorldFile::parse(u"%1\n0\n0\n%2\n%3\n%4\n"_s.arg(Cell)
                                    .arg(-Cell)
                                    .arg(west + (lon360 ? 360 : 0), 0, 'f', 6)
                                    .arg(north, 0, 'f', 6)
                                    .toLatin1());
    in.siteLatitude = lat;
    in.siteLongitude = lon;
    in.milesAcross = ShortMiles;
    in.countyLines = true;
    in.stationTitle = u"kxxx"_s;
    in.productTitle = u"BASE REFLECTIVITY"_s;
    in.validUtc = QDateTime(QDate(2026, 5, 1), QTime(15, 32), QTimeZone::utc());
    return in;
}

QImage rendered(const FrameInput& in) {
    const QByteArray gif = renderFrameGif(in);
    return QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32);
}

// Centre of the pixels of one colour in the map area; (-1, -1) when there are none.
QPointF centroid(const QImage& img, QRgb colour, int* count = nullptr) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < frame::MapHeight; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour) {
                sx += x;
                sy += y;
                ++n;
            }
    if (count)
        *count = n;
    return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

bool colourInColumn(const QImage& img, int x, int y0, int y1, QRgb colour) {
    for (int y = std::max(0, y0); y <= std::min(frame::MapHeight - 1, y1); ++y)
        if (img.pixel(x, y) == colour)
            return true;
    return false;
}

// The output row where latitude `lat` crosses the site's meridian.
int rowOf(double siteLat, double lat, double miles) {
    return int(std::lround(frame::SiteY - (lat - siteLat) * Rad * 3958.8 / (miles / frame::Width)));
}

} // namespace

class TestRelayFrame : public QObject {
    Q_OBJECT
private slots:
    void placement_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("miles");
        QTest::addColumn<double>("echoMiles");
        QTest::addColumn<double>("bearing");
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<bool>("lon360"); // world file counting longitudes 0..360
        const auto row = [](const char* name, double lat, double lon, double miles, double echo,
                            double bearing, bool indexed, bool lon360) {
            QTest::newRow(name) << lat << lon << miles << echo << bearing << indexed << lon360;
        };
        row("Florida short", 28.113, -80.654, ShortMiles, 120, 300, true, false);
        row("Florida long", 28.113, -80.654, LongMiles, 280, 135, true, false);
        row("Alaska short", 60.726, -151.351, ShortMiles, 130, 60, true, false);
        row("Alaska long", 60.726, -151.351, LongMiles, 300, 250, false, true);
        row("Guam short", 13.456, 144.811, ShortMiles, 100, 20, false, false);
        row("Guam long", 13.456, 144.811, LongMiles, 320, 95, true, false);
    }

    void placement() {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, miles);
        QFETCH(double, echoMiles);
        QFETCH(double, bearing);
        QFETCH(bool, indexed);
        QFETCH(bool, lon360);
        const QPointF echo = destination(lat, lon, echoMiles, bearing);
        FrameInput in = upstreamAround(lat, lon, {{{lon, lat}, SiteColour}, {echo, EchoColour}},
                                       indexed, lon360);
        in.milesAcross = miles;
        const QImage img = rendered(in);
        QCOMPARE(img.size(), QSize(600, 550));

        const QPointF site = centroid(img, SiteColour);
        QVERIFY2(std::hypot(site.x() - frame::SiteX, site.y() - frame::SiteY) <= 3,
                 qPrintable(u"site at %1, %2"_s.arg(site.x()).arg(site.y())));
        const double px = echoMiles / (miles / 600);
        const QPointF want(frame::SiteX + px * std::sin(bearing * Rad),
                           frame::SiteY - px * std::cos(bearing * Rad));
        const QPointF got = centroid(img, EchoColour);
        QVERIFY2(std::hypot(got.x() - want.x(), got.y() - want.y()) <= 3,
                 qPrintable(u"echo at %1, %2"_s.arg(got.x()).arg(got.y())));
        // Each of these sites has a shore within the frame.
        int shore = 0;
        centroid(img, frame::OutlineColour, &shore);
        QVERIFY(shore > 50);
    }

    void baseMapLines() {
        // Tallahassee: Georgia line about 30.6-30.7 N to the north, the Gulf shore about 30.1 N
        // south.
        const double lat = 30.3975;
        const double lon = -84.3289;
        FrameInput in = upstreamAround(lat, lon, {}, true);
        QImage img = rendered(in);
        QVERIFY(colourInColumn(img, 300, rowOf(lat, 30.80, ShortMiles),
                               rowOf(lat, 30.55, ShortMiles), frame::StateColour));
        QVERIFY(colourInColumn(img, 300, rowOf(lat, 30.20, ShortMiles),
                               rowOf(lat, 29.90, ShortMiles), frame::OutlineColour));
        int counties = 0;
        centroid(img, frame::CountyColour, &counties);
        QVERIFY(counties > 500);

        // Echo hides the lines; county lines only when asked for.
        in.countyLines = false;
        in.upstream.setColorTable({qRgb(0x20, 0x30, 0xf0)});
        img = rendered(in);
        centroid(img, frame::CountyColour, &counties);
        QCOMPARE(counties, 0);
        QVERIFY(!colourInColumn(img, 300, 0, frame::MapHeight - 1, frame::StateColour));
    }

    void moreColoursThanAPalette() {
        FrameInput in = upstreamAround(30, -84, {}, false);
        const QRgb widest = qRgb(0x11, 0x88, 0xee);
        const int cx = in.upstream.width() / 2;
        for (int y = 0; y < in.upstream.height(); ++y)
            for (int x = cx - 200; x < cx + 200; ++x)
                in.upstream.setPixel(x, y, qRgb(x % 256, 40 + (x / 256) * 100, 90));
        for (int x = cx - 20; x <= cx + 20; ++x)
            for (int y = 0; y < in.upstream.height(); ++y)
                in.upstream.setPixel(x, y, widest);
        in.milesAcross = LongMiles; // a stripe a pixel: 360 colours in view
        const QImage img = rendered(in);
        QVERIFY(!img.isNull());
        QCOMPARE(img.pixel(frame::SiteX, frame::SiteY), widest);
    }

    void unusableInputRefused() {
        FrameInput good = upstreamAround(30, -84, {}, true);
        QVERIFY(!renderFrameGif(good).isEmpty());
        FrameInput in = good;
        in.upstream = QImage();
        QVERIFY(renderFrameGif(in).isEmpty());
        in = good;
        in.world = WorldFile();
        QVERIFY(renderFrameGif(in).isEmpty());
        for (double bad : {std::nan(""), 0.0, -300.0, 1e9}) {
            in = good;
            in.milesAcross = bad;
            QVERIFY(renderFrameGif(in).isEmpty());
            in = good;
            in.siteLatitude = bad == 0.0 ? 91 : bad;
            QVERIFY(renderFrameGif(in).isEmpty());
        }
    }

    void worldFileChecks_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("good") << "0.01\n0.0\n0.0\n-0.01\n-86.5\n33.2\n"_ba << true;
        QTest::newRow("no last newline") << "0.01\n0\n0\n-0.01\n-86.5\n33.2"_ba << true;
        QTest::newRow("crlf, blanks")
            << " 0.01\r\n0\r\n0\r\n-0.01 \r\n144.1\r\n19.2\r\n"_ba << true;
        QTest::newRow("five lines") << "0.01\n0\n0\n-0.01\n-86.5\n"_ba << false;
        QTest::newRow("seven lines") << "0.01\n0\n0\n-0.01\n-86.5\n33.2\n1\n"_ba << false;
        QTest::newRow("blank line") << "0.01\n0\n\n0\n-0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("text") << "0.01\n0\n0\n-0.01\nwest\n33.2"_ba << false;
        QTest::newRow("trailing junk") << "0.01\n0\n0\n-0.01x\n-86.5\n33.2"_ba << false;
        QTest::newRow("nan") << "nan\n0\n0\n-0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("infinite") << "0.01\n0\n0\n-inf\n-86.5\n33.2"_ba << false;
        QTest::newRow("overflow") << "0.01\n0\n0\n-0.01\n1e400\n33.2"_ba << false;
        QTest::newRow("zero x") << "0\n0\n0\n-0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("negative x") << "-0.01\n0\n0\n-0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("positive y") << "0.01\n0\n0\n0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("rotated") << "0.01\n0.001\n0\n-0.01\n-86.5\n33.2"_ba << false;
        QTest::newRow("huge pixels") << "5\n0\n0\n-5\n-86.5\n33.2"_ba << false;
        QTest::newRow("off the globe") << "0.01\n0\n0\n-0.01\n-86.5\n95"_ba << false;
        QTest::newRow("past the pole") << "0.2\n0\n0\n-0.2\n-86.5\n33.2"_ba << false;
        QTest::newRow("empty") << ""_ba << false;
        QTest::newRow("endless") << QByteArray(1 << 20, '1') << false;
    }

    void worldFileChecks() {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QString reason;
        const WorldFile w = WorldFile::parse(text, &reason);
        QCOMPARE(w.extentProblem({1000, 1000}).isEmpty(), valid);
        QCOMPARE(reason.isEmpty(), w.isValid());
        if (valid) {
            const QPointF corner = w.toLonLat({0, 0});
            QCOMPARE(w.toPixel(corner.x() + 2.5 * w.xSize(), corner.y() + 4 * w.ySize()),
                     QPointF(2.5, 4));
        }
    }

    void baseMapFileChecks() {
        QFile file(u":/pluvix/radar-server/basemap.bin"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const BaseMap& map = BaseMap::builtIn();
        QVERIFY(map.pieces().size() > 9000);
        // A box across the date line finds the Aleutians on both sides of it.
        bool east = false, west = false;
        for (std::uint32_t i : map.piecesIn(170, 50, 190, 55)) {
            const QPointF p = map.points()[map.pieces()[i].first];
            east = east || p.x() > 170;
            west = west || p.x() < -170;
        }
        QVERIFY(east && west);
        QByteArray badKind = bytes;
        badKind[44] = 7;
        for (const QByteArray& broken :
             {bytes.left(bytes.size() / 2), QByteArray("PLVXMAP0" + bytes.mid(8)), badKind,
              QByteArray()})
            QVERIFY(BaseMap(broken).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRelayFrame)
#include "tst_relay_frame.moc"
