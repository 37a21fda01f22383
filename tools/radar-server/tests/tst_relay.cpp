#include "AppHarness.h"
#include "acquisition/Catalogue.h"
#include "relay/StationPositions.h"
#include "support/GifFixtures.h"
#include "support/RadarServerProcess.h"
#include "view/MapGeometry.h"
#include "view/MapView.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using pluvix::testsupport::cutNames;
using pluvix::testsupport::RadarServerProcess;
using namespace Qt::StringLiterals;

namespace {

// The archive as its layout document describes it: Apache indexes with sort and parent links,
// a .png, .wld and .json per scan, one folder per UTC day. Today (2024-05-01) holds four scans
// of MLB, the day before twelve.
class FakeArchive : public QObject {
public:
    enum class Mode { Normal, Endless, Drip, Redirect, Failing };
    struct File {
        QByteArray type, body;
        Mode mode = Mode::Normal;
    };
    QHash<QString, File> files;
    QHash<QString, int> hits;
    bool failing = false;
    int delayMs = 0;
    QByteArray userAgent; // of the last request
    int open = 0, mostOpen = 0;

    FakeArchive() : m_server(this) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                mostOpen = std::max(mostOpen, ++open);
                connect(s, &QTcpSocket::disconnected, s, [this, s] {
                    --open;
                    s->deleteLater();
                });
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString url() const { return u"http://127.0.0.1:%1"_s.arg(m_server.serverPort()); }

    // A site with `products`, each with scans every five minutes from `first` (UTC) on.
    void addSite(const QString& site, const QStringList& products, const QImage& png,
                 const QByteArray& wld) {
        const QByteArray pngBytes = pluvix::testsupport::encoded(png, "PNG");
        for (const auto& [day, first, count] :
             {std::tuple{u"2024/04/30"_s, 23 * 60 + 0, 12}, std::tuple{u"2024/05/01"_s, 2, 4}}) {
            const QString siteDir = u"/archive/data/"_s + day + u"/GIS/ridge/" + site + u'/';
            QStringList folders;
            for (const QString& p : products) {
                folders << p + u'/';
                QStringList names;
                for (int i = 0; i < count; ++i) {
                    const int m = first + 5 * i;
                    const QString stem =
                        site + u'_' + p + u'_' + QString(day).remove(u'/') +
                        u"%1%2"_s.arg(m / 60, 2, 10, QChar(u'0')).arg(m % 60, 2, 10, QChar(u'0'));
                    names << stem + u".json" << stem + u".png" << stem + u".wld";
                    files[siteDir + p + u'/' + stem + u".png"] = {"image/png", pngBytes};
                    files[siteDir + p + u'/' + stem + u".wld"] = {"text/plain", wld};
                    files[siteDir + p + u'/' + stem + u".json"] = {"application/json", "{}"};
                }
                files[siteDir + p + u'/'] = {"text/html", index(siteDir + p + u'/', names)};
            }
            files[siteDir] = {"text/html", index(siteDir, folders)};
        }
    }

private:
    static QByteArray index(const QString& path, const QStringList& names) {
        QByteArray out = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>\n"
                         "<head><title>Index of " +
                         path.toLatin1() +
                         "</title></head>\n<body>\n"
                         "<table><tr><th><a href=\"?C=N;O=D\">Name</a></th><th><a "
                         "href=\"?C=M;O=A\">Last modified</a></th><th><a href=\"?C=S;O=A\">"
                         "Size</a></th></tr>\n<tr><td><a href=\"" +
                         path.section(u'/', 0, -3).toLatin1() +
                         "/\">Parent Directory</a></td><td>&nbsp;</td><td>-</td></tr>\n";
        for (const QString& n : names)
            out += "<tr><td><a href=\"" + n.toLatin1() + "\">" + n.toLatin1() +
                   "</a></td><td align=\"right\">2024-05-01 00:20  </td><td>12K</td></tr>\n";
        return out + "</table>\n<address>Apache Server</address>\n</body></html>\n";
    }

    void answer(QTcpSocket* s) {
        if (!s->canReadLine() || !s->peek(8192).contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(s->readLine().split(' ').value(1));
        const QByteArray head = s->readAll();
        const qsizetype agent = head.indexOf("User-Agent: ");
        userAgent = head.mid(agent + 12, head.indexOf('\r', agent) - agent - 12);
        ++hits[path];
        QTimer::singleShot(delayMs, s, [this, s, path] { reply(s, path); });
    }

    void reply(QTcpSocket* s, const QString& path) {
        const File file = failing ? File{"text/plain", "down", Mode::Failing}
                                  : files.value(path, {"text/plain", "", Mode::Failing});
        const QByteArray status = file.mode == Mode::Failing    ? "500 Nope"
                                  : file.mode == Mode::Redirect ? "302 Found"
                                                                : "200 OK";
        QByteArray head =
            "HTTP/1.1 " + status + "\r\nContent-Type: " + file.type + "\r\nConnection: close\r\n";
        if (file.mode == Mode::Redirect)
            head += "Location: http://elsewhere.invalid" + path.toLatin1() + "\r\n";
        if (file.mode == Mode::Normal || file.mode == Mode::Failing)
            head += "Content-Length: " + QByteArray::number(file.body.size()) + "\r\n";
        s->write(head + "\r\n");
        if (file.mode == Mode::Normal || file.mode == Mode::Failing) {
            s->write(file.body);
            s->disconnectFromHost();
        } else if (file.mode != Mode::Redirect) {
            auto* pump = new QTimer(s);
            const bool drip = file.mode == Mode::Drip;
            connect(pump, &QTimer::timeout, s, [s, drip] {
                if (s->bytesToWrite() < 1 << 20)
                    s->write(drip ? QByteArray("<") : QByteArray(64 * 1024, 'x'));
            });
            pump->start(drip ? 200 : 1);
        } else {
            s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
};

// 4 x 4 degrees around (lat, lon) at 0.01 degree a pixel, an echo of colour Echo on the site.
constexpr QRgb Echo = 0xffff00ff;
QImage picture(double lat, double lon, QByteArray* wld, QSize size = {400, 400}) {
    QImage img(size, QImage::Format_Indexed8);
    img.setColorTable({0x00000000, Echo});
    img.fill(0);
    const QPoint site(qRound((lon - (lon - 2)) / 0.01), qRound((lat + 2 - lat) / 0.01));
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (img.valid(site + QPoint(dx, dy)))
                img.setPixel(site + QPoint(dx, dy), 1);
    *wld = QByteArray::number(0.01) + "\n0.0\n0.0\n-0.01\n" + QByteArray::number(lon - 2, 'f', 6) +
           '\n' + QByteArray::number(lat + 2, 'f', 6) + '\n';
    return img;
}

// A PNG whose header claims `side` x `side` pixels, of a few dozen bytes.
QByteArray pngClaiming(quint32 side) {
    QByteArray png = pluvix::testsupport::encoded(QImage(1, 1, QImage::Format_Indexed8), "PNG");
    for (int at : {16, 20})
        qToBigEndian(side, png.data() + at);
    quint32 crc = 0xffffffff; // over the chunk's type and data, as the format asks
    for (qsizetype i = 12; i < 29; ++i) {
        crc ^= uchar(png[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    qToBigEndian(~crc, png.data() + 29);
    return png;
}

// Statuses of GETs of `urls` sent at once on separate connections, the event loop running (the
// fake archive lives in this process).
QList<int> parallelGet(const QList<QUrl>& urls) {
    const int count = int(urls.size());
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    QList<QByteArray> answers(count);
    QEventLoop loop;
    int open = count;
    for (int i = 0; i < count; ++i) {
        auto* s = sockets.emplace_back(std::make_unique<QTcpSocket>()).get();
        const QUrl url = urls[i];
        QObject::connect(s, &QTcpSocket::connected, s, [s, url] {
            s->write("GET " + url.path().toLatin1() + " HTTP/1.1\r\nConnection: close\r\n\r\n");
        });
        QObject::connect(s, &QTcpSocket::readyRead, s,
                         [s, &answers, i] { answers[i] += s->readAll(); });
        QObject::connect(s, &QTcpSocket::disconnected, s, [&open, &loop] {
            if (--open == 0)
                loop.quit();
        });
        s->connectToHost(url.host(), quint16(url.port()));
    }
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QList<int> statuses;
    for (const QByteArray& a : answers)
        statuses << a.mid(9, 3).toInt();
    return statuses;
}

QString folder(const QString& product, const QString& station) {
    return u"/radar/images/DS."_s + product + u"/SI." + station + u'/';
}

} // namespace

// The server as a relay of the archive, against a fake of the archive on loopback.
class TestRelay : public QObject {
    Q_OBJECT
    FakeArchive m_archive;
    QTemporaryDir m_cache;
    RadarServerProcess m_server; // the clock frozen at 2024-05-01 00:20 UTC

    bool startServer(RadarServerProcess& server, const FakeArchive* archive = nullptr) {
        return server.start({u"--start"_s, u"2024-05-01T00:20:00Z"_s, u"--frozen"_s, u"--quiet"_s,
                             u"--upstream"_s, (archive ? archive : &m_archive)->url()});
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
        QByteArray wld;
        for (const QString& station : {u"kmlb"_s, u"kjax"_s, u"ktlh"_s, u"pgua"_s, u"kbyx"_s,
                                       u"kamx"_s, u"kevx"_s, u"keox"_s, u"kffc"_s, u"kjgx"_s}) {
            const auto pos = *pluvix::radarserver::relay::stationPosition(station);
            const QImage png = picture(pos.latitude, pos.longitude, &wld);
            m_archive.addSite(station.mid(1).toUpper(), {u"N0B"_s, u"N0S"_s}, png, wld);
        }
        QVERIFY2(startServer(m_server), qPrintable(m_server.errorString()));
    }

    void everyViewerStationHasAPosition() {
        const auto& table = pluvix::acquisition::fixedStations();
        for (int row = 0; row < table.StationCount(); ++row)
            QVERIFY2(pluvix::radarserver::relay::stationPosition(table.code(row)),
                     qPrintable(table.code(row)));
        const auto guam = *pluvix::radarserver::relay::stationPosition(u"pgua");
        QVERIFY(qAbs(guam.latitude - 13.45) < 0.01 && qAbs(guam.longitude - 144.81) < 0.01);
    }

    // product, HTTP status, text the page must carry
    void listings_data() {
        QTest::addColumn<QString>("product");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("base reflectivity") << u"p19r0"_s << 200 << u"(archive MLB N0B)"_s;
        QTest::newRow("composite falls back")
            << u"p37cr"_s << 200 << u"(archive MLB N0B in place of composite reflectivity)"_s;
        QTest::newRow("no precipitation")
            << u"78ohp"_s << 404
            << u"no one-hour precipitation for station kmlb (site MLB); it holds: N0B, N0S"_s;
    }
    void listings() {
        QFETCH(QString, product);
        QFETCH(QString, text);
        const auto reply = m_server.get(folder(product, u"kmlb"_s));
        QTEST(reply.status, "status");
        QVERIFY2(QString::fromUtf8(reply.body).contains(text), reply.body.constData());
        if (reply.status != 200)
            return;
        // The ten newest across midnight, oldest first, with the scan times in the names.
        const QString tag = product == u"p19r0" ? u"_N0R"_s : u"_NCR"_s;
        QStringList want;
        for (int m : {1410, 1415, 1420, 1425, 1430, 1435})
            want << u"MLB20240430"_s + tag +
                        u"%1%2.gif"_s.arg(m / 60).arg(m % 60, 2, 10, QChar(u'0'));
        for (int m : {2, 7, 12, 17})
            want << u"MLB20240501"_s + tag + u"00%1.gif"_s.arg(m, 2, 10, QChar(u'0'));
        QCOMPARE(cutNames(reply.body), want);
    }

    void parallelViewersShareOneListing() {
        m_archive.delayMs = 500;
        const QList<int> statuses =
            parallelGet(QList<QUrl>(20, m_server.url(folder(u"p19r0"_s, u"ktlh"_s))));
        m_archive.delayMs = 0;
        QCOMPARE(statuses, QList<int>(20, 200));
        QCOMPARE(m_archive.hits.value(u"/archive/data/2024/05/01/GIS/ridge/TLH/"_s), 1);
        QCOMPARE(m_archive.hits.value(u"/archive/data/2024/05/01/GIS/ridge/TLH/N0B/"_s), 1);
        QVERIFY2(m_archive.userAgent.startsWith("Pluvix/" PLUVIX_VERSION), m_archive.userAgent);
    }

    // Five stations' listings asked at once: never more than four archive requests.
    void atMostFourUpstreamRequestsAtOnce() {
        RadarServerProcess server;
        QVERIFY2(startServer(server), qPrintable(server.errorString()));
        m_archive.mostOpen = 0;
        m_archive.delayMs = 200;
        QList<QUrl> folders;
        for (const QString& station : {u"kmlb"_s, u"kjax"_s, u"ktlh"_s, u"pgua"_s, u"kbyx"_s})
            folders << server.url(folder(u"p38cr"_s, station));
        const QList<int> statuses = parallelGet(folders);
        m_archive.delayMs = 0;
        QCOMPARE(statuses, QList<int>(5, 200));
        QVERIFY2(m_archive.mostOpen <= 4, qPrintable(QString::number(m_archive.mostOpen)));
    }

    // A west and an east longitude: the echo on the site lands on the centre pixel.
    void framesFetchedOnceWithSiteAtCentre_data() {
        QTest::addColumn<QString>("station");
        QTest::newRow("Jacksonville") << u"kjax"_s;
        QTest::newRow("Guam") << u"pgua"_s;
    }
    void framesFetchedOnceWithSiteAtCentre() {
        QFETCH(QString, station);
        const QString newest = cutNames(m_server.get(folder(u"p19r0"_s, station)).body).value(9);
        QVERIFY(!newest.isEmpty());
        const QString frame = folder(u"p19r0"_s, station) + newest;
        QCOMPARE(parallelGet(QList<QUrl>(5, m_server.url(frame))), QList<int>(5, 200));
        const QImage gif = QImage::fromData(m_server.get(frame).body, "GIF");
        QCOMPARE(gif.size(), QSize(600, 550));
        // the site is where the viewer's "centre on the radar site" expects it
        QCOMPARE(gif.pixel(qRound(pluvix::view::radarSiteX * 600),
                           qRound(pluvix::view::radarSiteY * 550)),
                 Echo);
        const QString upstream = u"/archive/data/2024/05/01/GIS/ridge/"_s +
                                 station.mid(1).toUpper() + u"/N0B/" + station.mid(1).toUpper() +
                                 u"_N0B_202405010017";
        QCOMPARE(m_archive.hits.value(upstream + u".png"), 1);
        QCOMPARE(m_archive.hits.value(upstream + u".wld"), 1);
        // Kept on disk, private to the user, for the next run.
        const QString cache = m_cache.path() + u"/pluvix-radar-server/relay"_s;
        QCOMPARE(QFile::permissions(cache) & 0x0077, QFileDevice::Permissions());
        RadarServerProcess next;
        QVERIFY2(startServer(next), qPrintable(next.errorString()));
        QCOMPARE(next.get(frame).status, 200);
        QCOMPARE(m_archive.hits.value(upstream + u".png"), 1);
    }

    void upstreamFailureServesLastListingThen502() {
        RadarServerProcess server;
        QVERIFY2(startServer(server), qPrintable(server.errorString()));
        const QString dir = folder(u"p37cr"_s, u"kmlb"_s);
        const auto good = server.get(dir);
        QCOMPARE(good.status, 200);
        const QString frame = dir + cutNames(good.body).last();
        QCOMPARE(server.get(frame).status, 200);
        m_archive.failing = true;
        QVERIFY(server.control(u"advance?seconds=120"_s)); // past the refresh interval
        const auto stale = server.get(dir);
        QVERIFY(server.control(u"advance?seconds=500"_s)); // 10 min 20 s after the good one
        const auto gone = server.get(dir);
        m_archive.failing = false;
        QCOMPARE(stale.status, 200);
        QCOMPARE(cutNames(stale.body), cutNames(good.body));
        QCOMPARE(gone.status, 502);
        QVERIFY(gone.header("Content-Type").startsWith("text/plain"));
        QVERIFY2(gone.body.contains("answered 500"), gone.body.constData());
        QCOMPARE(server.get(frame).status, 200);
    }

    // station, the upstream file spoilt (relative to the site's newest scan), how, and what the
    // viewer's request (listing or the newest frame) is told.
    void hostileUpstream_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        using M = FakeArchive::Mode;
        QTest::newRow("endless listing") << u"kbyx"_s << u"site"_s << int(M::Endless)
                                         << QByteArray() << u"over the 2097152-byte limit"_s;
        QTest::newRow("slow drip") << u"kamx"_s << u"site"_s << int(M::Drip) << QByteArray()
                                   << u"not complete within 30 s"_s;
        QTest::newRow("redirect to another host")
            << u"kevx"_s << u"site"_s << int(M::Redirect) << QByteArray()
            << u"redirected to another host (elsewhere.invalid)"_s;
        QTest::newRow("wrong content type")
            << u"keox"_s << u"png"_s << int(M::Normal) << QByteArray("<html>") << u"content type"_s;
        QTest::newRow("PNG bomb") << u"kffc"_s << u"png"_s << int(M::Normal) << pngClaiming(60000)
                                  << u"header gives 60000 x 60000"_s;
        QTest::newRow("malformed world file")
            << u"kjgx"_s << u"wld"_s << int(M::Normal) << QByteArray("0.01\n0\nbanana\n")
            << u"world file is unusable"_s;
    }
    void hostileUpstream() {
        QFETCH(QString, station);
        QFETCH(QString, file);
        QFETCH(int, mode);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const QString site = station.mid(1).toUpper();
        QString path = u"/archive/data/2024/05/01/GIS/ridge/"_s + site + u'/';
        if (file != u"site")
            path += u"N0B/"_s + site + u"_N0B_202405010017." + file;
        auto& spoilt = m_archive.files[path];
        spoilt.mode = FakeArchive::Mode(mode);
        if (!body.isEmpty())
            spoilt.body = body;
        if (file == u"png")
            spoilt.type = body.startsWith("<") ? "text/html" : "image/png";
        const QString dir = folder(u"p19r0"_s, station);
        const auto listing = m_server.get(dir, 60000);
        const auto reply =
            file == u"site" ? listing : m_server.get(dir + cutNames(listing.body).value(9));
        QCOMPARE(reply.status, 502);
        QVERIFY2(QString::fromUtf8(reply.body).contains(text), reply.body.constData());
        QVERIFY2(m_server.peakMemoryMiB() < 400,
                 qPrintable(QString::number(m_server.peakMemoryMiB())));
        QCOMPARE(m_server.get(folder(u"p19r0"_s, u"kmlb"_s)).status, 200);
    }

    // The unchanged viewer loads a relayed history: the ten frames of the listing, no box.
    void viewerLoadsARelayedHistory() {
        FakeArchive archive; // on its own thread: the viewer's downloads block this one
        QByteArray wld;
        const auto pos = *pluvix::radarserver::relay::stationPosition(u"kmlb");
        archive.addSite(u"MLB"_s, {u"N0B"_s}, picture(pos.latitude, pos.longitude, &wld), wld);
        QThread thread;
        archive.moveToThread(&thread);
        thread.start();
        pluvix::testsupport::AppHarness h;
        QVERIFY(startServer(h.server, &archive));
        auto& w = h.load();
        const QStringList listed = cutNames(h.server.get(QUrl(h.folderUrl()).path()).body);
        QStringList shown;
        for (int i = 0; i <= w.viewer().feed().history().UBound(); ++i)
            shown << w.viewer().feed().history().tag(i);
        thread.quit();
        thread.wait();
        QCOMPARE(listed.size(), 10);
        QCOMPARE(shown, listed);
        QVERIFY(h.boxes.shown.isEmpty());
        QCOMPARE(w.mapView()->picture().size(), QSize(600, 550));
    }

    void liveArchive() {
        if (qEnvironmentVariable("PLUVIX_LIVE_TESTS") != u"1")
            QSKIP("needs the internet: set PLUVIX_LIVE_TESTS=1");
        RadarServerProcess server;
        QVERIFY2(server.start({u"--live"_s, u"--quiet"_s}), qPrintable(server.errorString()));
        const QString dir = folder(u"p19r0"_s, u"ktlx"_s);
        const auto listing = server.get(dir, 120000);
        QVERIFY2(listing.status == 200, listing.body.constData());
        const auto frame = server.get(dir + cutNames(listing.body).value(9), 120000);
        QCOMPARE(QImage::fromData(frame.body, "GIF").size(), QSize(600, 550));
    }
};

QTEST_MAIN(TestRelay)
#include "tst_relay.moc"
