#pragma once

#include "platform/DownloadService.h"

#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace pluvix::platform {

namespace detail {
class DownloadEngine;
}

// HTTP downloads on a worker thread with its own network manager and disk cache. The calling
// thread blocks in each call; while it waits it runs only the wait hook, which by default lets
// windows be exposed and painted and holds back input, closes and timers, so no input, no close
// and no timer of the caller's thread is handled in the middle of a download.
class NetworkDownloadService final : public DownloadService {
public:
    // Whether a body may be kept for CachePolicy::PreferCache. Runs on the worker thread.
    using BodyCheck = std::function<bool(const QByteArray&)>;

    // cacheDirectory: where the disk cache lives; empty for no disk cache. Only bodies that
    // pass `keepable` enter the image cache, and a kept one that no longer passes is fetched
    // again; empty keeps every whole body.
    explicit NetworkDownloadService(const QString& cacheDirectory, BodyCheck keepable = {});
    ~NetworkDownloadService() override;

    NetworkDownloadService(const NetworkDownloadService&) = delete;
    NetworkDownloadService& operator=(const NetworkDownloadService&) = delete;

    // A transfer fails when no byte arrives for this long (default 30 s).
    void setTransferTimeout(std::chrono::milliseconds inactivity);
    // ... or when it is still running after this long (default 10 min), so a trickle cannot
    // block the caller for ever.
    void setTotalTimeout(std::chrono::milliseconds total);
    // ... or when a window of this length brings fewer than minBytes (default 1 KiB in 30 s), so
    // that a drip of bytes cannot keep the inactivity timer alive.
    void setMinimumRate(qint64 minBytes, std::chrono::milliseconds window);
    // Polled while a call waits; once it answers true every waiting and later call fails at
    // once as Interrupted, and onInterrupted runs once on the waiting thread first. Both may be
    // empty. The check must be cheap and safe to call from a signal's point of view (an atomic).
    void setInterruption(std::function<bool()> check, std::function<void()> onInterrupted);
    // Runs every few milliseconds while a call waits; replaces the default repaint delivery.
    // It must not run the caller's event loop.
    void setWaitHook(std::function<void()> hook);
    // The default hook: delivers the window system's expose and paint work of the calling
    // thread; input events and window closes are held back until the call returns, timer ticks
    // are skipped.
    static void deliverRepaintRequests();
    // Whether the default hook holds a close of `window` (a widget or its window) back: an
    // interruption check may end the wait for it.
    static bool closeHeld(const QObject* window);
    // Posts the events that the default hook held back.
    static void releaseHeldEvents();
    // Forgets them: the program is ending.
    static void dropHeldEvents();

    void deleteCacheEntry(const QUrl& url) override;
    using DownloadService::download;
    DownloadResult download(const QUrl& url, const QString& localFile, qint64 maxBytes,
                            CachePolicy cache) override;
    using DownloadService::startBatch;
    std::unique_ptr<DownloadBatch> startBatch(const QList<QUrl>& urls, qint64 maxBytesEach,
                                              CachePolicy cache, qsizetype first) override;

private:
    std::shared_ptr<detail::DownloadEngine> m_engine;
};

} // namespace pluvix::platform
