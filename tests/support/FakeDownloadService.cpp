#include "support/FakeDownloadService.h"

#include <QSaveFile>

namespace pluvix::testsupport {

using namespace Qt::StringLiterals;
using platform::DownloadResult;
using Failure = platform::DownloadResult::Failure;

namespace {

DownloadResult failure(Failure kind, int status, QString message) {
    return {kind == Failure::None, kind, status, 0, std::move(message), {}, {}};
}

class FakeBatch final : public platform::DownloadBatch {
public:
    FakeBatch(FakeDownloadService& service, QList<QUrl> urls)
        : m_service(service), m_urls(std::move(urls)) {}

    DownloadResult takeNext(const QString& localFile) override {
        if (m_next >= m_urls.size() || m_cancelled)
            return failure(Failure::Other, 0, u"no transfer left"_s);
        return m_service.answer(m_urls[m_next++], localFile);
    }
    int remaining() const override { return int(m_urls.size() - m_next); }
    DownloadResult take(int index, const QString& localFile) override {
        if (index < m_next || index >= m_urls.size() || m_cancelled)
            return failure(Failure::Other, 0, u"no such transfer left"_s);
        return m_service.answer(m_urls[index], localFile);
    }
    void cancel() override { m_cancelled = true; }

private:
    FakeDownloadService& m_service;
    QList<QUrl> m_urls;
    qsizetype m_next = 0;
    bool m_cancelled = false;
};

} // namespace

void FakeDownloadService::serve(const QUrl& url, const QByteArray& body) {
    m_responses.insert(url, Response{true, body, Failure::None, 200});
}

void FakeDownloadService::fail(const QUrl& url, Failure kind, int httpStatus) {
    m_responses.insert(url, Response{false, {}, kind, httpStatus});
}

DownloadResult FakeDownloadService::download(const QUrl& url, const QString& localFile, qint64,
                                             platform::CachePolicy) {
    return answer(url, localFile);
}

std::unique_ptr<platform::DownloadBatch>
FakeDownloadService::startBatch(const QList<QUrl>& urls, qint64, platform::CachePolicy, qsizetype) {
    return std::make_unique<FakeBatch>(*this, urls);
}

DownloadResult FakeDownloadService::answer(const QUrl& url, const QString& localFile) const {
    ++asked[url];
    const auto it = m_responses.constFind(url);
    if (it == m_responses.cend())
        return failure(Failure::Refused, 0, u"no answer for "_s + url.toString());
    if (!it->ok)
        return failure(it->failure, it->httpStatus, u"fake failure"_s);
    QSaveFile file(localFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(it->body) != it->body.size() ||
        !file.commit())
        return failure(Failure::LocalFile, 200, file.errorString());
    return {true, Failure::None, 200, it->body.size(), {}, {}, {}};
}

} // namespace pluvix::testsupport
