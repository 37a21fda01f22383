#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace pluvix::radarserver {

enum class RangeClass { Short, Long };
enum class ProductKind { Reflectivity, OneHourPrecipitation, StormTotalPrecipitation };

struct Product {
    const char* code;     // folder code, "p37cr"
    const char* tag;      // four characters of every image name
    const char* title;    // label line of the picture
    const char* subtitle; // second label line
    RangeClass range;
    ProductKind kind;
    bool composite;
};

const Product* findProduct(QStringView code);
const QList<const Product*>& allProducts();

bool isKnownStation(QStringView code);
// Distinct station codes in table order.
const QStringList& stationCodes();

// "MLB" + YYYYMMDD + tag + HHMM + ".gif", all UTC.
QString imageName(QStringView station, const Product& product, qint64 utcSecs);
// The time of a name in exactly the form imageName() gives for this station and product.
std::optional<qint64> imageNameTime(QStringView name, QStringView station, const Product& product);

} // namespace pluvix::radarserver
