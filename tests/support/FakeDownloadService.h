#pragma once

#include "platform/DownloadService.h"

#include <QHash>
#include <QList>

namespace pluvix::testsupport {

// Answers each address from a table: bytes for a success, a failure kind otherwise. Unknown
// addresses are refused.
class FakeDownloadService final : public platform::DownloadService {
public:
    void serve(const QUrl& url, const QByteArray& body);
    void fail(const QUrl& url, platform::DownloadResult::Failure failure, int httpStatus = 0);
    void deleteCacheEntry(const QUrl&) override {}
    using DownloadService::download;
    platform::DownloadResult download(const QUrl& url, const QString& localFile, qint64,
                                      platform::CachePolicy) override;
    using DownloadService::startBatch;
    std::unique_ptr<platform::DownloadBatch> startBatch(const QList<QUrl>& urls, qint64,
                                                        platform::CachePolicy, qsizetype) override;

    // Writes the answer for url into localFile, as the real service would (no size cap).
    platform::DownloadResult answer(const QUrl& url, const QString& localFile) const;
    // How often each address was asked for.
    mutable QHash<QUrl, int> asked;

private:
    struct Response {
        bool ok = false;
        QByteArray body;
        platform::DownloadResult::Failure failure = platform::DownloadResult::Failure::Refused;
        int httpStatus = 0;
    };
    QHash<QUrl, Response> m_responses;
};

} // namespace pluvix::testsupport
