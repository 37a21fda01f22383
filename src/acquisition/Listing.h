#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace pluvix::diagnostics {
class ErrorSink;
}
namespace pluvix::platform {
class DownloadService;
class MessageBoxes;
class ProgramEnd;
} // namespace pluvix::platform

namespace pluvix::acquisition {

using ImageNameList = std::array<QString, 10>;

// The ten image names after the first link of a folder listing, one character per byte. Follows
// the server's listing form exactly, quirks included: a link without a quotation mark loses its
// first character, and only the first eleven links are read. Throws core::RuntimeError 5 when a
// link is not followed by ".gif".
ImageNameList cutImageNames(const QByteArray& listingBytes);

// What the listing fetch reads and changes in the main window.
class ListingHost {
public:
    virtual ~ListingHost() = default;
    virtual QString& BaseURL() = 0;
    virtual qint16 MapTypeIndex() const = 0;
    virtual bool IsLoadingMap() const = 0;
    virtual void setConnectionOK(bool ok) = 0;
    // The "No InterNet Connection!" notice.
    virtual void showConnectionNotice(bool visible) = 0;
    virtual QString appTitle() const = 0;
    // Where the listing is stored.
    virtual QString listingFile() const = 0;
};

// Fetches the current folder's listing and cuts the image names out of it.
class ListingFetcher {
public:
    ListingFetcher(ListingHost& host, platform::DownloadService& downloads,
                   platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                   diagnostics::ErrorSink& errors);

    // Index 9 is the newest. Unchanged by a failed fetch or cut.
    ImageNameList ImageNames;

    void ParseURLText();

private:
    void fetchAndCut();

    ListingHost& m_host;
    platform::DownloadService& m_downloads;
    platform::MessageBoxes& m_boxes;
    platform::ProgramEnd& m_programEnd;
    diagnostics::ErrorSink& m_errors;
};

} // namespace pluvix::acquisition
