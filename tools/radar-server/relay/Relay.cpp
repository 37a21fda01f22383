#include "Relay.h"

#include "ArchiveLayout.h"
#include "FrameRenderer.h"
#include "StationPositions.h"
#include "WorldFile.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageReader>
#include <QTimeZone>

#include <memory>

namespace pluvix::radarserver::relay {

using namespace Qt::StringLiterals;

namespace {

constexpr int FramesListed = 10;
constexpr qint64 MaxWorldFileBytes = 4096;
constexpr int MaxFolders = 4000;

HttpResponse plain(int status, const QString& text) {
    return HttpResponse::text(status, text.toUtf8() + '\n');
}

HttpResponse gifResponse(const QByteArray& gif, qint64 utcSecs) {
    HttpResponse r{200, "image/gif", gif, {}};
    r.addHeader("Last-Modified",
                QLocale::c()
                    .toString(QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc()),
                              u"ddd, dd MMM yyyy HH:mm:ss 'GMT'")
                    .toLatin1());
    r.addHeader("Cache-Control", "max-age=86400");
    return r;
}

QDate utcDate(qint64 utcSecs) {
    return QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc()).date();
}

} // namespace

Relay::Relay(const RelayConfig& config, const ServerClock& clock, QObject* parent)
    : QObject(parent), m_config(config), m_clock(clock),
      m_upstream(new Upstream(config.upstream, config.userAgent, config.limits, this)),
      m_disk(config.cacheFolder, config.diskCacheBytes, MaxPictureBytes),
      m_frames(config.memoryCacheKiB) {}

QDate Relay::today() const {
    return utcDate(m_clock.nowMsecs() / 1000);
}

bool Relay::usable(const Folder& f) const {
    return f.goodMs >= 0 && m_clock.nowMsecs() - f.goodMs <= StaleMs;
}

void Relay::withFolder(const QString& path, const QString& site, const QString& product,
                       std::function<void(const Folder&)> use) {
    const qint64 now = m_clock.nowMsecs();
    Folder& f = m_folders[path];
    if (f.inFlight) {
        f.waiters.append(std::move(use));
        return;
    }
    // A clock moved back counts as due, so a test's clock can never stop refreshes for good.
    if (f.attemptMs >= 0 && now >= f.attemptMs && now - f.attemptMs < RefreshMs) {
        use(f);
        return;
    }
    f.inFlight = true;
    f.attemptMs = now;
    f.waiters.append(std::move(use));
    m_upstream->get(path, MaxListingBytes, "text/html",
                    [this, path, site, product](const UpstreamResult& result) {
                        Folder& done = m_folders[path];
                        done.inFlight = false;
                        if (result.ok() || result.status == 404) {
                            done.goodMs = m_clock.nowMsecs();
                            done.missing = !result.ok();
                            done.error.clear();
                            done.products = product.isEmpty() && !done.missing
                                                ? productFolders(result.body)
                                                : QStringList();
                            done.times = !product.isEmpty() && !done.missing
                                             ? frameTimes(result.body, site, product)
                                             : QList<qint64>();
                        } else {
                            done.error = result.error;
                        }
                        const auto waiters = std::exchange(done.waiters, {});
                        for (const auto& w : waiters)
                            w(done);
                    });
}

void Relay::chooseSource(const QString& station, const Product& product,
                         std::function<void(const Source*, const HttpResponse&)> then) {
    const QString site = ridgeSite(station);
    const ProductSource* table = productSource(product.code);
    if (site.isEmpty() || !table || !stationPosition(station)) {
        then(nullptr, plain(404, u"No archive site is known for station " + station));
        return;
    }
    const QDate day = today();
    // Early in a UTC day the station's folder may not exist yet; the day before stands in.
    auto decide = [this, station, site, table, product, then](const Folder& f, bool last,
                                                              auto&& retry) {
        if (!usable(f)) {
            then(nullptr, plain(502, u"The radar archive did not answer: " + f.error));
            return;
        }
        const auto chosen = chooseProduct(*table, f.products);
        if (chosen) {
            Source s{site, chosen->folder, chosen->fallback};
            then(&s, {});
        } else if (!last) {
            retry();
        } else {
            then(nullptr,
                 plain(404, u"The radar archive has no "_s +
                                QLatin1StringView(product.title).toString().toLower() +
                                u" for station " + station + u" (site " + site + u"); it holds: " +
                                (f.products.isEmpty() ? u"nothing"_s : f.products.join(u", "))));
        }
    };
    withFolder(siteFolder(day, site), site, {}, [=, this](const Folder& f) {
        decide(f, false, [=, this] {
            withFolder(siteFolder(day.addDays(-1), site), site, {},
                       [=](const Folder& g) { decide(g, true, [] {}); });
        });
    });
}

void Relay::collectTimes(const Source& source, std::function<void(QList<qint64>, QString)> then) {
    const QDate day = today();
    withFolder(productFolder(day, source.site, source.product), source.site, source.product,
               [=, this](const Folder& f) {
                   if (!usable(f)) {
                       then({}, f.error);
                       return;
                   }
                   if (f.times.size() >= FramesListed) {
                       then(f.times.mid(f.times.size() - FramesListed), {});
                       return;
                   }
                   const QList<qint64> newer = f.times;
                   withFolder(productFolder(day.addDays(-1), source.site, source.product),
                              source.site, source.product, [=, this](const Folder& g) {
                                  if (!usable(g)) {
                                      then({}, g.error);
                                      return;
                                  }
                                  const QList<qint64> all = g.times + newer;
                                  then(all.mid(std::max<qsizetype>(0, all.size() - FramesListed)),
                                       {});
                              });
               });
}

void Relay::listing(const QString& station, const Product& product, const QString& path,
                    const QString& parent, ListingStyle style, Answer answer) {
    const qint64 now = m_clock.nowMsecs();
    if (m_folders.size() > MaxFolders) {
        std::erase_if(m_folders, [now](const auto& entry) {
            return !entry.second.inFlight && now - entry.second.attemptMs > StaleMs;
        });
    }
    chooseSource(station, product, [=, this](const Source* chosen, const HttpResponse& failed) {
        if (!chosen) {
            answer(failed);
            return;
        }
        const Source source = *chosen;
        collectTimes(source, [=, this](const QList<qint64>& times, const QString& error) {
            if (!error.isEmpty()) {
                answer(plain(502, u"The radar archive did not answer: " + error));
                return;
            }
            Known& known = m_known[station + u'/' + QLatin1StringView(product.code)];
            if (known.source.product != source.product)
                known = {source, {}};
            if (known.times.size() > 200)
                known.times.clear();
            QList<ListingEntry> entries;
            for (qint64 t : times) {
                known.times.insert(t);
                const QString name = imageName(station, product, t);
                const QByteArray* cached =
                    m_frames.object(QLatin1StringView(product.code) + u'/' + name);
                entries.append({name, t, cached ? cached->size() : -1});
            }
            QString note = u"archive "_s + source.site + u' ' + source.product;
            if (source.fallback)
                note += u" in place of "_s + QLatin1StringView(product.title).toString().toLower();
            HttpResponse r =
                HttpResponse::html(200, folderListing(path, parent, entries, style, 0, note));
            r.addHeader("Cache-Control", "no-cache");
            answer(r);
        });
    });
}

void Relay::frame(const QString& station, const Product& product, const QString& name,
                  Answer answer) {
    const auto t = imageNameTime(name, station, product);
    if (!t) {
        answer(plain(404, u"No such frame: " + name));
        return;
    }
    const QString key = QLatin1StringView(product.code) + u'/' + name;
    if (const QByteArray* gif = m_frames.object(key)) {
        answer(gifResponse(*gif, *t));
        return;
    }
    const QString diskName = QLatin1StringView(product.code) + u'-' + name;
    if (auto gif = m_disk.find(diskName)) {
        m_frames.insert(key, new QByteArray(*gif), int(gif->size() / 1024 + 1));
        answer(gifResponse(*gif, *t));
        return;
    }
    const auto known = m_known.constFind(station + u'/' + QLatin1StringView(product.code));
    if (known == m_known.cend() || !known->times.contains(*t)) {
        answer(plain(404, u"Not a frame of the relayed listings: " + name));
        return;
    }
    if (const auto failed = m_failedFrames.constFind(key);
        failed != m_failedFrames.cend() && m_clock.nowMsecs() - failed->first < RefreshMs) {
        answer(failed->second);
        return;
    }
    auto& waiters = m_frameWaiters[key];
    waiters.append(std::move(answer));
    if (waiters.size() == 1)
        fetchFrame(key, station, product, known->source, *t);
}

void Relay::fetchFrame(const QString& key, const QString& station, const Product& product,
                       const Source& source, qint64 utcSecs) {
    struct Parts {
        UpstreamResult png, wld;
        int pending = 2;
    };
    auto parts = std::make_shared<Parts>();
    const QString folder = productFolder(utcDate(utcSecs), source.site, source.product);
    auto done = [=, this] {
        if (--parts->pending > 0)
            return;
        HttpResponse r;
        if (!parts->png.ok())
            r = plain(502, u"The radar archive's picture failed: " + parts->png.error);
        else if (!parts->wld.ok())
            r = plain(502, u"The radar archive's world file failed: " + parts->wld.error);
        else
            r = renderFrame(station, product, source, utcSecs, parts->png.body, parts->wld.body);
        if (r.status == 200) {
            m_disk.insert(QLatin1StringView(product.code) + u'-' + key.section(u'/', 1), r.body);
            m_frames.insert(key, new QByteArray(r.body), int(r.body.size() / 1024 + 1));
            r = gifResponse(r.body, utcSecs);
        } else {
            m_failedFrames.insert(key, {m_clock.nowMsecs(), r});
        }
        finishFrame(key, r);
    };
    m_upstream->get(folder + frameFile(source.site, source.product, utcSecs, u".png"),
                    MaxPictureBytes, "image/png", [=](const UpstreamResult& r) {
                        parts->png = r;
                        done();
                    });
    m_upstream->get(folder + frameFile(source.site, source.product, utcSecs, u".wld"),
                    MaxWorldFileBytes, {}, [=](const UpstreamResult& r) {
                        parts->wld = r;
                        done();
                    });
}

HttpResponse Relay::renderFrame(const QString& station, const Product& product,
                                const Source& source, qint64 utcSecs, const QByteArray& png,
                                const QByteArray& wld) const {
    QString reason;
    FrameInput in{};
    in.world = WorldFile::parse(wld, &reason);
    if (!in.world.isValid())
        return plain(502, u"The radar archive's world file is unusable: " + reason);
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    // The header's word is taken before any pixel is decoded.
    if (!size.isValid() || size.width() > MaxPictureSide || size.height() > MaxPictureSide)
        return plain(502, u"The radar archive's picture is refused: its header gives %1 x %2 "
                          u"pixels, over %3 x %3 or unreadable"_s.arg(size.width())
                              .arg(size.height())
                              .arg(MaxPictureSide));
    if (const QString problem = in.world.extentProblem(size); !problem.isEmpty())
        return plain(502, u"The radar archive's world file is unusable: " + problem);
    in.upstream = reader.read();
    if (in.upstream.isNull())
        return plain(502, u"The radar archive's picture does not decode: " + reader.errorString());
    const Position site = *stationPosition(station);
    in.siteLatitude = site.latitude;
    in.siteLongitude = site.longitude;
    const bool shortRange = product.range == RangeClass::Short;
    in.milesAcross = 225.0 / (shortRange ? 0.721 : 0.319);
    in.countyLines = shortRange;
    in.stationTitle = station;
    in.productTitle = QLatin1StringView(product.title) + u" (" + source.product + u')';
    in.validUtc = QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc());
    QByteArray gif = renderFrameGif(in);
    if (gif.isEmpty())
        return plain(502, u"The radar archive's picture could not be placed around the site"_s);
    return {200, "image/gif", gif, {}};
}

void Relay::finishFrame(const QString& key, const HttpResponse& response) {
    const QList<Answer> waiters = m_frameWaiters.take(key);
    for (const Answer& a : waiters)
        a(response);
    if (m_failedFrames.size() > 1000)
        m_failedFrames.clear();
}

} // namespace pluvix::radarserver::relay
