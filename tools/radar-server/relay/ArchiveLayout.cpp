#include "ArchiveLayout.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace pluvix::radarserver::relay {

namespace {

// Product ids as the NWS radar product documentation names them; the archive's own product
// service describes N0B/N0Q/N0R/N0Z. The viewer's long-range products span 248 nm, which the
// super-resolution base reflectivity covers as well.
const ProductSource kSources[] = {
    {"p19r0", {"N0B", "N0Q", "N0R"}, {}},
    {"p20-r", {"N0Z", "N0B", "N0Q"}, {}},
    // Composite reflectivity (NCR) is only relayed where the feed carries it.
    {"p37cr", {"NCR"}, {"N0B", "N0Q", "N0R"}},
    {"p38cr", {"NCR"}, {"N0B", "N0Q", "N0Z"}},
    // One-hour and storm-total precipitation, legacy and digital; nothing stands in for them.
    {"78ohp", {"N1P", "DAA"}, {}},
    {"80stp", {"NTP", "DTA"}, {}},
};

QString utcText(qint64 utcSecs, QStringView format) {
    return QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc()).toString(format);
}

} // namespace

QString ridgeSite(QStringView station) {
    if (station.size() != 4)
        return {};
    return station.mid(1).toString().toUpper();
}

QString siteFolder(QDate day, const QString& site) {
    return u"/archive/data/" + day.toString(u"yyyy/MM/dd") + u"/GIS/ridge/" + site + u'/';
}

QString productFolder(QDate day, const QString& site, const QString& upstreamProduct) {
    return siteFolder(day, site) + upstreamProduct + u'/';
}

QString frameFile(const QString& site, const QString& upstreamProduct, qint64 utcSecs,
                  QStringView extension) {
    return site + u'_' + upstreamProduct + u'_' + utcText(utcSecs, u"yyyyMMddHHmm") + extension;
}

QStringList indexEntries(const QByteArray& html) {
    static const QRegularExpression link(QStringLiteral("<a\\s+href=\"([^\"?#/][^\"?#]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const auto& m : link.globalMatch(QString::fromLatin1(html))) {
        const QString name = m.captured(1);
        // Absolute, upward or foreign links are not entries of this folder.
        const qsizetype slash = name.indexOf(u'/');
        if (name.contains(u':') || name.startsWith(u"..") ||
            (slash >= 0 && slash < name.size() - 1))
            continue;
        out.append(name);
    }
    return out;
}

QStringList productFolders(const QByteArray& html) {
    static const QRegularExpression folder(QStringLiteral("^[A-Z0-9]{3}/$"));
    QStringList out;
    for (const QString& name : indexEntries(html)) {
        if (folder.match(name).hasMatch() && !out.contains(name.chopped(1)))
            out.append(name.chopped(1));
    }
    return out;
}

QList<qint64> frameTimes(const QByteArray& html, const QString& site,
                         const QString& upstreamProduct) {
    const QString prefix = site + u'_' + upstreamProduct + u'_';
    QList<qint64> out;
    for (const QString& name : indexEntries(html)) {
        if (name.size() != prefix.size() + 16 || !name.startsWith(prefix) ||
            !name.endsWith(u".png"))
            continue;
        const QDateTime t = QDateTime::fromString(name.mid(prefix.size(), 12), u"yyyyMMddHHmm");
        if (!t.isValid())
            continue;
        const qint64 secs = QDateTime(t.date(), t.time(), QTimeZone::utc()).toSecsSinceEpoch();
        // The round trip refuses signs, blanks and other spellings the parse would take.
        if (frameFile(site, upstreamProduct, secs, u".png") == name)
            out.append(secs);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

const ProductSource* productSource(const char* viewerCode) {
    for (const ProductSource& s : kSources) {
        if (qstrcmp(viewerCode, s.viewerCode) == 0)
            return &s;
    }
    return nullptr;
}

std::optional<ChosenProduct> chooseProduct(const ProductSource& source,
                                           const QStringList& available) {
    for (const char* p : source.preferred) {
        if (available.contains(QLatin1StringView(p)))
            return ChosenProduct{QLatin1StringView(p).toString(), false};
    }
    for (const char* p : source.fallbacks) {
        if (available.contains(QLatin1StringView(p)))
            return ChosenProduct{QLatin1StringView(p).toString(), true};
    }
    return std::nullopt;
}

} // namespace pluvix::radarserver::relay
