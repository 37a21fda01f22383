#pragma once

#include "Catalogue.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace pluvix::radarserver::relay {

// The upstream archive, as its own ingest code and its public clients use it. This is the one
// place that knows it. Checked against the archive's published code, not against the live
// service (no machine here reaches it).
//
//   <root>/archive/data/YYYY/MM/DD/GIS/ridge/SITE/              one folder per UTC day and site
//   <root>/archive/data/YYYY/MM/DD/GIS/ridge/SITE/PRODUCT/      one folder per product that day
//   .../SITE/PRODUCT/SITE_PRODUCT_YYYYMMDDHHMM.png              the picture, UTC scan time
//   .../SITE/PRODUCT/SITE_PRODUCT_YYYYMMDDHHMM.wld              its world file
//   .../SITE/PRODUCT/SITE_PRODUCT_YYYYMMDDHHMM.json             {"meta": {"valid", "product",
//                                                                "site", "vcp"}}
//
// - SITE is the three-letter RIDGE id: the station code without its first letter, upper case
//   (kmlb -> MLB, pabc -> ABC, pgua -> GUA, tjua -> JUA).
// - Folders are ordinary Apache indexes: "Index of ..." title, column sort links ("?C=N;O=D"),
//   a "Parent Directory" link, then one <a href="NAME"> per entry, sub-folders ending in "/".
// - The station folder lists the product folders that exist that day; the archive's own
//   product service lists them by globbing three-character names. Product folder names it
//   describes: N0B (base reflectivity, super resolution), N0Q (base reflectivity, high
//   resolution), N0R (base reflectivity, legacy), N0Z (base reflectivity, long range, legacy),
//   N0U and N0V (base velocity), N0S (storm relative velocity), NET (echo tops), TR0/TZL/TV0
//   (terminal radars). The ingest stores whatever product id the RIDGE feed carries, so
//   composite (NCR) and precipitation products (N1P one-hour, NTP storm total, DAA/DTA their
//   digital successors) appear where the feed sends them; which exist is learnt per station
//   and day from the station folder, never assumed.
// - The PNG is an indexed picture in plain longitude/latitude, transparent where there is no
//   echo. The world file holds six lines: x pixel size, 0, 0, y pixel size (negative), upper-left
//   longitude, upper-left latitude; the ingest writes the corner of the picture's bounds with
//   sizes of (east - west) / 1000 and (south - north) / 1000, six decimals. Read as the centre
//   of the upper-left pixel (WorldFile's convention) that is half a pixel off, well under one
//   pixel of a relayed frame at either range.
// - The json carries the scan time, product, site and VCP, not the site's position: positions
//   come from StationPositions. The time is also in the file name, so the relay does not fetch
//   the json.

// "MLB" for "kmlb"; empty for codes that are not four letters.
QString ridgeSite(QStringView station);

// "/archive/data/2024/05/01/GIS/ridge/MLB/" and ".../MLB/N0B/"
QString siteFolder(QDate day, const QString& site);
QString productFolder(QDate day, const QString& site, const QString& upstreamProduct);
// "MLB_N0B_202405011532" + extension (".png", ".wld")
QString frameFile(const QString& site, const QString& upstreamProduct, qint64 utcSecs,
                  QStringView extension);

// Entry names of an index page, in page order: the targets of its links, without sort links,
// the parent link or anything outside the folder.
QStringList indexEntries(const QByteArray& html);
// Product folders of a station folder's index ("N0B", ...).
QStringList productFolders(const QByteArray& html);
// Scan times of the pictures of a product folder's index, ascending, without repeats.
QList<qint64> frameTimes(const QByteArray& html, const QString& site,
                         const QString& upstreamProduct);

// Which upstream folders may stand for one of the viewer's products, best first.
struct ProductSource {
    const char* viewerCode;       // "p37cr"
    QList<const char*> preferred; // the archive's own counterpart
    QList<const char*> fallbacks; // shown with a note in the listing title
};
const ProductSource* productSource(const char* viewerCode);

struct ChosenProduct {
    QString folder;
    bool fallback = false;
};
// The first of the source's folders that `available` holds, preferred ones first.
std::optional<ChosenProduct> chooseProduct(const ProductSource& source,
                                           const QStringList& available);

} // namespace pluvix::radarserver::relay
