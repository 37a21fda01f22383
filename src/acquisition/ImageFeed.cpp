#include "acquisition/ImageFeed.h"

#include "acquisition/FolderAddress.h"
#include "acquisition/HistoryTrim.h"
#include "diagnostics/ErrorTrap.h"
#include "platform/DownloadService.h"
#include "platform/EndWatch.h"
#include "platform/MessageBoxes.h"
#include "settings/SettingsRecord.h"
#include "view/PollCountdown.h"

#include <QFileInfo>
#include <QUrl>

namespace pluvix::acquisition {

using diagnostics::ignoreErrors;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

namespace {
QUrl imageUrl(const QString& baseUrl, const QString& name) {
    return serverUrl(imageAddress(baseUrl, name));
}

// A radar image never changes under its name; the satellite's fixed names get new pictures.
platform::CachePolicy imageCachePolicy(qint16 mapTypeIndex) {
    return mapTypeIndex >= 6 ? platform::CachePolicy::PreferNetwork
                             : platform::CachePolicy::PreferCache;
}

qint32 fileSize(const QString& path) {
    return qint32(qMin<qint64>(QFileInfo(path).size(), INT32_MAX));
}
} // namespace

ImageFeed::ImageFeed(Services services, const QString& tempFolder)
    : m_s(std::move(services)), m_listing(*this, m_s.downloads, m_s.boxes, m_s.end, m_s.errors),
      m_listingFile(tempFolder + QStringLiteral("tempURL.txt")),
      m_imageTempFile(tempFolder + QStringLiteral("tempIMG.gif")) {
    m_pollTimer.setObjectName(QStringLiteral("Timer1"));
    m_pollTimer.setInterval(1000);
    connect(&m_pollTimer, &QTimer::timeout, this, &ImageFeed::pollTick);
}

QString& ImageFeed::BaseURL() {
    return m_s.settings.BaseURL;
}

qint16 ImageFeed::MapTypeIndex() const {
    return m_s.settings.MapTypeIndex;
}

bool ImageFeed::letEventsRun() {
    if (m_s.letEventsRun)
        m_s.letEventsRun();
    return !m_stopped;
}

void ImageFeed::stop() {
    m_stopped = true;
    m_pollTimer.stop();
}

void ImageFeed::noteImageFileSize() {
    m_lastImageFileSize = fileSize(m_imageTempFile);
}

void ImageFeed::loadHistory(HistoryLoad kind) {
    trap(m_s.errors, procedure::historyLoad, [&] {
        emit loadBegins();
        // A close handled meanwhile has saved the settings: nothing more is fetched or shown.
        if (!letEventsRun())
            return;
        emit progressShown(kind);
        m_pollCounter = 0;

        const auto names = m_listing.ImageNames;
        QList<QUrl> urls;
        for (const QString& name : names)
            urls.append(imageUrl(m_s.settings.BaseURL, name));
        // All ten travel at once, the newest (the preview) ahead; each still lands in the one
        // temporary file in turn.
        auto batch = m_s.downloads.startBatch(urls, platform::imageByteCap,
                                              imageCachePolicy(m_s.settings.MapTypeIndex), 9);

        auto failed = [&](const platform::DownloadResult& r) {
            // Nothing more is fetched for a history that cannot be completed.
            batch->cancel();
            platform::throwOnLocalFailure(r);
            // The program is ending: nothing to tell the user.
            if (r.failure == platform::DownloadResult::Failure::Interrupted)
                return;
            m_connectionOk = false;
            emit connectionNoticeShown(true);
            if (kind != HistoryLoad::StartUp) {
                emit loadEnded();
                return;
            }
            m_s.boxes.ok(m_appName, QStringLiteral("Pluvix Cannot Cannot Connect to the NOAA Web "
                                                   "Server.\nPluvix will now close."));
            m_s.end.endNow(platform::exitFailure);
        };

        const auto preview = batch->take(9, m_imageTempFile);
        if (!preview.ok) {
            failed(preview);
            return;
        }
        const QByteArray previewBytes = readPictureFile(m_imageTempFile);
        const QImage previewPicture = decodePicture(previewBytes);
        m_history.setPicture(0, previewBytes, previewPicture);
        emit previewArrived();
        letEventsRun();

        for (int i = 0; i < 10; ++i) {
            if (m_stopped)
                return;
            const auto result = batch->takeNext(m_imageTempFile);
            if (!result.ok) {
                failed(result);
                return;
            }
            if (i > 0)
                ignoreErrors([&] { m_history.create(i); });
            QByteArray bytes = readPictureFile(m_imageTempFile);
            const bool isPreview = bytes == previewBytes;
            try {
                // Only the shown picture is decoded now; the others when first shown.
                m_history.setPicture(i, std::move(bytes), isPreview ? previewPicture : QImage());
            } catch (...) {
                // As when polling: a bad picture ends the history before it, with no blank.
                batch->cancel();
                if (i > 0)
                    m_history.destroy(i);
                throw;
            }
            m_history.setTag(i, names[std::size_t(i)]);
            emit elementArrived(kind, i);
        }
        emit historyComplete();
        emit loadEnded();
        letEventsRun();
    });
}

void ImageFeed::pollTick() {
    const auto tick = view::pollTick(m_pollCounter, m_s.settings.PollInterval);
    m_pollCounter = tick.PollCounter;
    emit countdownChanged(tick.toolTip);
    // A poll never starts inside a load or another poll; the count waits for it.
    if (tick.pollNow && !m_loading && !m_inPoll && !m_stopped) {
        pollNow();
        m_pollCounter = 0;
    }
}

void ImageFeed::pollNow() {
    if (m_inPoll)
        return;
    m_inPoll = true;
    m_serverFailedPoll = false;
    trap(m_s.errors, procedure::poll, [&] {
        emit pollBegins();
        if (!letEventsRun())
            return;
        const int u = m_history.UBound();
        settings::SettingsRecord& s = m_s.settings;
        bool fresh = false;
        if (s.MapTypeIndex >= 6) {
            const auto r =
                m_s.downloads.download(serverUrl(satelliteFolder() + QStringLiteral("20.jpg")),
                                       m_imageTempFile, platform::imageByteCap);
            platform::throwOnLocalFailure(r);
            noteServerFailure(r);
            fresh = r.ok && QFileInfo(m_imageTempFile).size() != m_lastImageFileSize;
        } else {
            fetchListing();
            fresh =
                m_history.tag(u).trimmed().toUpper() != m_listing.ImageNames[9].trimmed().toUpper();
        }
        if (!fresh)
            return;
        const auto trim =
            trimBeforeAppend(qint16(u), m_history.FirstHistoryIndex, s.MaxImageNumber);
        s.MaxImageNumber = trim.maxImageNumber;
        if (trim.destroyIndex >= 0)
            m_history.destroy(trim.destroyIndex);
        m_history.FirstHistoryIndex = trim.firstHistoryIndex;

        const QString newest = m_listing.ImageNames[9];
        const auto r =
            m_s.downloads.download(imageUrl(s.BaseURL, newest), m_imageTempFile,
                                   platform::imageByteCap, imageCachePolicy(s.MapTypeIndex));
        platform::throwOnLocalFailure(r);
        noteServerFailure(r);
        if (r.ok) {
            // Only a picture that decodes becomes an element; a bad one must not leave blanks.
            QByteArray bytes = readPictureFile(m_imageTempFile);
            const QImage picture = decodePicture(bytes);
            m_history.create(u + 1);
            m_history.setPicture(u + 1, std::move(bytes), picture);
            m_history.setTag(u + 1, newest);
            emit imageAppended(u + 1);
            if (s.MapTypeIndex >= 6)
                noteImageFileSize();
        }
        emit historyRangeChanged(m_history.FirstHistoryIndex, m_history.UBound());
    });
    if (!m_stopped && !m_s.end.ended())
        emit pollFinished(!m_serverFailedPoll);
    emit pollEnds();
    m_inPoll = false;
}

void ImageFeed::noteServerFailure(const platform::DownloadResult& r) {
    if (!r.ok && r.failure != platform::DownloadResult::Failure::Interrupted)
        m_serverFailedPoll = true;
}

void ImageFeed::setConnectionOK(bool ok) {
    m_connectionOk = ok;
    if (!ok)
        m_serverFailedPoll = true;
}

void ImageFeed::reload() {
    if (m_stopped)
        return;
    if (!trap(m_s.errors, procedure::reload, [&] {
            m_loading = true;
            m_pollCounter = 0;
            m_connectionOk = true;
            emit reloadBegins();
            m_s.settings.BaseURL =
                productSubstituted(m_s.settings.BaseURL, m_s.settings.MapTypeShort);
            ignoreErrors([&] { m_history.destroyAllButFirst(); });
            // Element 0 keeps the previous station's picture until this load replaces it;
            // a load that fails first must not show it under the new caption.
            ignoreErrors([&] { m_history.clear(0); });
            m_history.FirstHistoryIndex = 0;
        }))
        return;
    // The called procedures report their own errors.
    fetchListing();
    // A listing that fails while a map loads has ended the program.
    if (m_s.end.ended() || m_stopped)
        return;
    loadHistory(HistoryLoad::Reload);
    if (m_stopped)
        return;
    emit reloadEnds();
    m_loading = false;
}

} // namespace pluvix::acquisition
