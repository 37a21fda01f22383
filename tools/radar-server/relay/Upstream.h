#pragma once

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace pluvix::radarserver::relay {

struct UpstreamResult {
    int status = 0;  // HTTP status; 0 when no answer came
    QByteArray body; // only on a 200 within the limits
    QString error;   // empty on success: what failed, for the 502 body
    bool ok() const { return error.isEmpty(); }
};

// The one way out to the archive: a few requests at a time, bounded in time and size, only to
// its own host.
class Upstream : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int parallel = 4;
        int connectMs = 10000; // until the answer's head arrives
        int totalMs = 30000;
    };
    Upstream(const QUrl& root, const QByteArray& userAgent, QObject* parent = nullptr);
    Upstream(const QUrl& root, const QByteArray& userAgent, Limits limits,
             QObject* parent = nullptr);

    // GET root + path. A body over `maxBytes` or a content type not starting with
    // `contentType` (when given) fails.
    void get(const QString& path, qint64 maxBytes, const QByteArray& contentType,
             std::function<void(const UpstreamResult&)> done);

    QString describe(const QString& path) const { return m_root.host() + path; }

private:
    struct Job {
        QUrl url;
        qint64 maxBytes;
        QByteArray contentType;
        std::function<void(const UpstreamResult&)> done;
        int redirects = 0;
    };
    void startNext();
    void start(Job job);

    QUrl m_root;
    QByteArray m_userAgent;
    Limits m_limits;
    QNetworkAccessManager* m_network;
    QQueue<Job> m_waiting;
    int m_running = 0;
};

} // namespace pluvix::radarserver::relay
