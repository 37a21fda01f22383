#pragma once

#include <QString>
#include <QUrl>

namespace pluvix::acquisition {

// The four characters that follow the first "SI." (letter case ignored). Without "SI." the
// search position is 0 and the code is characters 3 to 6 of the address (1-based).
QString stationCodeFromAddress(const QString& baseUrl);

// The five characters after the first "DS." (letter case ignored) replaced by the product
// code; an address without "DS.", or a code that is not in the product table, leaves the
// address unchanged.
QString productSubstituted(const QString& baseUrl, const QString& productCode);
// The five characters after the first "DS."; empty without "DS.".
QString productCodeFromAddress(const QString& baseUrl);

// The address of an image: the folder followed by the name's own bytes (a name cut from the
// listing holds one character per byte), percent-encoded where an address needs it, so the
// server is asked for exactly what its listing holds.
QUrl imageAddress(const QString& baseUrl, const QString& name);

// host[:port] of the radar image server and of the satellite server.
struct ServerHosts {
    QString radar;
    QString satellite;
};
// The hosts chosen when Pluvix was built.
ServerHosts buildTimeHosts();
// Hosts for this run (from the command line); set once before any address is fetched.
void useServerHosts(const ServerHosts& hosts);

// The address as fetched in this run. Stored addresses keep the build-time hosts, so a host
// given for one run is never written back; an address on any other host (edited by hand) is
// fetched as it is.
QUrl serverUrl(const QString& address);
QUrl serverUrl(QUrl url);

// Scheme, host and port of an address ("http://host:port"); empty when it has no host.
QString serverOrigin(const QString& address);

// "http://" + radar host + path.
QString defaultBaseUrl();
// Fixed prefix a station choice starts from; ends in "/radar/images/DS.p37cr/SI.".
QString stationPrefix();
// The satellite folder on the satellite server.
QString satelliteFolder();

} // namespace pluvix::acquisition
