#include "acquisition/FolderAddress.h"

#include "acquisition/Catalogue.h"
#include "core/BuildConfig.h"

namespace pluvix::acquisition {

namespace {
ServerHosts& runTimeHosts() {
    static ServerHosts hosts = buildTimeHosts();
    return hosts;
}

QString authority(const QUrl& url) {
    return url.port() < 0 ? url.host() : url.host() + u':' + QString::number(url.port());
}

QString authorityOf(const QString& hostPort) {
    return authority(QUrl(QStringLiteral("http://") + hostPort));
}

// 1-based substring that is shorter or empty past the end, never an error.
QString mid1(const QString& s, qsizetype start1, qsizetype length) {
    const qsizetype start0 = start1 - 1;
    if (start0 >= s.size() || length <= 0)
        return {};
    return s.mid(qMax<qsizetype>(start0, 0), length - (start0 < 0 ? -start0 : 0));
}
} // namespace

QString stationCodeFromAddress(const QString& baseUrl) {
    const qsizetype p = baseUrl.indexOf(QLatin1String("SI."), 0, Qt::CaseInsensitive) + 1;
    return mid1(baseUrl, p + 3, 4);
}

QString productSubstituted(const QString& baseUrl, const QString& productCode) {
    const qsizetype p = baseUrl.indexOf(QLatin1String("DS."), 0, Qt::CaseInsensitive) + 1;
    // Anything else (empty, a path, an address) would make a folder that does not exist.
    if (p == 0 || !productForCode(productCode))
        return baseUrl;
    return baseUrl.left(p + 2) + productCode + baseUrl.mid(p + 7);
}

QString productCodeFromAddress(const QString& baseUrl) {
    const qsizetype p = baseUrl.indexOf(QLatin1String("DS."), 0, Qt::CaseInsensitive);
    return p < 0 ? QString() : baseUrl.mid(p + 3, 5);
}

ServerHosts buildTimeHosts() {
    return {QString::fromUtf8(core::build::radarHost),
            QString::fromUtf8(core::build::satelliteHost)};
}

void useServerHosts(const ServerHosts& hosts) {
    runTimeHosts() = hosts;
}

QUrl serverUrl(const QString& address) {
    return serverUrl(QUrl(address));
}

QUrl serverUrl(QUrl url) {
    // Both servers may share the build-time host; the satellite folder tells them apart.
    const bool satellite = url.path().startsWith(QLatin1String("/PS/"));
    const ServerHosts built = buildTimeHosts();
    const QString from = authorityOf(satellite ? built.satellite : built.radar);
    const QString to = satellite ? runTimeHosts().satellite : runTimeHosts().radar;
    if (url.scheme() == QLatin1String("http") && authority(url) == from &&
        authorityOf(to) != from) {
        const QUrl target(QStringLiteral("http://") + to);
        url.setHost(target.host());
        url.setPort(target.port());
    }
    return url;
}

QString serverOrigin(const QString& address) {
    const QUrl url(address.trimmed());
    if (url.scheme().isEmpty() || url.host().isEmpty())
        return {};
    return url.scheme() + QStringLiteral("://") + url.authority();
}

QString defaultBaseUrl() {
    return QStringLiteral("http://") + QLatin1String(core::build::radarHost) +
           QStringLiteral("/radar/images/DS.p37cr/SI.kmlb/");
}

QString stationPrefix() {
    return QStringLiteral("http://") + QLatin1String(core::build::radarHost) +
           QStringLiteral("/radar/images/DS.p37cr/SI.");
}

QString satelliteFolder() {
    return QStringLiteral("http://") + QLatin1String(core::build::satelliteHost) +
           QStringLiteral("/PS/TROP/DATA/RT/FLOAT/IR4/");
}

QUrl imageAddress(const QString& baseUrl, const QString& name) {
    // '%' stays: a listing's links are already encoded where their writer thought it needed.
    const QByteArray path = name.toLatin1().toPercentEncoding("/%!$&'()*+,;=:@~");
    return QUrl::fromEncoded(QUrl(baseUrl).toEncoded() + path);
}

} // namespace pluvix::acquisition
