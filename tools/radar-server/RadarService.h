#pragma once

#include "Faults.h"
#include "HttpMessage.h"
#include "Listing.h"
#include "LruCache.h"
#include "RadarRenderer.h"
#include "SatelliteRenderer.h"
#include "ServerClock.h"

#include <QObject>

#include <functional>
#include <memory>

namespace pluvix::radarserver {

namespace relay {
class Relay;
}

struct ServiceConfig {
    std::uint32_t seed = 0;
    QString imageDir; // serve the .gif files of this folder instead of drawn ones
    ListingStyle listingStyle = ListingStyle::UpperCase;
    int cacheEntries = 200;
    bool cacheHeaders = true; // Cache-Control and Last-Modified on files
};

// An answer that comes later, once the archive has answered the relay.
class PendingResponse {
public:
    void finish(const HttpResponse& response);
    // Called once with the answer, at once when it is already there.
    void onFinished(std::function<void(const HttpResponse&)> deliver);

private:
    bool m_done = false;
    HttpResponse m_response;
    std::function<void(const HttpResponse&)> m_deliver;
};

struct ServiceReply {
    enum class Delivery {
        Normal,
        Truncated, // Content-Length of the whole body, half of it sent, then the connection closes
        Stall,     // nothing is ever sent
        Deferred   // `pending` gives the answer
    };
    HttpResponse response;
    Delivery delivery = Delivery::Normal;
    std::shared_ptr<PendingResponse> pending;
    int latencyMs = 0;
    bool headOnly = false;
};

// Everything the server answers, independent of sockets: the radar folders and images, the
// satellite folder, and the control endpoints that move the clock and switch faults.
class RadarService : public QObject {
    Q_OBJECT
public:
    RadarService(const ServiceConfig& config, ServerClock& clock, const FaultSettings& faults,
                 QObject* parent = nullptr);

    ServiceReply handle(const HttpRequest& request, bool fromLoopback);
    const FaultSettings& faults() const { return m_faults; }
    // Station folders and radar images then come from the archive through `relay`.
    void setRelay(relay::Relay* relay) { m_relay = relay; }
    // "Date:" value at the server's clock.
    QByteArray httpDate() const;

signals:
    // Stalled requests should now be dropped.
    void stallsReleased();

private:
    HttpResponse control(const HttpRequest& request, bool fromLoopback);
    HttpResponse content(const HttpRequest& request);
    std::shared_ptr<PendingResponse> relayed(const HttpRequest& request);
    HttpResponse stationListing(const QString& product, const QString& station);
    HttpResponse radarImage(const QString& product, const QString& station, const QString& name);
    HttpResponse satellite(const QString& name);
    HttpResponse satelliteListing();
    HttpResponse folderPage(const QString& path, const QString& parent,
                            const QList<ListingEntry>& entries) const;
    QList<ListingEntry> folderImages() const;
    QByteArray generatedImage(const QString& station, const Product& product, qint64 utcSecs);
    QByteArray satelliteImage(qint64 utcSecs);

    ServiceConfig m_config;
    ServerClock& m_clock;
    FaultSettings m_faults;
    RadarRenderer m_radar;
    SatelliteRenderer m_satellite;
    LruCache<QString, QByteArray> m_images;
    relay::Relay* m_relay = nullptr;
};

} // namespace pluvix::radarserver
