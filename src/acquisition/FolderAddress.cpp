#include "acquisition/FolderAddress.h"

#include "core/BuildConfig.h"

namespace pluvix::acquisition {

namespace {
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
    if (p == 0)
        return baseUrl;
    return baseUrl.left(p + 2) + productCode + baseUrl.mid(p + 7);
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
