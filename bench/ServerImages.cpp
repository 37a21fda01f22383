#include "ServerImages.h"

#include "BenchSupport.h"

#include "acquisition/Listing.h"
#include "core/RuntimeError.h"
#include "support/RadarServerProcess.h"

namespace pluvix::bench {

QList<ServedImage> fetchRadarGifs(int count) {
    testsupport::RadarServerProcess server;
    if (!server.start({QStringLiteral("--start"), QStringLiteral("2026-12-06T10:00:00Z"),
                       QStringLiteral("--frozen"), QStringLiteral("--quiet")}))
        fail(QStringLiteral("cannot start the radar server (%1): %2")
                 .arg(testsupport::RadarServerProcess::executable(), server.errorString()));

    // Stations far apart, so that their weather differs.
    const QStringList stations = {QStringLiteral("kmlb"), QStringLiteral("ktlx"),
                                  QStringLiteral("kokx"), QStringLiteral("katx"),
                                  QStringLiteral("kfws"), QStringLiteral("kmux")};
    QList<ServedImage> images;
    for (const QString& station : stations) {
        if (images.size() >= count)
            break;
        const QString folder = QStringLiteral("/radar/images/DS.p37cr/SI.%1/").arg(station);
        const auto listing = server.get(folder);
        if (listing.status != 200)
            fail(QStringLiteral("listing %1: status %2 %3")
                     .arg(folder)
                     .arg(listing.status)
                     .arg(listing.error));
        acquisition::ImageNameList names;
        try {
            names = acquisition::cutImageNames(listing.body);
        } catch (const core::RuntimeError& e) {
            fail(QStringLiteral("listing %1 does not hold ten image names: %2")
                     .arg(folder, e.description()));
        }
        for (const QString& name : names) {
            if (images.size() >= count)
                break;
            const auto reply = server.get(folder + name);
            if (reply.status != 200 || reply.body.isEmpty())
                fail(QStringLiteral("image %1%2: status %3 %4")
                         .arg(folder, name)
                         .arg(reply.status)
                         .arg(reply.error));
            images.append({name, reply.body});
        }
    }
    if (images.size() < count)
        fail(QStringLiteral("the server gave %1 images, %2 wanted").arg(images.size()).arg(count));
    return images;
}

} // namespace pluvix::bench
