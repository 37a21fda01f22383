#pragma once

#include "Catalogue.h"
#include "DiskCache.h"
#include "HttpMessage.h"
#include "Listing.h"
#include "ServerClock.h"
#include "Upstream.h"

#include <QCache>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QUrl>

#include <functional>
#include <map>

namespace pluvix::radarserver::relay {

struct RelayConfig {
    QUrl upstream;        // the archive's root, "https://mesonet.agron.iastate.edu"
    QByteArray userAgent; // names Pluvix and its version
    QString cacheFolder;  // private disk cache of relayed frames; empty for none
    Upstream::Limits limits;
    qint64 diskCacheBytes = 256LL * 1024 * 1024;
    int memoryCacheKiB = 96 * 1024;
};

// The viewer's folders and frames, made from the archive's pictures: listings of the ten
// newest scans and frames drawn like the server's own, asking the archive as little as it can.
class Relay : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(const HttpResponse&)>;

    Relay(const RelayConfig& config, const ServerClock& clock, QObject* parent = nullptr);

    // `path` and `parent` are the viewer's folder and its parent, for the page.
    void listing(const QString& station, const Product& product, const QString& path,
                 const QString& parent, ListingStyle style, Answer answer);
    void frame(const QString& station, const Product& product, const QString& name, Answer answer);

    // How often a folder is asked for at most, and how long its last good answer stands in.
    static constexpr qint64 RefreshMs = 60 * 1000;
    static constexpr qint64 StaleMs = 10 * 60 * 1000;
    static constexpr qint64 MaxListingBytes = 2 * 1024 * 1024;
    static constexpr qint64 MaxPictureBytes = 8 * 1024 * 1024;
    static constexpr int MaxPictureSide = 4096;

private:
    struct Folder {
        qint64 attemptMs = -1;
        qint64 goodMs = -1;
        bool missing = false; // the archive answered 404: no such folder (yet)
        QStringList products;
        QList<qint64> times;
        QString error;
        bool inFlight = false;
        QList<std::function<void(const Folder&)>> waiters;
    };
    struct Source {
        QString site;
        QString product; // upstream folder
        bool fallback = false;
    };
    struct Known {
        Source source;
        QSet<qint64> times;
    };

    void withFolder(const QString& path, const QString& site, const QString& product,
                    std::function<void(const Folder&)> use);
    bool usable(const Folder& f) const;
    void chooseSource(const QString& station, const Product& product,
                      std::function<void(const Source*, const HttpResponse&)> then);
    void collectTimes(const Source& source, std::function<void(QList<qint64>, QString)> then);
    void fetchFrame(const QString& key, const QString& station, const Product& product,
                    const Source& source, qint64 utcSecs);
    HttpResponse renderFrame(const QString& station, const Product& product, const Source& source,
                             qint64 utcSecs, const QByteArray& png, const QByteArray& wld) const;
    void finishFrame(const QString& key, const HttpResponse& response);
    QDate today() const;

    RelayConfig m_config;
    const ServerClock& m_clock;
    Upstream* m_upstream;
    DiskCache m_disk;
    std::map<QString, Folder> m_folders;  // by upstream path; nodes stay put
    QHash<QString, Known> m_known;        // station/product code -> relayed scans
    QCache<QString, QByteArray> m_frames; // cost in KiB
    QHash<QString, QList<Answer>> m_frameWaiters;
    QHash<QString, QPair<qint64, HttpResponse>> m_failedFrames; // not asked again for a while
};

} // namespace pluvix::radarserver::relay
