#pragma once

#include <QString>

namespace pluvix::acquisition {

// The four characters that follow the first "SI." (letter case ignored). Without "SI." the
// search position is 0 and the code is characters 3 to 6 of the address (1-based).
QString stationCodeFromAddress(const QString& baseUrl);

// The five characters after the first "DS." (letter case ignored) replaced by the product
// code; an address without "DS." is returned unchanged.
QString productSubstituted(const QString& baseUrl, const QString& productCode);

// "http://" + radar host + path.
QString defaultBaseUrl();
// Fixed prefix a station choice starts from; ends in "/radar/images/DS.p37cr/SI.".
QString stationPrefix();
// The satellite folder on the satellite server.
QString satelliteFolder();

} // namespace pluvix::acquisition
