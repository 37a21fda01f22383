#include "HttpServer.h"
#include "RadarService.h"
#include "ServerClock.h"
#include "ServerOptions.h"
#include "relay/Relay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>

#include <cstdio>

using namespace pluvix::radarserver;

namespace {

void writeLine(std::FILE* stream, const QByteArray& line) {
    // Flushed per line: tests read the port from the first line through a pipe.
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pluvix-radar-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUVIX_VERSION));

    const ParsedOptions parsed = parseServerOptions(app.arguments(), PLUVIX_DEFAULT_PORT);
    switch (parsed.outcome) {
    case ParsedOptions::Outcome::ShowHelp:
        writeLine(stdout, parsed.text.toUtf8());
        return 0;
    case ParsedOptions::Outcome::ShowVersion:
        writeLine(stdout, "pluvix-radar-server " PLUVIX_VERSION);
        return 0;
    case ParsedOptions::Outcome::Error:
        writeLine(stderr, "pluvix-radar-server: " + parsed.text.toUtf8() +
                              "\nTry 'pluvix-radar-server --help'.");
        return 2;
    case ParsedOptions::Outcome::Run:
        break;
    }
    const ServerOptions& o = parsed.options;

    ServerClock clock(o.startUtcMsecs.value_or(QDateTime::currentMSecsSinceEpoch()), o.frozen,
                      o.intervalSecs);
    ServiceConfig config;
    config.seed = o.seed;
    config.imageDir = o.imageDir;
    config.listingStyle = o.listingStyle;
    config.cacheEntries = o.cacheEntries;
    config.cacheHeaders = o.cacheHeaders;
    RadarService service(config, clock, o.faults);
    std::unique_ptr<relay::Relay> relayed;
    if (!o.upstream.isEmpty()) {
        relay::RelayConfig rc;
        rc.upstream = o.upstream;
        rc.userAgent = "Pluvix/" PLUVIX_VERSION " (pluvix-radar-server relay)";
        // Private to the user: DiskCache makes the folder 0700 and refuses one that is not ours.
        rc.cacheFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                         u"/pluvix-radar-server/relay";
        relayed = std::make_unique<relay::Relay>(rc, clock);
        service.setRelay(relayed.get());
    }
    RequestLog log;
    if (!o.quiet)
        log = [](const QByteArray& line) { writeLine(stdout, line); };
    HttpServer server(service, log);
    if (!server.listen(o.address, o.port)) {
        writeLine(stderr, "pluvix-radar-server: cannot listen on " + o.address.toString().toUtf8() +
                              ':' + QByteArray::number(o.port) + ": " +
                              server.errorString().toUtf8());
        return 1;
    }
    const QString host = o.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + o.address.toString() + u']'
                             : o.address.toString();
    writeLine(stdout, "listening on " + host.toUtf8() + ':' + QByteArray::number(server.port()));
    return app.exec();
}
