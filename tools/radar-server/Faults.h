#pragma once

#include <QByteArray>
#include <QString>
#include <QUrlQuery>

namespace pluvix::radarserver {

// Misbehaviour on demand, for testing clients. Counters count down per request; the switches
// stay until changed or reset. Control requests are never affected.
struct FaultSettings {
    int latencyMs = 0; // delay before every answer
    int failNext = 0;  // answer this many requests with failStatus
    int failStatus = 500;
    int stallNext = 0;       // accept this many requests and never answer
    bool listing404 = false; // folder listings answer 404
    bool truncate = false;   // bodies stop half-way although Content-Length promises all
    int oversizeMiB = 0;     // station listings padded past this many MiB (0 = off)
    bool noGif = false;      // station listings name no ".gif" files

    static constexpr int MaxLatencyMs = 600000;
    static constexpr int MaxOversizeMiB = 256;

    // Applies the named settings of `query` (the option names without "--"); on an unknown name
    // or a bad value nothing changes and the error is returned.
    QString apply(const QUrlQuery& query);
    // "name=value" lines of every setting.
    QByteArray describe() const;
};

} // namespace pluvix::radarserver
