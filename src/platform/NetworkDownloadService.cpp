#include "platform/NetworkDownloadService.h"

#include "platform/ImageCache.h"
#include "platform/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace pluvix::platform {

using Failure = DownloadResult::Failure;
using namespace std::chrono_literals;

namespace {

DownloadResult failed(Failure kind, QString message, int httpStatus = 0) {
    DownloadResult r;
    r.ok = false;
    r.failure = kind;
    r.httpStatus = httpStatus;
    r.message = std::move(message);
    return r;
}

// Room for about a thousand radar pictures, well above the longest history.
constexpr qint64 imageCacheCap = qint64(64) * 1024 * 1024;
// What the kept pictures leave free on their disk: the temporary picture and its replacement at
// their largest, and the listing.
constexpr qint64 cacheFreeMargin = 2 * imageByteCap + listingByteCap;

// Why the worker itself aborted a reply; the reply only says "cancelled".
enum class AbortReason { None, TooLarge, TotalTimeout, TooSlow, Cancelled };

// What the network layer may hold for one reply before it stops reading the socket; without it a
// body with no announced length piles up in memory faster than the cap can stop it.
constexpr qint64 replyBufferBytes = 256 * 1024;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
        return true;
    default:
        return false;
    }
}

// While a download waits, input that reaches the thread's objects is kept for later and timer
// ticks are dropped (a dropped tick of a running timer comes again at its next interval). A
// window's close is kept too, so that no window closes in the middle of a download; refused here,
// it leaves the window open until it is carried out.
class WaitFilter final : public QObject {
public:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() == QEvent::Timer)
            return true;
        if (!isInput(event->type()) && event->type() != QEvent::Close)
            return false;
        held.push_back({receiver, event->clone()});
        event->ignore();
        return true;
    }
    std::vector<std::pair<QPointer<QObject>, QEvent*>> held;
};

WaitFilter& waitFilter() {
    static WaitFilter filter;
    return filter;
}

} // namespace

namespace detail {

// Replaces the file in one step: readers see the old content or the whole new one. The file
// is a scratch copy, so it is not forced to disk (that cost more than the transfer). Gives the
// errno of a failure, 0 on success.
int replaceFile(const QString& path, const QByteArray& bytes) {
    QTemporaryFile temp(path + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(true);
    errno = 0;
    if (!temp.open())
        return errno != 0 ? errno : EACCES;
    if (temp.write(bytes) != bytes.size() || !temp.flush())
        return errno != 0 ? errno : EIO;
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (::rename(QFile::encodeName(temp.fileName()).constData(),
                 QFile::encodeName(path).constData()) != 0)
        return errno;
    temp.setAutoRemove(false);
    return 0;
}

struct Transfer {
    QUrl url;
    qint64 cap = 0;
    CachePolicy cache = CachePolicy::PreferNetwork;
    int inactivityMs = 0;
    int totalMs = 0;
    int rateWindowMs = 0;
    qint64 minBytesPerWindow = 0;
    qint64 received = 0;        // worker only
    qint64 receivedAtCheck = 0; // worker only

    std::mutex mutex;
    std::condition_variable cond;
    bool spread = false; // may use the second connection pool
    bool done = false;   // guarded by mutex; result and body are final once it is set
    DownloadResult result;
    QByteArray body;
};

class DownloadEngine {
public:
    DownloadEngine(const QString& cacheDirectory, NetworkDownloadService::BodyCheck keepable);
    ~DownloadEngine();

    std::shared_ptr<Transfer> start(const QUrl& url, qint64 cap, CachePolicy cache,
                                    bool spread = false);
    void cancel(const std::shared_ptr<Transfer>& t);
    void removeFromCache(const QUrl& url);
    // Caller's thread: lets the image cache free room for a file of that size.
    void giveBackRoom(qint64 bytes);
    // Caller's thread: waits for the transfer, then writes its body into localFile; keepBody
    // leaves the body for another finishInto.
    DownloadResult finishInto(const std::shared_ptr<Transfer>& t, const QString& localFile,
                              bool keepBody = false);

    std::atomic<int> inactivityMs{30'000};
    std::atomic<int> totalMs{600'000};
    std::atomic<int> rateWindowMs{30'000};
    std::atomic<qint64> minBytesPerWindow{1024};
    std::function<void()> waitHook = &NetworkDownloadService::deliverRepaintRequests;
    // Caller's thread only.
    std::function<bool()> interruptionCheck;
    std::function<void()> onInterrupted;
    bool interrupted = false;

    bool checkInterrupted();

private:
    // Worker thread only.
    void begin(const std::shared_ptr<Transfer>& t);
    void complete(Transfer& t, DownloadResult result);
    DownloadResult classify(QNetworkReply* reply, AbortReason reason, const Transfer& t) const;

    QThread m_thread;
    QObject* m_context = nullptr;
    QNetworkAccessManager* m_nam = nullptr;
    // A manager opens at most six connections per server; a batch spreads over a second one
    // so that ten images travel in one round.
    QNetworkAccessManager* m_spreadNam = nullptr;
    bool m_spreadNext = false;
    std::unique_ptr<ImageCache> m_images;         // answers PreferCache requests before the network
    NetworkDownloadService::BodyCheck m_keepable; // empty: every whole body may be kept
    QHash<Transfer*, QNetworkReply*> m_active;
    QHash<QNetworkReply*, AbortReason> m_reasons;
};

DownloadEngine::DownloadEngine(const QString& cacheDirectory,
                               NetworkDownloadService::BodyCheck keepable)
    : m_keepable(std::move(keepable)) {
    m_thread.setObjectName(QStringLiteral("downloads"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_context,
        [this, cacheDirectory] {
            m_nam = new QNetworkAccessManager(m_context);
            m_spreadNam = new QNetworkAccessManager(m_context);
            // A cache folder that is a link or someone else's is neither used nor changed.
            const QString batchDirectory = cacheDirectory + QStringLiteral("/batch");
            if (cacheDirectory.isEmpty() || !QDir().mkpath(QFileInfo(cacheDirectory).path()) ||
                !makePrivateFolder(cacheDirectory) || !makePrivateFolder(batchDirectory))
                return;
            m_images = std::make_unique<ImageCache>(
                cacheDirectory + QStringLiteral("/images"),
                ImageCache::Limits{imageCacheCap, imageByteCap, cacheFreeMargin});
            auto* cache = new QNetworkDiskCache(m_nam);
            cache->setCacheDirectory(cacheDirectory);
            m_nam->setCache(cache);
            auto* batchCache = new QNetworkDiskCache(m_spreadNam);
            batchCache->setCacheDirectory(batchDirectory);
            m_spreadNam->setCache(batchCache);
        },
        Qt::BlockingQueuedConnection);
}

DownloadEngine::~DownloadEngine() {
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            const auto replies = m_active.values();
            for (QNetworkReply* reply : replies) {
                m_reasons.insert(reply, AbortReason::Cancelled);
                reply->abort();
            }
            delete m_context;
            m_context = nullptr;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

std::shared_ptr<Transfer> DownloadEngine::start(const QUrl& url, qint64 cap, CachePolicy cache,
                                                bool spread) {
    auto t = std::make_shared<Transfer>();
    t->spread = spread;
    t->url = url;
    t->cap = cap;
    t->cache = cache;
    t->inactivityMs = inactivityMs.load();
    t->totalMs = totalMs.load();
    t->rateWindowMs = rateWindowMs.load();
    t->minBytesPerWindow = minBytesPerWindow.load();
    QMetaObject::invokeMethod(
        m_context, [this, t] { begin(t); }, Qt::QueuedConnection);
    return t;
}

void DownloadEngine::cancel(const std::shared_ptr<Transfer>& t) {
    QMetaObject::invokeMethod(
        m_context,
        [this, t] {
            if (QNetworkReply* reply = m_active.value(t.get())) {
                m_reasons.insert(reply, AbortReason::Cancelled);
                reply->abort();
            }
        },
        Qt::QueuedConnection);
}

void DownloadEngine::removeFromCache(const QUrl& url) {
    QMetaObject::invokeMethod(
        m_context,
        [this, url] {
            for (QNetworkAccessManager* nam : {m_nam, m_spreadNam})
                if (QAbstractNetworkCache* cache = nam->cache())
                    cache->remove(url);
            if (m_images)
                m_images->remove(url);
        },
        Qt::BlockingQueuedConnection);
}

void DownloadEngine::giveBackRoom(qint64 bytes) {
    QMetaObject::invokeMethod(
        m_context,
        [this, bytes] {
            if (m_images)
                m_images->giveBack(bytes);
        },
        Qt::BlockingQueuedConnection);
}

void DownloadEngine::begin(const std::shared_ptr<Transfer>& t) {
    const QString scheme = t->url.scheme().toLower();
    if (!t->url.isValid() || t->url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        complete(*t, failed(Failure::Other,
                            QStringLiteral("Not an HTTP address: ") + t->url.toDisplayString()));
        return;
    }

    if (t->cache == CachePolicy::PreferCache && m_images) {
        auto body = m_images->find(t->url);
        // A copy kept before the check was as strict as now is asked for again, once.
        if (body && m_keepable && !m_keepable(*body)) {
            m_images->remove(t->url);
            body.reset();
        }
        if (body && (t->cap <= 0 || body->size() <= t->cap)) {
            t->body = std::move(*body);
            DownloadResult kept;
            kept.ok = true;
            kept.failure = Failure::None;
            kept.httpStatus = 200;
            kept.bytes = t->body.size();
            complete(*t, std::move(kept));
            return;
        }
    }

    QNetworkRequest request(t->url);
    switch (t->cache) {
    case CachePolicy::AlwaysNetwork:
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        // A copy that is never read back only takes room.
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        break;
    case CachePolicy::PreferNetwork:
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::PreferNetwork);
        break;
    case CachePolicy::PreferCache:
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::PreferCache);
        // The image cache keeps it.
        if (m_images)
            request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        break;
    }
    request.setTransferTimeout(t->inactivityMs);
    // A compressed body could inflate without end behind the caps, which count what arrives;
    // asking for one ourselves also keeps the network layer from inflating anything.
    request.setRawHeader("Accept-Encoding", "identity");

    QNetworkAccessManager* nam = m_nam;
    if (t->spread) {
        nam = m_spreadNext ? m_spreadNam : m_nam;
        m_spreadNext = !m_spreadNext;
    }
    QNetworkReply* reply = nam->get(request);
    reply->setReadBufferSize(replyBufferBytes);
    m_active.insert(t.get(), reply);
    m_reasons.insert(reply, AbortReason::None);

    // Aborting inside the reply's own signals confuses its error reporting, so the abort waits
    // for the next turn of the worker's loop; the reason is recorded at once.
    auto abortFor = [this, reply](AbortReason why) {
        if (m_reasons.value(reply) != AbortReason::None)
            return;
        m_reasons.insert(reply, why);
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    };

    auto* total = new QTimer(reply);
    total->setSingleShot(true);
    QObject::connect(total, &QTimer::timeout, reply,
                     [abortFor] { abortFor(AbortReason::TotalTimeout); });
    total->start(t->totalMs);

    Transfer* raw = t.get();
    auto* rate = new QTimer(reply);
    QObject::connect(rate, &QTimer::timeout, reply, [raw, abortFor] {
        if (raw->received - raw->receivedAtCheck < raw->minBytesPerWindow)
            abortFor(AbortReason::TooSlow);
        raw->receivedAtCheck = raw->received;
    });
    rate->start(t->rateWindowMs);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [raw](qint64 received, qint64) { raw->received = received; });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, raw, abortFor] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (raw->cap > 0 && length.isValid() && length.toLongLong() > raw->cap)
            abortFor(AbortReason::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply, raw, abortFor] {
        // Being aborted: what still arrives stays in the bounded reply buffer until the abort.
        if (m_reasons.value(reply) != AbortReason::None)
            return;
        if (raw->cap <= 0) {
            raw->body += reply->readAll();
            return;
        }
        raw->body += reply->read(raw->cap + 1 - raw->body.size());
        if (raw->body.size() > raw->cap)
            abortFor(AbortReason::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, t] {
        const AbortReason reason = m_reasons.take(reply);
        m_active.remove(t.get());
        if (reason == AbortReason::None && reply->isOpen())
            t->body += t->cap > 0 ? reply->read(t->cap + 1 - t->body.size()) : reply->readAll();
        DownloadResult result = classify(reply, reason, *t);
        // Copied before complete() hands the body to the caller; checked and stored after, off
        // its path. Only a body that passes the check is kept: a bad answer is asked for again.
        const QByteArray keep =
            result.ok && t->cache == CachePolicy::PreferCache && m_images ? t->body : QByteArray();
        complete(*t, std::move(result));
        if (!keep.isNull() && (!m_keepable || m_keepable(keep)))
            m_images->insert(t->url, keep);
        reply->deleteLater();
    });
}

DownloadResult DownloadEngine::classify(QNetworkReply* reply, AbortReason reason,
                                        const Transfer& t) const {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString where = t.url.toDisplayString();
    if (status != 0 && (status < 200 || status > 299))
        return failed(Failure::HttpStatus,
                      QStringLiteral("HTTP status %1 for %2").arg(status).arg(where), status);
    switch (reason) {
    case AbortReason::TooLarge:
        return failed(Failure::TooLarge,
                      QStringLiteral("More than %1 bytes at %2").arg(t.cap).arg(where), status);
    case AbortReason::TotalTimeout:
        return failed(Failure::Timeout, QStringLiteral("Transfer took too long: ") + where, status);
    case AbortReason::TooSlow:
        return failed(Failure::Timeout, QStringLiteral("Transfer too slow: ") + where, status);
    case AbortReason::Cancelled:
        return failed(Failure::Other, QStringLiteral("Transfer cancelled: ") + where, status);
    case AbortReason::None:
        break;
    }

    switch (reply->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::OperationCanceledError: // the inactivity timer aborts this way
    case QNetworkReply::TimeoutError:
        return failed(Failure::Timeout, QStringLiteral("No data for too long: ") + where, status);
    case QNetworkReply::ConnectionRefusedError:
        return failed(Failure::Refused, reply->errorString());
    case QNetworkReply::HostNotFoundError:
        return failed(Failure::HostNotFound, reply->errorString());
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProtocolFailure:
        if (status != 0)
            return failed(Failure::Truncated, reply->errorString(), status);
        return failed(Failure::Other, reply->errorString());
    default:
        return failed(Failure::Other, reply->errorString(), status);
    }

    if (status == 0)
        return failed(Failure::Other, QStringLiteral("No HTTP answer from ") + where);
    // Nothing is inflated here (see begin()), so the announced length is the body's.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() != t.body.size())
        return failed(Failure::Truncated,
                      QStringLiteral("%1 of %2 bytes from %3")
                          .arg(t.body.size())
                          .arg(length.toLongLong())
                          .arg(where),
                      status);
    if (t.cap > 0 && t.body.size() > t.cap)
        return failed(Failure::TooLarge,
                      QStringLiteral("More than %1 bytes at %2").arg(t.cap).arg(where), status);

    DownloadResult ok;
    ok.ok = true;
    ok.failure = Failure::None;
    ok.httpStatus = status;
    ok.bytes = t.body.size();
    return ok;
}

void DownloadEngine::complete(Transfer& t, DownloadResult result) {
    if (!result.ok)
        t.body.clear();
    {
        std::lock_guard lock(t.mutex);
        t.result = std::move(result);
        t.done = true;
    }
    t.cond.notify_all();
}

bool DownloadEngine::checkInterrupted() {
    if (interrupted || !interruptionCheck || !interruptionCheck())
        return interrupted;
    interrupted = true;
    if (onInterrupted)
        onInterrupted();
    return true;
}

DownloadResult DownloadEngine::finishInto(const std::shared_ptr<Transfer>& t,
                                          const QString& localFile, bool keepBody) {
    auto interruptedResult = [&] {
        cancel(t);
        return failed(Failure::Interrupted,
                      QStringLiteral("Program ending: ") + t->url.toDisplayString());
    };
    if (checkInterrupted())
        return interruptedResult();
    // The worker ends every transfer within its total limit; this only guards against a stuck
    // worker.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(t->totalMs) + 15s;
    {
        std::unique_lock lock(t->mutex);
        while (!t->cond.wait_for(lock, 15ms, [&] { return t->done; })) {
            if (std::chrono::steady_clock::now() > deadline) {
                lock.unlock();
                NetworkDownloadService::releaseHeldEvents();
                cancel(t);
                return failed(Failure::Timeout,
                              QStringLiteral("Transfer did not end: ") + t->url.toDisplayString());
            }
            lock.unlock();
            if (checkInterrupted()) {
                NetworkDownloadService::dropHeldEvents();
                return interruptedResult();
            }
            if (waitHook)
                waitHook();
            lock.lock();
        }
    }
    // The last turn of the hook may have taken in the close that ends the program.
    if (checkInterrupted()) {
        NetworkDownloadService::dropHeldEvents();
        return interruptedResult();
    }

    NetworkDownloadService::releaseHeldEvents();
    DownloadResult result = t->result;
    if (!result.ok)
        return result;

    int error = replaceFile(localFile, t->body);
    // The kept pictures make room for the file they may have crowded out.
    if (error == ENOSPC || error == EDQUOT) {
        giveBackRoom(t->body.size());
        error = replaceFile(localFile, t->body);
    }
    if (!keepBody)
        t->body = QByteArray();
    if (error != 0) {
        DownloadResult local = failed(
            Failure::LocalFile, QStringLiteral("Cannot write ") + localFile, result.httpStatus);
        local.localFile = localFile;
        local.localReason = QString::fromLocal8Bit(std::strerror(error));
        return local;
    }
    return result;
}

namespace {

class NetworkBatch final : public DownloadBatch {
public:
    NetworkBatch(std::shared_ptr<DownloadEngine> engine,
                 std::vector<std::shared_ptr<Transfer>> transfers)
        : m_engine(std::move(engine)), m_transfers(std::move(transfers)) {}

    ~NetworkBatch() override {
        for (std::size_t i = m_next; i < m_transfers.size(); ++i)
            m_engine->cancel(m_transfers[i]);
    }

    DownloadResult takeNext(const QString& localFile) override {
        if (m_cancelled)
            return failed(Failure::Other, QStringLiteral("Batch cancelled"));
        if (m_next >= m_transfers.size())
            return failed(Failure::Other, QStringLiteral("No transfer left in the batch"));
        std::shared_ptr<Transfer> t = std::move(m_transfers[m_next]);
        ++m_next;
        return m_engine->finishInto(t, localFile);
    }

    int remaining() const override { return int(m_transfers.size() - m_next); }

    DownloadResult take(int index, const QString& localFile) override {
        if (m_cancelled)
            return failed(Failure::Other, QStringLiteral("Batch cancelled"));
        if (index < int(m_next) || index >= int(m_transfers.size()))
            return failed(Failure::Other, QStringLiteral("No such transfer left in the batch"));
        return m_engine->finishInto(m_transfers[std::size_t(index)], localFile, true);
    }

    void cancel() override {
        for (std::size_t i = m_next; i < m_transfers.size(); ++i)
            m_engine->cancel(m_transfers[i]);
        m_cancelled = true;
    }

private:
    std::shared_ptr<DownloadEngine> m_engine;
    std::vector<std::shared_ptr<Transfer>> m_transfers;
    std::size_t m_next = 0;
    bool m_cancelled = false;
};

} // namespace
} // namespace detail

NetworkDownloadService::NetworkDownloadService(const QString& cacheDirectory, BodyCheck keepable)
    : m_engine(std::make_shared<detail::DownloadEngine>(cacheDirectory, std::move(keepable))) {}

NetworkDownloadService::~NetworkDownloadService() = default;

void NetworkDownloadService::setTransferTimeout(std::chrono::milliseconds inactivity) {
    m_engine->inactivityMs = int(inactivity.count());
}

void NetworkDownloadService::setTotalTimeout(std::chrono::milliseconds total) {
    m_engine->totalMs = int(total.count());
}

void NetworkDownloadService::setMinimumRate(qint64 minBytes, std::chrono::milliseconds window) {
    m_engine->minBytesPerWindow = minBytes;
    m_engine->rateWindowMs = int(window.count());
}

void NetworkDownloadService::setInterruption(std::function<bool()> check,
                                             std::function<void()> onInterrupted) {
    m_engine->interruptionCheck = std::move(check);
    m_engine->onInterrupted = std::move(onInterrupted);
}

void NetworkDownloadService::setWaitHook(std::function<void()> hook) {
    m_engine->waitHook = std::move(hook);
}

void NetworkDownloadService::deliverRepaintRequests() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return;
    // Exposing a newly mapped window (the splash) needs the window system's events, not only
    // posted repaints; the filter holds input and closes back and skips timers. The window
    // system's input is read too: the window manager's close travels with it, and must be seen
    // while a download stalls.
    app->installEventFilter(&waitFilter());
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    app->removeEventFilter(&waitFilter());
}

bool NetworkDownloadService::closeHeld(const QObject* window) {
    const auto& held = waitFilter().held;
    return window && std::any_of(held.begin(), held.end(), [window](const auto& entry) {
               return entry.first == window && entry.second->type() == QEvent::Close;
           });
}

void NetworkDownloadService::dropHeldEvents() {
    auto held = std::move(waitFilter().held);
    waitFilter().held.clear();
    for (auto& entry : held)
        delete entry.second;
}

void NetworkDownloadService::releaseHeldEvents() {
    auto held = std::move(waitFilter().held);
    waitFilter().held.clear();
    for (auto& [receiver, event] : held) {
        if (receiver)
            QCoreApplication::postEvent(receiver, event);
        else
            delete event;
    }
}

void NetworkDownloadService::deleteCacheEntry(const QUrl& url) {
    m_engine->removeFromCache(url);
}

DownloadResult NetworkDownloadService::download(const QUrl& url, const QString& localFile,
                                                qint64 maxBytes, CachePolicy cache) {
    return m_engine->finishInto(m_engine->start(url, maxBytes, cache), localFile);
}

std::unique_ptr<DownloadBatch> NetworkDownloadService::startBatch(const QList<QUrl>& urls,
                                                                  qint64 maxBytesEach,
                                                                  CachePolicy cache,
                                                                  qsizetype first) {
    // The server answers in the order the requests reach it.
    std::vector<std::shared_ptr<detail::Transfer>> transfers(std::size_t(urls.size()));
    for (qsizetype k = 0; k < urls.size(); ++k) {
        const qsizetype i = (first + k) % urls.size();
        transfers[std::size_t(i)] = m_engine->start(urls[i], maxBytesEach, cache, true);
    }
    return std::make_unique<detail::NetworkBatch>(m_engine, std::move(transfers));
}

} // namespace pluvix::platform
