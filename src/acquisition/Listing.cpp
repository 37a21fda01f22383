#include "acquisition/Listing.h"

#include "acquisition/FolderAddress.h"
#include "core/RuntimeError.h"
#include "diagnostics/ErrorTrap.h"
#include "platform/DownloadService.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"

#include <QFile>
#include <QUrl>

namespace pluvix::acquisition {

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// 1-based position of the first match at or after start, letter case ignored; 0 when none.
// needle is lower case.
qsizetype inStr(qsizetype start, const QByteArray& text, QByteArrayView needle) {
    if (start > text.size())
        return 0;
    const qsizetype last = text.size() - needle.size();
    for (qsizetype i = start - 1; i <= last; ++i) {
        qsizetype j = 0;
        while (j < needle.size() && asciiLower(text[i + j]) == needle[j])
            ++j;
        if (j == needle.size())
            return i + 1;
    }
    return 0;
}

// length characters from the 1-based start; empty past the end.
QString mid(const QByteArray& text, qsizetype start, qsizetype length) {
    if (start > text.size())
        return {};
    return QString::fromLatin1(text.mid(start - 1, length));
}

} // namespace

ImageNameList cutImageNames(const QByteArray& listingBytes) {
    const QByteArrayView link("href=");
    const QByteArrayView gif(".gif");
    ImageNameList names;
    qsizetype p = inStr(1, listingBytes, link);
    for (QString& name : names) {
        p = inStr(p + 1, listingBytes, link) + 6;
        const qsizetype e = inStr(p, listingBytes, gif) + 4;
        if (e - p < 0)
            throw core::RuntimeError::invalidCall();
        name = mid(listingBytes, p, e - p);
    }
    return names;
}

ListingFetcher::ListingFetcher(ListingHost& host, platform::DownloadService& downloads,
                               platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                               diagnostics::ErrorSink& errors)
    : m_host(host), m_downloads(downloads), m_boxes(boxes), m_programEnd(programEnd),
      m_errors(errors) {}

void ListingFetcher::ParseURLText() {
    diagnostics::trap(m_errors, QStringLiteral("form1.form.ParseURLText"),
                      [this] { fetchAndCut(); });
}

void ListingFetcher::fetchAndCut() {
    QString& baseUrl = m_host.BaseURL();
    m_downloads.deleteCacheEntry(serverUrl(baseUrl));

    if (m_host.MapTypeIndex() >= 6) {
        baseUrl = satelliteFolder();
        for (int k = 0; k < int(ImageNames.size()); ++k)
            ImageNames[std::size_t(k)] = QString::number(k + 11) + QStringLiteral(".jpg");
        return;
    }

    const platform::DownloadResult fetched =
        m_downloads.download(serverUrl(baseUrl), m_host.listingFile(), platform::listingByteCap,
                             platform::CachePolicy::AlwaysNetwork);
    if (!fetched.ok) {
        platform::throwOnLocalFailure(fetched);
        // The program is ending: nothing to tell the user.
        if (fetched.failure == platform::DownloadResult::Failure::Interrupted)
            return;
        if (!m_host.IsLoadingMap()) {
            m_host.setConnectionOK(false);
            m_host.showConnectionNotice(true);
            return;
        }
        m_boxes.ok(m_host.appTitle(),
                   QStringLiteral("Pluvix Cannot Cannot Connect to the Internet.\n"
                                  "                     Pluvix will now close."));
        m_programEnd.endNow(platform::exitFailure);
        return;
    }

    m_host.showConnectionNotice(false);
    QFile file(m_host.listingFile());
    if (!file.open(QIODevice::ReadOnly))
        throw core::RuntimeError::fileNotFound();
    // Cut completely before assigning, so a bad listing leaves the previous names whole.
    ImageNames = cutImageNames(file.readAll());
}

} // namespace pluvix::acquisition
