#include "WorldFile.h"

#include <QList>

#include <cmath>

namespace pluvix::radarserver::relay {

namespace {

// A pixel wider than this many degrees, or narrower than a few centimetres, is no radar picture.
constexpr double MaxPixelDegrees = 1.0;
constexpr double MinPixelDegrees = 1e-7;

WorldFile refuse(QString* reason, const QString& why) {
    if (reason)
        *reason = why;
    return {};
}

} // namespace

WorldFile WorldFile::parse(QByteArrayView text, QString* reason) {
    if (text.size() > 4096)
        return refuse(reason, QStringLiteral("world file too long"));
    const QList<QByteArray> lines = text.toByteArray().trimmed().split('\n');
    if (lines.size() != 6)
        return refuse(reason, QStringLiteral("world file has %1 lines, not 6").arg(lines.size()));
    double v[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        v[i] = lines[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return refuse(reason, QStringLiteral("world file line %1 is not a number").arg(i + 1));
    }
    if (v[1] != 0 || v[2] != 0)
        return refuse(reason, QStringLiteral("world file has rotation terms"));
    if (!(v[0] >= MinPixelDegrees && v[0] <= MaxPixelDegrees))
        return refuse(reason, QStringLiteral("world file x pixel size out of range"));
    if (!(-v[3] >= MinPixelDegrees && -v[3] <= MaxPixelDegrees))
        return refuse(reason, QStringLiteral("world file y pixel size out of range"));
    if (std::abs(v[4]) > 360 || std::abs(v[5]) > 90)
        return refuse(reason, QStringLiteral("world file corner is off the globe"));
    WorldFile w;
    w.m_valid = true;
    w.m_xSize = v[0];
    w.m_ySize = v[3];
    w.m_west = v[4];
    w.m_north = v[5];
    return w;
}

QString WorldFile::extentProblem(QSize size) const {
    if (!m_valid)
        return QStringLiteral("no valid world file");
    if (size.width() < 1 || size.height() < 1)
        return QStringLiteral("empty picture");
    const double span = size.width() * m_xSize;
    const double south = m_north + size.height() * m_ySize;
    if (span > 360 || south < -90.5)
        return QStringLiteral("picture extends beyond the globe");
    return {};
}

} // namespace pluvix::radarserver::relay
