#pragma once

#include "acquisition/ImageHistory.h"
#include "acquisition/Listing.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace pluvix::diagnostics {
class ErrorSink;
}
namespace pluvix::platform {
class DownloadService;
struct DownloadResult;
class EndWatch;
class MessageBoxes;
} // namespace pluvix::platform
namespace pluvix::settings {
struct SettingsRecord;
}

namespace pluvix::acquisition {

enum class HistoryLoad { StartUp, Reload };

// The image history and everything that fills it: the listing, the history load, the poll
// timer and its poll, the reload of another folder, and the temporary files they use. Windows
// follow its signals; it knows no widget.
class ImageFeed final : public QObject, public ListingHost {
    Q_OBJECT
public:
    struct Services {
        settings::SettingsRecord& settings;
        platform::DownloadService& downloads;
        platform::MessageBoxes& boxes;
        platform::EndWatch& end;
        diagnostics::ErrorSink& errors;
        // Lets pending events (input, timers, a close) run inside a long sequence.
        std::function<void()> letEventsRun;
    };
    ImageFeed(Services services, const QString& tempFolder);

    void setAppName(const QString& name) { m_appName = name; }
    const ImageHistory& history() const { return m_history; }
    const ImageNameList& listedNames() const { return m_listing.ImageNames; }
    QString imageTempFile() const { return m_imageTempFile; }

    // Listing, then the ten images of it.
    void fetchListing() { m_listing.ParseURLText(); }
    void loadHistory(HistoryLoad kind);
    // One second of the poll count; polls when it runs out and nothing else loads.
    void pollTick();
    void pollNow();
    // Empties the history and loads the current folder's.
    void reload();
    // Remembers the size of the last satellite picture, which keeps its name when new.
    void noteImageFileSize();

    bool isLoading() const { return m_loading; }
    void setLoading(bool loading) { m_loading = loading; }
    bool connectionOk() const { return m_connectionOk; }
    void restartPollCount() { m_pollCounter = 0; }
    QTimer& pollTimer() { return m_pollTimer; }
    // The program is closing: nothing more is fetched or shown.
    void stop();
    bool stopped() const { return m_stopped; }

    // acquisition::ListingHost
    QString& BaseURL() override;
    qint16 MapTypeIndex() const override;
    bool IsLoadingMap() const override { return m_loading; }
    void setConnectionOK(bool ok) override;
    void showConnectionNotice(bool visible) override { emit connectionNoticeShown(visible); }
    QString appTitle() const override { return m_appName; }
    QString listingFile() const override { return m_listingFile; }

signals:
    // History load: labels off, progress shown, the newest picture first, each element in
    // turn, the positions reset; `loadEnded` also after a failure.
    void loadBegins();
    void progressShown(pluvix::acquisition::HistoryLoad kind);
    void previewArrived();
    void elementArrived(pluvix::acquisition::HistoryLoad kind, int index);
    void historyComplete();
    void loadEnded();
    // Poll: busy from start to end; a new element; the history's range changed.
    void pollBegins();
    void pollEnds();
    void imageAppended(int index);
    // Whether the server answered the poll's listing and picture requests; not sent for a poll
    // the program's end cut short.
    void pollFinished(bool serverAnswered);
    void historyRangeChanged(int firstIndex, int lastIndex);
    void countdownChanged(const QString& toolTip);
    void connectionNoticeShown(bool visible);
    // Reload: the old pictures go before the listing is fetched; the newest shows at the end.
    void reloadBegins();
    void reloadEnds();

private:
    bool letEventsRun();
    void noteServerFailure(const platform::DownloadResult& result);

    Services m_s;
    ListingFetcher m_listing;
    ImageHistory m_history;
    QTimer m_pollTimer;
    QString m_appName;
    QString m_listingFile;
    QString m_imageTempFile;
    qint32 m_pollCounter = 0;
    qint32 m_lastImageFileSize = 0;
    bool m_loading = true;
    bool m_connectionOk = true;
    bool m_inPoll = false;
    bool m_serverFailedPoll = false;
    bool m_stopped = false;
};

} // namespace pluvix::acquisition
