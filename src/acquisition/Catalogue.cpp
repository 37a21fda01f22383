#include "acquisition/Catalogue.h"

#include "acquisition/FolderAddress.h"
#include "core/RuntimeError.h"

namespace pluvix::acquisition {

namespace {

struct StationRow {
    const char* code;
    const char* name;
};

// Table order is the options list order and decides which name a shared code gets.
constexpr StationRow stationRows[] = {
    {"kbmx", "AL Birmingham"},
    {"kmxx", "AL E. Alabama"},
    {"keox", "AL Fort Rucker"},
    {"kmob", "AL Mobile"},
    {"khtx", "AL Nrn. Alabama"},
    {"pabc", "AK Bethel"},
    {"pacg", "AK Biorka"},
    {"papd", "AK Fairbanks"},
    {"pahg", "AK Kenai"},
    {"pakc", "AK King Salmon"},
    {"paih", "AK Middleton Is"},
    {"paec", "AK Nome"},
    {"papd", "AK Pedro Dome"},
    {"pacg", "AK Sitka"},
    {"kfsx", "AZ Flagstaff"},
    {"kiwa", "AZ Phoenix"},
    {"kemx", "AZ Tucson"},
    {"kyux", "AZ Yuma"},
    {"klzk", "AK Little Rock"},
    {"ksrx", "AK W. Ark./Ft. Smith"},
    {"kbbx", "CA Beale AFB"},
    {"keyx", "CA Edwards AFB"},
    {"kbhx", "CA Eureka"},
    {"khnx", "CA Hanford"},
    {"kvtx", "CA Los Angeles"},
    {"kdax", "CA Sacramento"},
    {"knkx", "CA San Diego"},
    {"kmux", "CA San Francisco"},
    {"khnx", "CA San Joaquin Vly."},
    {"ksox", "CA Santa Ana Mtns"},
    {"kvbx", "CA Vandenberg AFB"},
    {"kftg", "CO Denver/Boulder"},
    {"kgjx", "CO Grand Junction"},
    {"kpux", "CO Pueblo"},
    {"kdox", "DE Dover AFB"},
    {"kevx", "FL Eglin AFB"},
    {"kjax", "FL Jacksonville"},
    {"kbyx", "FL Key West"},
    {"kmlb", "FL Melbourne"},
    {"kamx", "FL Miami"},
    {"kevx", "FL NW Florida"},
    {"ktlh", "FL Tallahassee"},
    {"ktbw", "FL Tampa Bay Area"},
    {"kffc", "GA Atlanta"},
    {"kvax", "GA Moody AFB"},
    {"kffc", "GA Peachtree City"},
    {"kjgx", "GA Robins AFB"},
    {"pgua", "GU Andersen AFB"},
    {"phki", "HI Kauai"},
    {"phkm", "HI Kohala"},
    {"phmo", "HI Molokai"},
    {"phwa", "HI South Shore"},
    {"kcbx", "ID Boise"},
    {"ksfx", "ID Pocatello"},
    {"kilx", "IL Central IL"},
    {"klot", "IL Chicago"},
    {"kvwx", "IN Evansville"},
    {"kind", "IN Indianapolis"},
    {"kiwx", "IN N. Indiana"},
    {"kdmx", "IA Des Moines"},
    {"kdvn", "IA Quad Cities"},
    {"kddc", "KA Dodge City"},
    {"kgld", "KA Goodland"},
    {"ktwx", "KA Topeka"},
    {"kict", "KA Wichita"},
    {"khpx", "KY Fort Cambell"},
    {"kjkl", "KY Jackson"},
    {"klvx", "KY Louisville"},
    {"kpah", "KY Paducah"},
    {"kpoe", "LA Fort Polk"},
    {"klch", "LA Lake Charles"},
    {"klix", "LA New Orleans"},
    {"kshv", "LA Shreveport"},
    {"kcbw", "ME Caribou"},
    {"kgyx", "ME Portland"},
    {"klwx", "MD Baltimore"},
    {"kbox", "MA Boston"},
    {"kdtx", "MI Detroit"},
    {"kapx", "MI Gaylord"},
    {"kgrr", "MI Grand Rapids"},
    {"kmqt", "MI Marquette"},
    {"kmpx", "MN Duluth"},
    {"kmpx", "MN Minneapolis"},
    {"kgwx", "MS Columbus AFB"},
    {"kdgx", "MS Jackson/Brandon"},
    {"keax", "MO Kansas City"},
    {"ksgf", "MO Springfield"},
    {"klsx", "MO St. Louis"},
    {"kblx", "MT Billings"},
    {"kggw", "MT Glasgow"},
    {"ktfx", "MT Great Falls"},
    {"kmsx", "MT Missoula"},
    {"kuex", "NE Hastings"},
    {"klnx", "NE North Platte"},
    {"koax", "NE Omaha"},
    {"klrx", "NV Elko"},
    {"kesx", "NV Las Vegas"},
    {"krgx", "NV Reno"},
    {"kdix", "NJ Mt. Holly"},
    {"kabx", "NM Albuquerque"},
    {"kfdx", "NM Cannon AFB"},
    {"khdx", "NM Holloman AFB"},
    {"kenx", "NY Albany"},
    {"kbgm", "NY Binghamton"},
    {"kbuf", "NY Buffalo"},
    {"ktyx", "NY Montague"},
    {"kokx", "NY New York City"},
    {"kokx", "NY Upton"},
    {"krax", "NC Durham"},
    {"kmhx", "NC Morehead City"},
    {"krax", "NC Raleigh"},
    {"kltx", "NC Wilmington"},
    {"kbis", "ND Bismarck"},
    {"kmvx", "ND Grand Forks"},
    {"kmbx", "ND Minot AFB"},
    {"kiln", "OH Cincinnati"},
    {"kcle", "OH Cleveland"},
    {"kiln", "OH Dayton"},
    {"kiln", "OH Wilmington"},
    {"kfdr", "OK Frederick"},
    {"ktlx", "OK Oklahoma City"},
    {"kinx", "OK Tulsa"},
    {"kvnx", "OK Vance AFB"},
    {"kmax", "OR Medford"},
    {"kpdt", "OR Pendleton"},
    {"krtx", "OR Portland"},
    {"kdix", "PA Philadelphia"},
    {"kpbz", "PA Pittsburgh"},
    {"kccx", "PA State College"},
    {"tjua", "PR Puerto Rico/V.I."},
    {"kclx", "SC Charleston"},
    {"kcae", "SC Columbia"},
    {"kgsp", "SC Greenville"},
    {"kgsp", "SC Spartanburg"},
    {"kgsp", "SC Greer"},
    {"kabr", "SD Aberdeen"},
    {"kudx", "SD Rapid City"},
    {"kfsd", "SD Sioux falls"},
    {"kmrx", "TN Knoxville"},
    {"knqa", "TN Memphis"},
    {"kmrx", "TN Morristown"},
    {"kohx", "TN Nashville"},
    {"kmrx", "TN Tri Cities"},
    {"kama", "TX Amarillo"},
    {"kewx", "TX Austin"},
    {"kbro", "TX Brownsville"},
    {"kgrk", "TX Central Texas"},
    {"kcrp", "TX Corpus Christi"},
    {"kfws", "TX Dallas"},
    {"kdyx", "TX Dyess AFB"},
    {"kepz", "TX El Paso"},
    {"kfws", "TX Fort Worth"},
    {"khgx", "TX Galveston"},
    {"khgx", "TX Houston"},
    {"kdfx", "TX Laughlin AFB"},
    {"klbb", "TX Lubbock"},
    {"kmaf", "TX Midland"},
    {"ksjt", "TX San Angelo"},
    {"kewx", "TX San Antonio"},
    {"kicx", "UT Cedar City"},
    {"kmtx", "UT Salt Lake City"},
    {"kcxx", "VT Burlington"},
    {"kfcx", "VA Blacksburg"},
    {"kakq", "VA Norfolk"},
    {"kakq", "VA Richmond"},
    {"kfcx", "VA Roanoke"},
    {"klwx", "VA Sterling"},
    {"kakq", "VA Wakefield"},
    {"katx", "WA Seattle"},
    {"kotx", "WA Spokane"},
    {"katx", "WA Tacoma"},
    {"klwx", "DC Washington DC"},
    {"krlx", "WV Charleston"},
    {"kgrb", "WI Green Bay"},
    {"karx", "WI La Crosse"},
    {"kmkx", "WI Milwaukee"},
    {"kcys", "WY Cheyenne"},
    {"kriw", "WY Riverton"},
};

const std::array<ProductInfo, ProductSlotCount>& productTable() {
    static const std::array<ProductInfo, ProductSlotCount> table{{
        {QStringLiteral("p19r0"), QStringLiteral("SRB"), QStringLiteral("Short Range Base"),
         QStringLiteral("SRB - Short Range Base Reflectivity"), RangeClass::Short},
        {QStringLiteral("p37cr"), QStringLiteral("SRC"), QStringLiteral("Short Range Composite"),
         QStringLiteral("SRC - Short Range Composite Reflectivity"), RangeClass::Short},
        {QStringLiteral("78ohp"), QStringLiteral("1HR"), QStringLiteral("1 HR Precipitation"),
         QStringLiteral("1HR - 1-Hour Precipitation"), RangeClass::Short},
        {QStringLiteral("80stp"), QStringLiteral("TOT"),
         QStringLiteral("Storm Total Precipitation"),
         QStringLiteral("TOT - Storm Total Precipitation"), RangeClass::Short},
        {QStringLiteral("p20-r"), QStringLiteral("LRB"), QStringLiteral("Long Range Base"),
         QStringLiteral("LRB - Long Range Base Reflectivity"), RangeClass::Long},
        {QStringLiteral("p38cr"), QStringLiteral("LRC"), QStringLiteral("Long Range Composite"),
         QStringLiteral("LRC - Long Range Composite Reflectivity"), RangeClass::Long},
        {QString(), QString(), QString(), QString(), RangeClass::None},
    }};
    return table;
}

void checkRow(int row) {
    if (row < 0 || row > StationTable::LastRow)
        throw core::RuntimeError::subscriptOutOfRange();
}

} // namespace

StationTable::StationTable() = default;

void StationTable::FillStationTable() {
    m_names.fill(QString());
    m_codes.fill(QString());
    m_count = -1;
    for (const auto& row : stationRows)
        AddStation(QLatin1String(row.name), QLatin1String(row.code));
    ++m_count;
}

void StationTable::AddStation(const QString& name, const QString& code) {
    const int row = m_count + 1;
    checkRow(row);
    m_names[row] = name;
    m_codes[row] = code;
    m_count = static_cast<qint16>(row);
}

QString StationTable::name(int row) const {
    checkRow(row);
    return m_names[row];
}

QString StationTable::code(int row) const {
    checkRow(row);
    return m_codes[row];
}

QStringList StationTable::names() const {
    QStringList list;
    for (int row = 0; row < m_count; ++row)
        list.append(m_names[row]);
    return list;
}

int StationTable::findStation(const QString& code) const {
    const QString wanted = code.toUpper();
    for (int row = 0; row < m_count; ++row) {
        if (m_codes[row].toUpper() == wanted)
            return row;
    }
    return -1;
}

QString StationTable::labelForCode(const QString& code) const {
    const int row = findStation(code);
    return row < 0 ? QString() : stationLabel(m_names[row]);
}

const StationTable& fixedStations() {
    static const StationTable table = [] {
        StationTable t;
        t.FillStationTable();
        return t;
    }();
    return table;
}

QString stationLabel(const QString& displayName) {
    return displayName.mid(3) + QStringLiteral(", ") + displayName.left(2);
}

const ProductInfo& productSlot(int slot) {
    if (slot < 0 || slot >= ProductSlotCount)
        throw core::RuntimeError::subscriptOutOfRange();
    return productTable()[static_cast<std::size_t>(slot)];
}

ProductCodes FillProductCodes() {
    ProductCodes codes;
    for (int slot = 0; slot < OfferedProductCount; ++slot)
        codes[static_cast<std::size_t>(slot)] = productSlot(slot).code;
    return codes;
}

QStringList productListEntries() {
    QStringList entries;
    for (int slot = 0; slot < OfferedProductCount; ++slot)
        entries.append(productSlot(slot).listEntry);
    return entries;
}

int productSlotForCode(const QString& code) {
    for (int slot = 0; slot < OfferedProductCount; ++slot) {
        if (productSlot(slot).code == code)
            return slot;
    }
    return -1;
}

const ProductInfo* productForCode(const QString& code) {
    const int slot = productSlotForCode(code);
    return slot < 0 ? nullptr : &productSlot(slot);
}

QString shortLabelFor(const QString& code) {
    const ProductInfo* product = productForCode(code);
    return product ? product->shortLabel : QString();
}

QString longLabelFor(const QString& code) {
    const ProductInfo* product = productForCode(code);
    return product ? product->longLabel : QString();
}

float scaleConstantFor(const QString& code, float shortRangeConstant, float longRangeConstant) {
    const ProductInfo* product = productForCode(code);
    if (!product)
        return 0.0f;
    switch (product->range) {
    case RangeClass::Short:
        return shortRangeConstant;
    case RangeClass::Long:
        return longRangeConstant;
    case RangeClass::None:
        break;
    }
    return 0.0f;
}

QString addressForStationChoice(int row, const QString& currentBaseUrl) {
    const StationTable& stations = fixedStations();
    if (row < 0 || row >= stations.StationCount())
        throw core::RuntimeError::subscriptOutOfRange();
    QString prefix = stationPrefix();
    const QString origin = serverOrigin(currentBaseUrl);
    // The satellite folder lives on the other server.
    if (!origin.isEmpty() && !QUrl(currentBaseUrl.trimmed()).path().startsWith(u"/PS/"))
        prefix = origin + prefix.mid(serverOrigin(prefix).size());
    return prefix + stations.code(row) + QLatin1Char('/');
}

QString stationTitle(const QString& appName, const QString& baseUrl, const QString& mapTypeShort) {
    return QStringLiteral("Cirrusworks ") + appName + QStringLiteral(" - ") +
           fixedStations().labelForCode(stationCodeFromAddress(baseUrl)) + QStringLiteral("  (") +
           shortLabelFor(mapTypeShort) + QLatin1Char(')');
}

QString presetDescription(const QString& baseUrl, const QString& productCode) {
    const QString code = stationCodeFromAddress(baseUrl);
    return code.toUpper() + QStringLiteral(" - ") + fixedStations().labelForCode(code) +
           QStringLiteral(" - ") + longLabelFor(productCode);
}

} // namespace pluvix::acquisition
