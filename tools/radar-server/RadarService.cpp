#include "RadarService.h"

#include "relay/Relay.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

namespace pluvix::radarserver {

namespace {

const QString RadarRoot = QStringLiteral("/radar/images/");
const QString SatelliteFolder = QStringLiteral("/PS/TROP/DATA/RT/FLOAT/IR4/");

QByteArray httpDateOf(qint64 utcSecs) {
    return QLocale::c()
        .toString(QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc()),
                  u"ddd, dd MMM yyyy HH:mm:ss 'GMT'")
        .toLatin1();
}

QByteArray isoTime(qint64 utcMsecs) {
    return QDateTime::fromMSecsSinceEpoch(utcMsecs, QTimeZone::utc())
        .toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'")
        .toLatin1();
}

HttpResponse notFound() {
    return HttpResponse::html(404, "<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD><BODY>\n"
                                   "<H1>Not Found</H1>\nThe requested URL was not found on this "
                                   "server.\n</BODY></HTML>\n");
}

HttpResponse errorPage(int status) {
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    return HttpResponse::html(status, "<HTML><HEAD><TITLE>" + title +
                                          "</TITLE></HEAD><BODY>\n<H1>" + title +
                                          "</H1>\n</BODY></HTML>\n");
}

HttpResponse redirect(const QString& to) {
    HttpResponse r = HttpResponse::html(301, "<HTML><BODY>Moved <A HREF=\"" + to.toUtf8() +
                                                 "\">here</A>.</BODY></HTML>\n");
    r.addHeader("Location", to.toUtf8());
    return r;
}

HttpResponse fileResponse(const QByteArray& body, const QByteArray& type, qint64 modified,
                          bool immutable) {
    HttpResponse r{200, type, body, {}};
    r.addHeader("Last-Modified", httpDateOf(modified));
    r.addHeader("Cache-Control", immutable ? QByteArray("max-age=86400") : QByteArray("no-cache"));
    return r;
}

QString withGifRenamed(QString name) {
    if (name.endsWith(u".gif", Qt::CaseInsensitive))
        name = name.chopped(4) + u".png";
    return name;
}

} // namespace

void PendingResponse::finish(const HttpResponse& response) {
    if (m_done)
        return;
    m_done = true;
    m_response = response;
    if (m_deliver)
        std::exchange(m_deliver, {})(m_response);
}

void PendingResponse::onFinished(std::function<void(const HttpResponse&)> deliver) {
    if (m_done)
        deliver(m_response);
    else
        m_deliver = std::move(deliver);
}

RadarService::RadarService(const ServiceConfig& config, ServerClock& clock,
                           const FaultSettings& faults, QObject* parent)
    : QObject(parent), m_config(config), m_clock(clock), m_faults(faults), m_radar(config.seed),
      m_satellite(config.seed), m_images(config.cacheEntries) {}

QByteArray RadarService::httpDate() const {
    return httpDateOf(m_clock.nowMsecs() / 1000);
}

ServiceReply RadarService::handle(const HttpRequest& request, bool fromLoopback) {
    ServiceReply reply;
    reply.headOnly = request.method == "HEAD";
    if (request.path.startsWith(u"/control/") || request.path == u"/control") {
        reply.response = control(request, fromLoopback);
        return reply;
    }
    if (m_faults.stallNext > 0) {
        --m_faults.stallNext;
        reply.delivery = ServiceReply::Delivery::Stall;
        return reply;
    }
    reply.latencyMs = m_faults.latencyMs;
    if (m_faults.failNext > 0) {
        --m_faults.failNext;
        reply.response = errorPage(m_faults.failStatus);
        return reply;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        reply.response = errorPage(405);
        reply.response.addHeader("Allow", "GET, HEAD");
        return reply;
    }
    if (m_relay) {
        if (auto pending = relayed(request)) {
            reply.delivery = ServiceReply::Delivery::Deferred;
            reply.pending = std::move(pending);
            return reply;
        }
    }
    reply.response = content(request);
    if (!m_config.cacheHeaders)
        reply.response.headers.removeIf(
            [](const auto& h) { return h.first == "Cache-Control" || h.first == "Last-Modified"; });
    if (m_faults.truncate && reply.response.status == 200 && reply.response.body.size() > 0)
        reply.delivery = ServiceReply::Delivery::Truncated;
    return reply;
}

HttpResponse RadarService::control(const HttpRequest& request, bool fromLoopback) {
    if (!fromLoopback)
        return errorPage(403);
    if (request.method != "GET" && request.method != "POST" && request.method != "HEAD") {
        HttpResponse r = errorPage(405);
        r.addHeader("Allow", "GET, POST");
        return r;
    }
    const QString what = request.path.mid(9);
    if (what == u"time" && request.query.isEmpty())
        return HttpResponse::text(200, isoTime(m_clock.nowMsecs()) + '\n');
    if (what == u"advance") {
        qint64 seconds = 0;
        bool any = false;
        for (const auto& [name, value] : request.query.queryItems(QUrl::FullyDecoded)) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            constexpr qint64 limit = qint64(100) * 365 * 24 * 3600;
            if (name == u"images" && ok && std::abs(n) <= limit / m_clock.intervalSecs())
                seconds += n * m_clock.intervalSecs();
            else if (name == u"seconds" && ok && std::abs(n) <= limit)
                seconds += n;
            else
                return HttpResponse::text(400, "bad parameter " + name.toUtf8() + "=" +
                                                   value.toUtf8() + '\n');
            any = true;
        }
        if (!any)
            seconds = m_clock.intervalSecs();
        m_clock.advanceSeconds(seconds);
        return HttpResponse::text(200, isoTime(m_clock.nowMsecs()) + '\n');
    }
    if (what == u"faults") {
        const QString error = m_faults.apply(request.query);
        if (!error.isEmpty())
            return HttpResponse::text(400, error.toUtf8() + '\n');
        return HttpResponse::text(200, m_faults.describe());
    }
    if (what == u"reset" && request.query.isEmpty()) {
        m_faults = FaultSettings{};
        emit stallsReleased();
        return HttpResponse::text(200, m_faults.describe());
    }
    return notFound();
}

HttpResponse RadarService::content(const HttpRequest& request) {
    static const QRegularExpression stationFolder(
        QStringLiteral("^/radar/images/DS\\.([^/]+)/SI\\.([^/]+)(/?)$"));
    static const QRegularExpression productFolder(
        QStringLiteral("^/radar/images/DS\\.([^/]+)(/?)$"));
    static const QRegularExpression image(
        QStringLiteral("^/radar/images/DS\\.([^/]+)/SI\\.([^/]+)/([^/]+)$"));
    static const QRegularExpression satelliteImage(
        QStringLiteral("^/PS/TROP/DATA/RT/FLOAT/IR4/([^/]+)$"));

    const QString& path = request.path;
    if (path == u"/") {
        return HttpResponse::html(
            200, "<HTML><HEAD><TITLE>pluvix-radar-server</TITLE></HEAD><BODY>\n"
                 "<H1>Radar images</H1>\n<A HREF=\"/radar/images/\">/radar/images/</A><BR>\n"
                 "<A HREF=\"/PS/TROP/DATA/RT/FLOAT/IR4/\">Tropical floater, infrared</A>\n"
                 "</BODY></HTML>\n");
    }
    if (path == RadarRoot || path == u"/radar/images") {
        if (!path.endsWith(u'/'))
            return redirect(RadarRoot);
        QList<ListingEntry> entries;
        for (const Product* p : allProducts())
            entries.append(
                {u"DS." + QLatin1StringView(p->code) + u'/', m_clock.newestImageTime(), -1});
        return folderPage(RadarRoot, QStringLiteral("/radar/"), entries);
    }
    if (const auto m = stationFolder.match(path); m.hasMatch()) {
        if (!findProduct(m.captured(1)) || !isKnownStation(m.captured(2)))
            return notFound();
        if (m.captured(3).isEmpty())
            return redirect(path + u'/');
        return stationListing(m.captured(1), m.captured(2));
    }
    if (const auto m = productFolder.match(path); m.hasMatch()) {
        if (!findProduct(m.captured(1)))
            return notFound();
        if (m.captured(2).isEmpty())
            return redirect(path + u'/');
        QList<ListingEntry> entries;
        for (const QString& s : stationCodes())
            entries.append({u"SI." + s + u'/', m_clock.newestImageTime(), -1});
        return folderPage(path, RadarRoot, entries);
    }
    if (const auto m = image.match(path); m.hasMatch())
        return radarImage(m.captured(1), m.captured(2), m.captured(3));
    if (path == SatelliteFolder)
        return satelliteListing();
    if (const auto m = satelliteImage.match(path); m.hasMatch())
        return satellite(m.captured(1));
    return notFound();
}

std::shared_ptr<PendingResponse> RadarService::relayed(const HttpRequest& request) {
    static const QRegularExpression relayedPath(
        QStringLiteral("^/radar/images/DS\\.([^/]+)/SI\\.([^/]+)/([^/]*)$"));
    const auto m = relayedPath.match(request.path);
    const Product* product = m.hasMatch() ? findProduct(m.captured(1)) : nullptr;
    if (!product || !isKnownStation(m.captured(2)))
        return nullptr; // answered as without the relay
    auto pending = std::make_shared<PendingResponse>();
    auto answer = [pending](const HttpResponse& r) { pending->finish(r); };
    if (m.captured(3).isEmpty()) {
        const QString parent = RadarRoot + u"DS." + m.captured(1) + u'/';
        m_relay->listing(m.captured(2), *product, request.path, parent, m_config.listingStyle,
                         answer);
    } else {
        m_relay->frame(m.captured(2), *product, m.captured(3), answer);
    }
    return pending;
}

HttpResponse RadarService::folderPage(const QString& path, const QString& parent,
                                      const QList<ListingEntry>& entries) const {
    if (m_faults.listing404)
        return notFound();
    return HttpResponse::html(200, folderListing(path, parent, entries, m_config.listingStyle));
}

QList<ListingEntry> RadarService::folderImages() const {
    QList<ListingEntry> entries;
    const QDir dir(m_config.imageDir);
    const QFileInfoList files = dir.entryInfoList(
        {QStringLiteral("*.gif"), QStringLiteral("*.GIF")}, QDir::Files, QDir::Name);
    for (const QFileInfo& f : files)
        entries.append({f.fileName(), f.lastModified().toSecsSinceEpoch(), f.size()});
    std::sort(entries.begin(), entries.end(),
              [](const ListingEntry& a, const ListingEntry& b) { return a.name < b.name; });
    return entries;
}

HttpResponse RadarService::stationListing(const QString& productCode, const QString& station) {
    if (m_faults.listing404)
        return notFound();
    const Product& product = *findProduct(productCode);
    QList<ListingEntry> entries;
    if (!m_config.imageDir.isEmpty()) {
        entries = folderImages();
        entries = entries.mid(std::max<qsizetype>(0, entries.size() - 10));
    } else {
        for (qint64 t : m_clock.recentImageTimes(10))
            entries.append(
                {imageName(station, product, t), t, generatedImage(station, product, t).size()});
    }
    if (m_faults.noGif) {
        for (ListingEntry& e : entries)
            e.name = withGifRenamed(e.name);
    }
    const QString path = RadarRoot + u"DS." + productCode + u"/SI." + station + u'/';
    const QString parent = RadarRoot + u"DS." + productCode + u'/';
    const qint64 pad = qint64(m_faults.oversizeMiB) * 1024 * 1024;
    HttpResponse r =
        HttpResponse::html(200, folderListing(path, parent, entries, m_config.listingStyle, pad));
    r.addHeader("Cache-Control", "no-cache");
    return r;
}

HttpResponse RadarService::radarImage(const QString& productCode, const QString& station,
                                      const QString& name) {
    const Product* product = findProduct(productCode);
    if (!product || !isKnownStation(station))
        return notFound();
    if (!m_config.imageDir.isEmpty()) {
        for (const ListingEntry& e : folderImages()) {
            if (e.name != name)
                continue;
            QFile f(QDir(m_config.imageDir).filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                break;
            return fileResponse(f.readAll(), "image/gif", e.modifiedUtcSecs, false);
        }
        return notFound();
    }
    const auto t = imageNameTime(name, station, *product);
    if (!t || !m_clock.isServedImageTime(*t))
        return notFound();
    return fileResponse(generatedImage(station, *product, *t), "image/gif", *t, true);
}

HttpResponse RadarService::satelliteListing() {
    QList<ListingEntry> entries;
    const qint64 newest = m_clock.newestImageTime();
    for (int k = 11; k <= 20; ++k) {
        const qint64 t = newest - qint64(20 - k) * m_clock.intervalSecs();
        entries.append({QString::number(k) + u".jpg", t, satelliteImage(t).size()});
    }
    return folderPage(SatelliteFolder, QStringLiteral("/PS/TROP/DATA/RT/FLOAT/"), entries);
}

HttpResponse RadarService::satellite(const QString& name) {
    static const QRegularExpression numbered(QStringLiteral("^(1[1-9]|20)\\.jpg$"));
    if (!numbered.match(name).hasMatch())
        return notFound();
    if (!m_config.imageDir.isEmpty()) {
        QFile f(QDir(m_config.imageDir).filePath(name));
        if (f.open(QIODevice::ReadOnly))
            return fileResponse(f.readAll(), "image/jpeg",
                                QFileInfo(f).lastModified().toSecsSinceEpoch(), false);
    }
    const qint64 t =
        m_clock.newestImageTime() - qint64(20 - name.left(2).toInt()) * m_clock.intervalSecs();
    return fileResponse(satelliteImage(t), "image/jpeg", t, false);
}

QByteArray RadarService::generatedImage(const QString& station, const Product& product,
                                        qint64 utcSecs) {
    const QString key =
        station + u'/' + QLatin1StringView(product.code) + u'/' + QString::number(utcSecs);
    if (auto hit = m_images.find(key))
        return *hit;
    QByteArray gif = m_radar.renderGif(station, product, utcSecs);
    m_images.insert(key, gif);
    return gif;
}

QByteArray RadarService::satelliteImage(qint64 utcSecs) {
    const QString key = u"satellite/" + QString::number(utcSecs);
    if (auto hit = m_images.find(key))
        return *hit;
    QByteArray jpeg = m_satellite.renderJpeg(utcSecs);
    m_images.insert(key, jpeg);
    return jpeg;
}

} // namespace pluvix::radarserver
