#pragma once

#include "Faults.h"
#include "Listing.h"

#include <QHostAddress>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace pluvix::radarserver {

struct ServerOptions {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8573;
    int intervalSecs = 300;
    std::optional<qint64> startUtcMsecs; // the real clock when empty
    bool frozen = false;
    std::uint32_t seed = 0;
    QString imageDir;
    QUrl upstream; // relay the archive at this address instead of drawing
    ListingStyle listingStyle = ListingStyle::UpperCase;
    int cacheEntries = 200;
    bool cacheHeaders = true;
    bool quiet = false;
    FaultSettings faults;
};

struct ParsedOptions {
    enum class Outcome { Run, ShowHelp, ShowVersion, Error };
    Outcome outcome = Outcome::Run;
    ServerOptions options;
    QString text; // help, version or error text
};

ParsedOptions parseServerOptions(const QStringList& arguments, quint16 defaultPort);

} // namespace pluvix::radarserver
