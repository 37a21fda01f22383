#include "Catalogue.h"

#include <QDateTime>
#include <QTimeZone>

namespace pluvix::radarserver {

namespace {

// The station codes of the viewer's table; a code listed twice there appears once here.
constexpr const char* kStations[] = {
    "kbmx", "kmxx", "keox", "kmob", "khtx", "pabc", "pacg", "papd", "pahg", "pakc", "paih", "paec",
    "kfsx", "kiwa", "kemx", "kyux", "klzk", "ksrx", "kbbx", "keyx", "kbhx", "khnx", "kvtx", "kdax",
    "knkx", "kmux", "ksox", "kvbx", "kftg", "kgjx", "kpux", "kdox", "kevx", "kjax", "kbyx", "kmlb",
    "kamx", "ktlh", "ktbw", "kffc", "kvax", "kjgx", "pgua", "phki", "phkm", "phmo", "phwa", "kcbx",
    "ksfx", "kilx", "klot", "kvwx", "kind", "kiwx", "kdmx", "kdvn", "kddc", "kgld", "ktwx", "kict",
    "khpx", "kjkl", "klvx", "kpah", "kpoe", "klch", "klix", "kshv", "kcbw", "kgyx", "klwx", "kbox",
    "kdtx", "kapx", "kgrr", "kmqt", "kmpx", "kgwx", "kdgx", "keax", "ksgf", "klsx", "kblx", "kggw",
    "ktfx", "kmsx", "kuex", "klnx", "koax", "klrx", "kesx", "krgx", "kdix", "kabx", "kfdx", "khdx",
    "kenx", "kbgm", "kbuf", "ktyx", "kokx", "krax", "kmhx", "kltx", "kbis", "kmvx", "kmbx", "kiln",
    "kcle", "kfdr", "ktlx", "kinx", "kvnx", "kmax", "kpdt", "krtx", "kpbz", "kccx", "tjua", "kclx",
    "kcae", "kgsp", "kabr", "kudx", "kfsd", "kmrx", "knqa", "kohx", "kama", "kewx", "kbro", "kgrk",
    "kcrp", "kfws", "kdyx", "kepz", "khgx", "kdfx", "klbb", "kmaf", "ksjt", "kicx", "kmtx", "kcxx",
    "kfcx", "kakq", "katx", "kotx", "krlx", "kgrb", "karx", "kmkx", "kcys", "kriw",
};

constexpr Product kProducts[] = {
    {"p19r0", "_N0R", "BASE REFLECTIVITY", "0.5 DEG  124 NM", RangeClass::Short,
     ProductKind::Reflectivity, false},
    {"p37cr", "_NCR", "COMPOSITE REFLECTIVITY", "124 NM", RangeClass::Short,
     ProductKind::Reflectivity, true},
    {"78ohp", "_N1P", "ONE-HOUR PRECIPITATION", "124 NM", RangeClass::Short,
     ProductKind::OneHourPrecipitation, true},
    {"80stp", "_NTP", "STORM TOTAL PRECIPITATION", "124 NM", RangeClass::Short,
     ProductKind::StormTotalPrecipitation, true},
    {"p20-r", "_N0Z", "BASE REFLECTIVITY", "0.5 DEG  248 NM", RangeClass::Long,
     ProductKind::Reflectivity, false},
    {"p38cr", "_NCZ", "COMPOSITE REFLECTIVITY", "248 NM", RangeClass::Long,
     ProductKind::Reflectivity, true},
};

} // namespace

const Product* findProduct(QStringView code) {
    for (const Product& p : kProducts) {
        if (code == QLatin1StringView(p.code))
            return &p;
    }
    return nullptr;
}

const QList<const Product*>& allProducts() {
    static const QList<const Product*> list = [] {
        QList<const Product*> l;
        for (const Product& p : kProducts)
            l.append(&p);
        return l;
    }();
    return list;
}

const QStringList& stationCodes() {
    static const QStringList codes = [] {
        QStringList l;
        for (const char* c : kStations)
            l.append(QLatin1StringView(c));
        return l;
    }();
    return codes;
}

bool isKnownStation(QStringView code) {
    for (const char* c : kStations) {
        if (code == QLatin1StringView(c))
            return true;
    }
    return false;
}

QString imageName(QStringView station, const Product& product, qint64 utcSecs) {
    const QDateTime t = QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc());
    return station.mid(1).toString().toUpper() + t.toString(u"yyyyMMdd") +
           QLatin1StringView(product.tag) + t.toString(u"HHmm") + u".gif";
}

std::optional<qint64> imageNameTime(QStringView name, QStringView station, const Product& product) {
    if (name.size() != 23)
        return std::nullopt;
    auto number = [name](qsizetype from, qsizetype count) {
        bool ok = false;
        const int v = name.mid(from, count).toInt(&ok);
        return ok ? v : -1;
    };
    // Read as plain fields: a local-time parse would lose names inside a daylight-saving gap.
    const QDate date(number(3, 4), number(7, 2), number(9, 2));
    const QTime time(number(15, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const qint64 secs = QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch();
    // The round trip rejects every other spelling (case, signs, blanks, other tags).
    if (imageName(station, product, secs) != name)
        return std::nullopt;
    return secs;
}

} // namespace pluvix::radarserver
