#include "Faults.h"

namespace pluvix::radarserver {

namespace {

bool toInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool toSwitch(const QString& text, bool& out) {
    if (text == u"1" || text == u"true" || text == u"on" || text.isEmpty()) {
        out = true;
        return true;
    }
    if (text == u"0" || text == u"false" || text == u"off") {
        out = false;
        return true;
    }
    return false;
}

} // namespace

QString FaultSettings::apply(const QUrlQuery& query) {
    FaultSettings next = *this;
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        bool ok = false;
        if (name == u"latency")
            ok = toInt(value, 0, MaxLatencyMs, next.latencyMs);
        else if (name == u"fail-next")
            ok = toInt(value, 0, 1000000, next.failNext);
        else if (name == u"fail-status")
            ok = toInt(value, 100, 599, next.failStatus);
        else if (name == u"stall-next")
            ok = toInt(value, 0, 1000000, next.stallNext);
        else if (name == u"listing-404")
            ok = toSwitch(value, next.listing404);
        else if (name == u"truncate")
            ok = toSwitch(value, next.truncate);
        else if (name == u"oversize-mib")
            ok = toInt(value, 0, MaxOversizeMiB, next.oversizeMiB);
        else if (name == u"no-gif")
            ok = toSwitch(value, next.noGif);
        else
            return u"unknown fault \"" + name + u'"';
        if (!ok)
            return u"bad value \"" + value + u"\" for " + name;
    }
    *this = next;
    return {};
}

QByteArray FaultSettings::describe() const {
    auto line = [](const char* name, int v) -> QByteArray {
        return QByteArray(name) + '=' + QByteArray::number(v) + '\n';
    };
    return line("latency", latencyMs) + line("fail-next", failNext) +
           line("fail-status", failStatus) + line("stall-next", stallNext) +
           line("listing-404", listing404) + line("truncate", truncate) +
           line("oversize-mib", oversizeMiB) + line("no-gif", noGif);
}

} // namespace pluvix::radarserver
