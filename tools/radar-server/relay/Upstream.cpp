#include "Upstream.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace pluvix::radarserver::relay {

using namespace Qt::StringLiterals;

namespace {
constexpr int MaxRedirects = 3;
} // namespace

Upstream::Upstream(const QUrl& root, const QByteArray& userAgent, QObject* parent)
    : Upstream(root, userAgent, Limits{}, parent) {}

Upstream::Upstream(const QUrl& root, const QByteArray& userAgent, Limits limits, QObject* parent)
    : QObject(parent), m_root(root), m_userAgent(userAgent), m_limits(limits),
      m_network(new QNetworkAccessManager(this)) {
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

void Upstream::get(const QString& path, qint64 maxBytes, const QByteArray& contentType,
                   std::function<void(const UpstreamResult&)> done) {
    QUrl url = m_root;
    url.setPath(m_root.path(QUrl::FullyEncoded).chopped(m_root.path().endsWith(u'/') ? 1 : 0) +
                    path,
                QUrl::TolerantMode);
    m_waiting.enqueue({url, maxBytes, contentType, std::move(done)});
    startNext();
}

void Upstream::startNext() {
    while (m_running < m_limits.parallel && !m_waiting.isEmpty())
        start(m_waiting.dequeue());
}

void Upstream::start(Job job) {
    ++m_running;
    QNetworkRequest request(job.url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    // Asked uncompressed, so the size limits count what is really held.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = m_network->get(request);

    struct State {
        QByteArray body;
        QString error;
        bool headSeen = false;
    };
    auto state = std::make_shared<State>();
    auto fail = [reply, state](const QString& why) {
        if (state->error.isEmpty())
            state->error = why;
        reply->abort();
    };
    auto* connectTimer = new QTimer(reply);
    connectTimer->setSingleShot(true);
    connect(connectTimer, &QTimer::timeout, reply,
            [fail, ms = m_limits.connectMs] { fail(u"no answer within %1 s"_s.arg(ms / 1000)); });
    connectTimer->start(m_limits.connectMs);
    auto* totalTimer = new QTimer(reply);
    totalTimer->setSingleShot(true);
    connect(totalTimer, &QTimer::timeout, reply,
            [fail, ms = m_limits.totalMs] { fail(u"not complete within %1 s"_s.arg(ms / 1000)); });
    totalTimer->start(m_limits.totalMs);

    connect(reply, &QNetworkReply::metaDataChanged, reply, [=] {
        state->headSeen = true;
        connectTimer->stop();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > job.maxBytes)
            fail(u"answer of %1 bytes is over the %2-byte limit"_s.arg(length.toLongLong())
                     .arg(job.maxBytes));
    });
    connect(reply, &QNetworkReply::readyRead, reply, [=] {
        state->body += reply->read(job.maxBytes + 1 - state->body.size());
        if (state->body.size() > job.maxBytes)
            fail(u"answer is over the %1-byte limit"_s.arg(job.maxBytes));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, state, job]() mutable {
        reply->deleteLater();
        --m_running;
        UpstreamResult result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QString where = job.url.toDisplayString(QUrl::RemoveUserInfo);
        if (!state->error.isEmpty()) {
            result.error = state->error;
        } else if (result.status >= 300 && result.status < 400) {
            const QUrl to =
                job.url.resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
            if (to.host() != m_root.host() || to.scheme() != m_root.scheme() ||
                to.port() != m_root.port())
                result.error = u"redirected to another host (" + to.host() + u')';
            else if (job.redirects >= MaxRedirects)
                result.error = u"too many redirects"_s;
            else {
                job.url = to;
                ++job.redirects;
                m_waiting.prepend(std::move(job));
                startNext();
                return;
            }
        } else if (reply->error() != QNetworkReply::NoError && result.status == 0) {
            result.error = reply->errorString();
        } else if (result.status != 200) {
            result.error = u"answered %1"_s.arg(result.status);
        } else if (!job.contentType.isEmpty() && !reply->header(QNetworkRequest::ContentTypeHeader)
                                                      .toByteArray()
                                                      .toLower()
                                                      .startsWith(job.contentType)) {
            result.error = u"answered with content type \"" +
                           reply->header(QNetworkRequest::ContentTypeHeader).toString() +
                           u"\", not " + QString::fromLatin1(job.contentType);
        } else {
            state->body += reply->read(job.maxBytes + 1 - state->body.size());
            if (state->body.size() > job.maxBytes)
                result.error = u"answer is over the %1-byte limit"_s.arg(job.maxBytes);
            else
                result.body = std::move(state->body);
        }
        if (!result.error.isEmpty())
            result.error = where + u": " + result.error;
        job.done(result);
        startNext();
    });
}

} // namespace pluvix::radarserver::relay
