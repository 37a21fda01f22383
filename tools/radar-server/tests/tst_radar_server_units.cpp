#include "Catalogue.h"
#include "Faults.h"
#include "GifWriter.h"
#include "HttpMessage.h"
#include "Listing.h"
#include "LruCache.h"
#include "RadarRenderer.h"
#include "ServerClock.h"

#include <QDateTime>
#include <QImage>
#include <QTimeZone>
#include <QtTest>

using namespace pluvix::radarserver;
using namespace Qt::StringLiterals;

namespace {

qint64 utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toSecsSinceEpoch();
}

// The viewer's cut: after the first "HREF=", each of the next ten "HREF=" links up to ".gif".
QStringList cutLikeTheViewer(const QByteArray& text) {
    QStringList names;
    const QByteArray upper = text.toUpper();
    qsizetype p = upper.indexOf("HREF=");
    for (int k = 0; k < 10 && p >= 0; ++k) {
        p = upper.indexOf("HREF=", p + 1);
        if (p < 0)
            break;
        const qsizetype start = p + 6;
        const qsizetype end = upper.indexOf(".GIF", start);
        if (end < 0)
            break;
        names.append(QString::fromLatin1(text.mid(start, end + 4 - start)));
    }
    return names;
}

int echoPixels(const IndexedImage& img) {
    // Echo colours follow the map colours in the palette; everything saturated counts.
    int n = 0;
    for (int y = 0; y < RadarRenderer::MapHeight; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const QRgb c = img.palette[uchar(img.pixels[y * img.width + x])];
            if (QColor(c).saturation() > 150 && QColor(c).value() > 150)
                ++n;
        }
    }
    return n;
}

double differingShare(const IndexedImage& a, const IndexedImage& b) {
    qsizetype n = 0;
    const qsizetype map = qsizetype(a.width) * RadarRenderer::MapHeight;
    for (qsizetype i = 0; i < map; ++i)
        n += a.pixels[i] != b.pixels[i];
    return double(n) / double(map);
}

} // namespace

class TestRadarServerUnits : public QObject {
    Q_OBJECT

private slots:
    void imageNameFields();
    void imageNameRejects_data();
    void imageNameRejects();
    void clockGrid();
    void parseRequests_data();
    void parseRequests();
    void parseSplitAndPipelined();
    void lruKeepsRecent();
    void gifRoundTrip();
    void gifRejectsIndexOutsidePalette();
    void faultsApplyAllOrNothing();
    void listingsCutLikeTheViewer_data();
    void listingsCutLikeTheViewer();
    void listingPadding();
    void picturesAreDeterministicAndSmooth();
};

void TestRadarServerUnits::imageNameFields() {
    const Product& p = *findProduct(u"p37cr");
    const QString name = imageName(u"kmlb", p, utc("2005-09-15T15:03:00Z"));
    QCOMPARE(name.size(), 23);
    QCOMPARE(name.left(3), u"MLB");
    QCOMPARE(name.mid(3, 4), u"2005");
    QCOMPARE(name.mid(7, 2), u"09");
    QCOMPARE(name.mid(9, 2), u"15");
    QCOMPARE(name.mid(15, 2), u"15");
    QCOMPARE(name.mid(17, 2), u"03");
    QVERIFY(name.endsWith(u".gif"));
    QCOMPARE(imageNameTime(name, u"kmlb", p), utc("2005-09-15T15:03:00Z"));
    // Every product has its own four-character tag.
    QSet<QString> tags;
    for (const Product* q : allProducts())
        tags.insert(imageName(u"kmlb", *q, 0).mid(11, 4));
    QCOMPARE(tags.size(), 6);
}

void TestRadarServerUnits::imageNameRejects_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("other station") << u"TBW20050915_NCR1503.gif"_s;
    QTest::newRow("other product") << u"MLB20050915_N0R1503.gif"_s;
    QTest::newRow("lower case") << u"mlb20050915_NCR1503.gif"_s;
    QTest::newRow("no such day") << u"MLB20050231_NCR1503.gif"_s;
    QTest::newRow("no such hour") << u"MLB20050915_NCR2503.gif"_s;
    QTest::newRow("signed field") << u"MLB2005+915_NCR1503.gif"_s;
    QTest::newRow("other extension") << u"MLB20050915_NCR1503.GIF"_s;
    QTest::newRow("short") << u"MLB20050915_NCR150.gif"_s;
}

void TestRadarServerUnits::imageNameRejects() {
    QFETCH(QString, name);
    QVERIFY(!imageNameTime(name, u"kmlb", *findProduct(u"p37cr")));
}

void TestRadarServerUnits::clockGrid() {
    QCOMPARE(floorToMultiple(-1, 300), -300);
    QCOMPARE(floorToMultiple(-300, 300), -300);
    QCOMPARE(floorToMultiple(299, 300), 0);

    ServerClock clock(utc("2024-05-01T15:34:59Z") * 1000, true, 300);
    const qint64 newest = utc("2024-05-01T15:30:00Z");
    QCOMPARE(clock.newestImageTime(), newest);
    const QList<qint64> ten = clock.recentImageTimes(10);
    QCOMPARE(ten.size(), 10);
    QCOMPARE(ten.first(), newest - 9 * 300);
    QCOMPARE(ten.last(), newest);
    QVERIFY(clock.isServedImageTime(newest));
    QVERIFY(!clock.isServedImageTime(newest + 300)); // the future
    QVERIFY(!clock.isServedImageTime(newest - 60));  // off the grid
    QVERIFY(!clock.isServedImageTime(newest - ServerClock::RetainedSecs - 300));

    clock.advanceSeconds(1);
    QCOMPARE(clock.newestImageTime(), newest + 300);
    QVERIFY(clock.isServedImageTime(newest + 300));
}

void TestRadarServerUnits::parseRequests_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("keepAlive");

    const int complete = int(ParseStatus::Complete);
    QTest::newRow("1.1 keeps alive") << QByteArray("GET /radar/images/ HTTP/1.1\r\nHost: x\r\n\r\n")
                                     << complete << u"/radar/images/"_s << true;
    QTest::newRow("1.1 close") << QByteArray("GET / HTTP/1.1\r\nConnection: close\r\n\r\n")
                               << complete << u"/"_s << false;
    QTest::newRow("1.0 closes") << QByteArray("GET / HTTP/1.0\r\n\r\n") << complete << u"/"_s
                                << false;
    QTest::newRow("1.0 keep-alive")
        << QByteArray("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n") << complete << u"/"_s
        << true;
    QTest::newRow("absolute form, escapes")
        << QByteArray("GET http://h:1/PS/a%20b?x=1 HTTP/1.1\r\n\r\n") << complete << u"/PS/a b"_s
        << true;
    QTest::newRow("no version") << QByteArray("GET /\r\n\r\n") << int(ParseStatus::Bad) << QString()
                                << false;
    QTest::newRow("header without colon") << QByteArray("GET / HTTP/1.1\r\nHost\r\n\r\n")
                                          << int(ParseStatus::Bad) << QString() << false;
    QTest::newRow("chunked body") << QByteArray(
                                         "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n")
                                  << int(ParseStatus::Unsupported) << QString() << false;
    QTest::newRow("huge body") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n")
                               << int(ParseStatus::TooLarge) << QString() << false;
    QTest::newRow("endless header") << QByteArray("GET / HTTP/1.1\r\nX: ") + QByteArray(20000, 'a')
                                    << int(ParseStatus::TooLarge) << QString() << false;
    QTest::newRow("unfinished") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n")
                                << int(ParseStatus::Incomplete) << QString() << false;
}

void TestRadarServerUnits::parseRequests() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QString, path);
    QFETCH(bool, keepAlive);
    HttpRequest r;
    QCOMPARE(int(parseHttpRequest(bytes, r)), status);
    if (status == int(ParseStatus::Complete)) {
        QCOMPARE(r.path, path);
        QCOMPARE(r.keepAlive, keepAlive);
        QVERIFY(bytes.isEmpty());
    }
}

void TestRadarServerUnits::parseSplitAndPipelined() {
    const QByteArray two = "POST /control/advance?images=2 HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"
                           "GET /x HTTP/1.1\r\n\r\n";
    QByteArray buffer;
    HttpRequest r;
    // Byte by byte: nothing is taken until the whole first request, body included, is there.
    qsizetype fed = 0;
    while (parseHttpRequest(buffer, r) == ParseStatus::Incomplete) {
        QVERIFY(fed < two.size());
        buffer += two[fed++];
    }
    QCOMPARE(fed, two.indexOf("GET"));
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.body, QByteArray("abc"));
    QCOMPARE(r.query.queryItemValue(u"images"_s), u"2"_s);
    buffer += two.mid(fed);
    QCOMPARE(parseHttpRequest(buffer, r), ParseStatus::Complete);
    QCOMPARE(r.path, u"/x"_s);
    QVERIFY(buffer.isEmpty());
}

void TestRadarServerUnits::lruKeepsRecent() {
    LruCache<QString, int> cache(2);
    cache.insert(u"a"_s, 1);
    cache.insert(u"b"_s, 2);
    QCOMPARE(cache.find(u"a"_s), 1); // a is now the most recent
    cache.insert(u"c"_s, 3);         // so b goes
    QVERIFY(!cache.find(u"b"_s));
    QCOMPARE(cache.find(u"a"_s), 1);
    QCOMPARE(cache.find(u"c"_s), 3);
    cache.insert(u"c"_s, 4);
    QCOMPARE(cache.size(), 2);
    QCOMPARE(cache.find(u"c"_s), 4);

    LruCache<QString, int> off(0);
    off.insert(u"a"_s, 1);
    QVERIFY(!off.find(u"a"_s));
}

void TestRadarServerUnits::gifRoundTrip() {
    IndexedImage img;
    img.width = 37;
    img.height = 23;
    for (int i = 0; i < 40; ++i)
        img.palette.append(qRgb(i * 6, 255 - i * 5, (i * 37) % 256));
    for (int i = 0; i < img.width * img.height; ++i)
        img.pixels.append(char((i * 7 + i / 37) % 40));
    const QByteArray gif = encodeGif(img);
    QVERIFY(gif.startsWith("GIF89a"));
    QCOMPARE(gif.back(), char(0x3B));
    QImage decoded;
    QVERIFY(decoded.loadFromData(gif, "GIF"));
    QCOMPARE(decoded.size(), QSize(37, 23));
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const QRgb want = img.palette[uchar(img.pixels[y * img.width + x])];
            QCOMPARE(decoded.pixel(x, y) & 0xffffff, want & 0xffffff);
        }
    }
}

void TestRadarServerUnits::gifRejectsIndexOutsidePalette() {
    IndexedImage img;
    img.width = 2;
    img.height = 1;
    img.palette = {qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2)};
    img.pixels = QByteArray("\x00\x03", 2);
    QVERIFY(encodeGif(img).isEmpty());
    img.pixels = QByteArray("\x00", 1); // fewer pixels than the size says
    QVERIFY(encodeGif(img).isEmpty());
}

void TestRadarServerUnits::faultsApplyAllOrNothing() {
    FaultSettings f;
    QVERIFY(f.apply(QUrlQuery(u"latency=250&fail-next=2&fail-status=503&truncate"_s)).isEmpty());
    QCOMPARE(f.latencyMs, 250);
    QCOMPARE(f.failNext, 2);
    QCOMPARE(f.failStatus, 503);
    QVERIFY(f.truncate);

    // One bad item and nothing changes.
    QVERIFY(!f.apply(QUrlQuery(u"latency=10&fail-status=99"_s)).isEmpty());
    QVERIFY(!f.apply(QUrlQuery(u"no-gif=1&bogus=1"_s)).isEmpty());
    QVERIFY(!f.apply(QUrlQuery(u"oversize-mib=-1"_s)).isEmpty());
    QCOMPARE(f.latencyMs, 250);
    QCOMPARE(f.failStatus, 503);
    QVERIFY(!f.noGif);
    QVERIFY(f.describe().contains("fail-next=2\n"));
}

void TestRadarServerUnits::listingsCutLikeTheViewer_data() {
    QTest::addColumn<int>("style");
    QTest::newRow("upper") << int(ListingStyle::UpperCase);
    QTest::newRow("lower") << int(ListingStyle::LowerCase);
}

void TestRadarServerUnits::listingsCutLikeTheViewer() {
    QFETCH(int, style);
    const Product& p = *findProduct(u"p19r0");
    QList<ListingEntry> entries;
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        const qint64 t = utc("2024-05-01T12:00:00Z") + i * 300;
        names.append(imageName(u"ktlx", p, t));
        entries.append({names.last(), t, 1000 + i * 4000});
    }
    const QByteArray page =
        folderListing(u"/radar/images/DS.p19r0/SI.ktlx/"_s, u"/radar/images/DS.p19r0/"_s, entries,
                      ListingStyle(style));
    QCOMPARE(cutLikeTheViewer(page), names);
    QVERIFY(page.contains(style == int(ListingStyle::UpperCase) ? "<A HREF=\"" : "<a href=\""));
}

void TestRadarServerUnits::listingPadding() {
    const QList<ListingEntry> entries{{u"A.gif"_s, 0, 10}};
    const QByteArray plain = folderListing(u"/f/"_s, u"/"_s, entries, ListingStyle::UpperCase);
    const QByteArray big =
        folderListing(u"/f/"_s, u"/"_s, entries, ListingStyle::UpperCase, 3 * 1024 * 1024);
    QVERIFY(big.size() > 3 * 1024 * 1024);
    QVERIFY(big.size() < 3 * 1024 * 1024 + 1024);
    QCOMPARE(cutLikeTheViewer(big), cutLikeTheViewer(plain));
    QVERIFY(big.endsWith("</BODY></HTML>\n"));
}

void TestRadarServerUnits::picturesAreDeterministicAndSmooth() {
    const Product& composite = *findProduct(u"p37cr");
    const qint64 t = utc("2024-05-01T21:30:00Z");
    RadarRenderer a(7);
    RadarRenderer b(7);
    RadarRenderer other(8);
    const IndexedImage first = a.render(u"kmlb"_s, composite, t);
    QCOMPARE(first.pixels, b.render(u"kmlb"_s, composite, t).pixels);
    QCOMPARE(encodeGif(first), b.renderGif(u"kmlb"_s, composite, t));
    QVERIFY(first.pixels != other.render(u"kmlb"_s, composite, t).pixels);
    QVERIFY(echoPixels(first) > 2000);

    // Storms move on a little from one picture to the next, and a lot over hours.
    const IndexedImage next = a.render(u"kmlb"_s, composite, t + 300);
    const IndexedImage later = a.render(u"kmlb"_s, composite, t + 6 * 3600);
    QVERIFY(first.pixels != next.pixels);
    QVERIFY2(differingShare(first, next) * 3 < differingShare(first, later),
             qPrintable(QString::number(differingShare(first, next)) + u" vs "_s +
                        QString::number(differingShare(first, later))));

    // Every product draws something different from the same weather.
    QSet<QByteArray> pictures;
    for (const Product* p : allProducts())
        pictures.insert(a.render(u"kmlb"_s, *p, t).pixels);
    QCOMPARE(pictures.size(), 6);
}

QTEST_GUILESS_MAIN(TestRadarServerUnits)
#include "tst_radar_server_units.moc"
