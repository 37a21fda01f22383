#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace pluvix::radarserver {

struct ListingEntry {
    QString name; // relative; folders end in "/"
    qint64 modifiedUtcSecs = 0;
    qint64 size = -1; // -1 for folders
};

enum class ListingStyle {
    UpperCase, // "<A HREF=...>", parent directory first, sizes like "23K"
    LowerCase  // "<a href=...>", "../" first, sizes in bytes
};

// An automatic folder index page. `path` is the folder's own path ending in "/", `parent` the
// address of the parent link. A positive `padToBytes` fills the page with a comment after the
// entries until it is longer than that. A `titleNote` is added to the title in brackets.
QByteArray folderListing(const QString& path, const QString& parent,
                         const QList<ListingEntry>& entries, ListingStyle style,
                         qint64 padToBytes = 0, const QString& titleNote = {});

} // namespace pluvix::radarserver
