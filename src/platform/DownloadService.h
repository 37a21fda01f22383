#pragma once

#include "core/RuntimeError.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

namespace pluvix::platform {

// Caps on what one response may hold; a larger body fails instead of filling memory or disk.
inline constexpr qint64 listingByteCap = qint64(4) * 1024 * 1024;
inline constexpr qint64 imageByteCap = qint64(16) * 1024 * 1024;

struct DownloadResult {
    enum class Failure {
        None,
        Refused,      // nobody listens at the address
        HostNotFound, // the name does not resolve
        HttpStatus,   // the server answered with a status other than 2xx
        Timeout,      // no bytes for too long, too few, or the whole transfer took too long
        TooLarge,     // the body is over the cap
        Truncated,    // the body ended before its announced length
        LocalFile,    // the local file could not be written
        Interrupted,  // the program is ending; the caller should stop what it was doing
        Other
    };

    bool ok = false;
    Failure failure = Failure::Other;
    int httpStatus = 0; // 0 when no answer arrived
    qint64 bytes = 0;   // body size of a successful transfer
    QString message;    // for logs only; nobody should parse it
    // For a LocalFile failure: the file that could not be written and the system's reason.
    QString localFile;
    QString localReason;
};

// A local write failure is the user's disk, not the server: error 75 naming the file and the
// system's reason, for the normal error report.
inline core::RuntimeError localFileError(const DownloadResult& r) {
    return {75, QStringLiteral("Path/File access error (%1: %2)").arg(r.localFile, r.localReason)};
}
inline void throwOnLocalFailure(const DownloadResult& r) {
    if (r.failure == DownloadResult::Failure::LocalFile)
        throw localFileError(r);
}

// Which copy may answer a request. Images carry their time in their name and never change, so a
// cached copy is as good as a new one; a folder listing or a fixed-name picture must be fresh.
enum class CachePolicy {
    AlwaysNetwork, // never the cache; the answer still refreshes it
    PreferNetwork, // the cache only while the server's headers call it fresh
    PreferCache    // the address never changes: any kept copy answers, whatever the headers said
};

// Transfers that were started together; results are handed out in the order of the addresses.
class DownloadBatch {
public:
    virtual ~DownloadBatch() = default;
    // Waits for the next transfer in order and, when it succeeded, replaces localFile with its
    // body (complete new content or the old content, never a mix).
    virtual DownloadResult takeNext(const QString& localFile) = 0;
    // How many results takeNext has not handed out yet.
    virtual int remaining() const = 0;
    // Waits for the transfer at index and, when it succeeded, replaces localFile with its body.
    // The body stays for takeNext, so one address is never fetched twice for both.
    virtual DownloadResult take(int index, const QString& localFile) = 0;
    // Stops every transfer not handed out yet; later takes fail.
    virtual void cancel() = 0;
};

// Blocking downloads of one address into one local file. While a call waits, the caller's
// thread only repaints: no user input is handled and none of its timers fire.
class DownloadService {
public:
    virtual ~DownloadService() = default;

    // Drops the cached copy of an address, if there is one.
    virtual void deleteCacheEntry(const QUrl& url) = 0;

    // Replaces localFile only when the whole body arrived with a 2xx status. maxBytes <= 0 means
    // no cap.
    virtual DownloadResult download(const QUrl& url, const QString& localFile, qint64 maxBytes,
                                    CachePolicy cache) = 0;
    DownloadResult download(const QUrl& url, const QString& localFile, qint64 maxBytes) {
        return download(url, localFile, maxBytes, CachePolicy::PreferNetwork);
    }

    // Starts all transfers at once, the one at index `first` ahead of the others, as the one
    // the caller waits for first; they run while the caller takes the results.
    virtual std::unique_ptr<DownloadBatch> startBatch(const QList<QUrl>& urls, qint64 maxBytesEach,
                                                      CachePolicy cache, qsizetype first) = 0;
    std::unique_ptr<DownloadBatch> startBatch(const QList<QUrl>& urls, qint64 maxBytesEach) {
        return startBatch(urls, maxBytesEach, CachePolicy::PreferNetwork, 0);
    }
};

} // namespace pluvix::platform
