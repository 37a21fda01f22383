// What the relay holds with every station's six products relayed: the server's resident memory
// after listing and fetching the ten frames of each, against an archive served from a folder
// (python3's http.server: plain folder indexes, .png as image/png).
#include "BenchSupport.h"

#include "acquisition/Catalogue.h"
#include "support/RadarServerProcess.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <cstdio>

using namespace pluvix;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 TargetMiB = 300;
const QStringList Products = {QStringLiteral("p19r0"), QStringLiteral("p37cr"),
                              QStringLiteral("78ohp"), QStringLiteral("80stp"),
                              QStringLiteral("p20-r"), QStringLiteral("p38cr")};

// Ten scans of N0B, N1P and NTP for every station, a speckled 0.01-degree picture around it.
void writeArchive(const QString& root, const QStringList& stations) {
    QImage png(460, 460, QImage::Format_Indexed8);
    png.setColorTable({0x00000000, 0xff00ec00, 0xffffff00, 0xffff0000});
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            png.setPixel(x, y, uint((x / 7 + y / 5 + x * y) % 9 < 3 ? (x + y) % 4 : 0));
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    for (const QString& station : stations) {
        const QString site = station.mid(1).toUpper();
        for (const QString& product : {u"N0B"_s, u"N1P"_s, u"NTP"_s}) {
            const QString dir =
                root + u"/archive/data/2024/05/01/GIS/ridge/" + site + u'/' + product;
            QDir().mkpath(dir);
            for (int i = 0; i < 10; ++i) {
                const QString stem = dir + u'/' + site + u'_' + product +
                                     u"_20240501%1"_s.arg(i * 5, 4, 10, QChar(u'0'));
                QFile f(stem + u".png"), w(stem + u".wld");
                if (!f.open(QIODevice::WriteOnly) || !w.open(QIODevice::WriteOnly))
                    bench::fail(u"cannot write " + stem);
                f.write(pngBytes);
                w.write("0.010000\n0.0\n0.0\n-0.010000\n-100.000000\n40.000000\n");
            }
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    bench::prepareEnvironment();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", dir.filePath(u"cache"_s).toLocal8Bit());
    QStringList stations;
    const auto& table = acquisition::fixedStations();
    for (int row = 0; row < table.StationCount(); ++row)
        if (!stations.contains(table.code(row)))
            stations << table.code(row);
    writeArchive(dir.filePath(u"archive"_s), stations);

    QProcess archive;
    archive.setWorkingDirectory(dir.filePath(u"archive"_s));
    archive.setProcessChannelMode(QProcess::MergedChannels);
    archive.start(u"python3"_s,
                  {u"-u"_s, u"-m"_s, u"http.server"_s, u"0"_s, u"--bind"_s, u"127.0.0.1"_s});
    QByteArray banner;
    while (!banner.contains(") ...") && archive.waitForReadyRead(10000))
        banner += archive.readAll();
    const auto port = QRegularExpression(u"port (\\d+)"_s).match(QString::fromLatin1(banner));
    if (!port.hasMatch())
        bench::fail(u"python3 -m http.server did not start: " + QString::fromLatin1(banner));

    testsupport::RadarServerProcess server;
    if (!server.start({u"--start"_s, u"2024-05-01T01:00:00Z"_s, u"--frozen"_s, u"--quiet"_s,
                       u"--upstream"_s, u"http://127.0.0.1:" + port.captured(1)}))
        bench::fail(server.errorString());

    // Every folder, then its frames, a few requests in flight as several viewers would.
    QNetworkAccessManager network;
    QStringList queue;
    for (const QString& s : stations)
        for (const QString& p : Products)
            queue << server.folderUrl(s, p);
    int running = 0, frames = 0, failures = 0;
    QEventLoop loop;
    std::function<void()> pump = [&] {
        while (running < 8 && !queue.isEmpty()) {
            const QUrl url(queue.takeFirst());
            QNetworkReply* reply = network.get(QNetworkRequest(url));
            ++running;
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, url] {
                reply->deleteLater();
                --running;
                const QByteArray body = reply->readAll();
                if (reply->error() != QNetworkReply::NoError)
                    ++failures;
                else if (url.path().endsWith(u'/'))
                    for (const auto& m : QRegularExpression(u"HREF=\"([^\"/]+\\.gif)\""_s)
                                             .globalMatch(QString::fromLatin1(body)))
                        queue << url.toString() + m.captured(1);
                else
                    ++frames;
                if (running == 0 && queue.isEmpty())
                    loop.quit();
                else
                    pump();
            });
        }
    };
    QElapsedTimer timer;
    timer.start();
    pump();
    loop.exec();
    const qint64 peak = server.peakMemoryMiB();
    std::printf("%d frames relayed for %lld stations x %lld products in %.0f s, %d failures; "
                "server peak resident memory %lld MiB\n",
                frames, qint64(stations.size()), qint64(Products.size()),
                double(timer.elapsed()) / 1000.0, failures, peak);
    const bool pass = failures == 0 && frames == stations.size() * Products.size() * 10 &&
                      peak > 0 && peak < TargetMiB;
    bench::reportResult(u"relay, all frames cached: server peak memory"_s,
                        QString::number(peak) + u" MiB", u"< 300 MiB"_s, pass);
    archive.kill();
    archive.waitForFinished();
    return pass ? 0 : 1;
}
