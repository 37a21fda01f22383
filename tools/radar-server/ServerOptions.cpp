#include "ServerOptions.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace pluvix::radarserver {

using namespace Qt::StringLiterals;

namespace {

std::optional<qint64> parseUtc(const QString& text) {
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    // Without an offset the text is taken as UTC, never as local time.
    if (t.timeSpec() == Qt::LocalTime)
        t = QDateTime(t.date(), t.time(), QTimeZone::utc());
    return t.toMSecsSinceEpoch();
}

} // namespace

ParsedOptions parseServerOptions(const QStringList& arguments, quint16 defaultPort) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves radar image folders, generated radar GIFs and satellite JPEGs over HTTP, "
        "for the Pluvix viewer and its tests.\n\n"
        "Addresses:\n"
        "  /radar/images/DS.<product>/SI.<station>/   folder listing of the ten newest images\n"
        "  /radar/images/DS.<product>/SI.<station>/<name>.gif\n"
        "  /PS/TROP/DATA/RT/FLOAT/IR4/11.jpg ... 20.jpg (20 is the newest)\n"
        "Control (loopback only, GET or POST):\n"
        "  /control/time                      current server time\n"
        "  /control/advance?images=N          move the clock on N intervals (or seconds=S)\n"
        "  /control/faults?name=value&...     set faults; names as the fault options below\n"
        "  /control/reset                     clear all faults, drop stalled requests"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on; 0 picks a free one."),
                                  QStringLiteral("N"), QString::number(defaultPort));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Address to listen on."),
                                     QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Seconds between images, a multiple of 60."),
                                      QStringLiteral("S"), QStringLiteral("300"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Start the clock at this UTC time "
                                                  "(2024-05-01T15:30:00Z) instead of now."),
                                   QStringLiteral("ISO-UTC"));
    const QCommandLineOption frozen(QStringLiteral("frozen"),
                                    QStringLiteral("Stop the clock; only /control/advance moves "
                                                   "it."));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Weather seed; the same seed draws the same "
                                                 "pictures."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("Serve the .gif files of this folder for every "
                                                "station and product instead of drawn images."),
                                 QStringLiteral("FOLDER"));
    const QCommandLineOption upstream(
        QStringLiteral("upstream"),
        QStringLiteral("Relay today's radar pictures from the archive at URL instead of drawing "
                       "them."),
        QStringLiteral("URL"));
    const QCommandLineOption live(
        QStringLiteral("live"),
        QStringLiteral("Relay real radar pictures: --upstream https://mesonet.agron.iastate.edu"));
    const QCommandLineOption lowercase(QStringLiteral("lowercase-listing"),
                                       QStringLiteral("Write listings with <a href=...> links."));
    const QCommandLineOption cache(QStringLiteral("cache"),
                                   QStringLiteral("Generated images kept in memory."),
                                   QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption noCacheHeaders(
        QStringLiteral("no-cache-headers"),
        QStringLiteral("Send no Cache-Control or Last-Modified, as a plain folder server."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not log requests."));
    const QCommandLineOption latency(QStringLiteral("latency"),
                                     QStringLiteral("Fault: delay every answer."),
                                     QStringLiteral("MS"));
    const QCommandLineOption failNext(QStringLiteral("fail-next"),
                                      QStringLiteral("Fault: fail the next N requests."),
                                      QStringLiteral("N"));
    const QCommandLineOption failStatus(QStringLiteral("fail-status"),
                                        QStringLiteral("Fault: status of failed requests "
                                                       "(default 500)."),
                                        QStringLiteral("CODE"));
    const QCommandLineOption stallNext(QStringLiteral("stall-next"),
                                       QStringLiteral("Fault: accept the next N requests and "
                                                      "never answer."),
                                       QStringLiteral("N"));
    const QCommandLineOption listing404(QStringLiteral("listing-404"),
                                        QStringLiteral("Fault: answer folder listings with 404."));
    const QCommandLineOption truncate(QStringLiteral("truncate"),
                                      QStringLiteral("Fault: close connections half-way through "
                                                     "bodies."));
    const QCommandLineOption oversize(QStringLiteral("oversize-mib"),
                                      QStringLiteral("Fault: pad station listings past N MiB."),
                                      QStringLiteral("N"));
    const QCommandLineOption noGif(QStringLiteral("no-gif"),
                                   QStringLiteral("Fault: station listings name no .gif files."));
    parser.addOptions({help,       version,   port,       address,  interval, start,   frozen,
                       seed,       dir,       lowercase,  cache,    quiet,    latency, failNext,
                       failStatus, stallNext, listing404, truncate, oversize, noGif});
    parser.addOptions({noCacheHeaders, upstream, live});

    ParsedOptions result;
    auto fail = [&result](const QString& text) {
        result.outcome = ParsedOptions::Outcome::Error;
        result.text = text;
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(u"unexpected argument \"" + parser.positionalArguments().first() + u'"');
    if (parser.isSet(help)) {
        result.outcome = ParsedOptions::Outcome::ShowHelp;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.outcome = ParsedOptions::Outcome::ShowVersion;
        return result;
    }

    ServerOptions& o = result.options;
    bool ok = false;
    const uint p = parser.value(port).toUInt(&ok);
    if (!ok || p > 65535)
        return fail(u"bad --port \"" + parser.value(port) + u'"');
    o.port = quint16(p);
    if (!o.address.setAddress(parser.value(address)))
        return fail(u"bad --address \"" + parser.value(address) + u'"');
    o.intervalSecs = parser.value(interval).toInt(&ok);
    // Image names carry minutes only, so shorter or uneven intervals would repeat names.
    if (!ok || o.intervalSecs < 60 || o.intervalSecs % 60 != 0 || o.intervalSecs > 86400)
        return fail(u"bad --interval \"" + parser.value(interval) +
                    u"\": a multiple of 60 seconds up to 86400 is needed");
    if (parser.isSet(start)) {
        o.startUtcMsecs = parseUtc(parser.value(start));
        if (!o.startUtcMsecs)
            return fail(u"bad --start \"" + parser.value(start) +
                        u"\": an ISO date and time such as 2024-05-01T15:30:00Z is needed");
    }
    o.frozen = parser.isSet(frozen);
    o.seed = parser.value(seed).toUInt(&ok);
    if (!ok)
        return fail(u"bad --seed \"" + parser.value(seed) + u'"');
    if (parser.isSet(dir)) {
        o.imageDir = parser.value(dir);
        if (!QFileInfo(o.imageDir).isDir())
            return fail(u"--dir \"" + o.imageDir + u"\" is not a folder");
    }
    if (parser.isSet(upstream) && parser.isSet(live))
        return fail(u"--upstream and --live cannot be combined"_s);
    if (parser.isSet(upstream) || parser.isSet(live)) {
        if (parser.isSet(dir))
            return fail(u"--dir cannot be combined with a relay"_s);
        const QString text =
            parser.isSet(live) ? u"https://mesonet.agron.iastate.edu"_s : parser.value(upstream);
        o.upstream = QUrl(text, QUrl::StrictMode);
        if (!o.upstream.isValid() || o.upstream.host().isEmpty() ||
            (o.upstream.scheme() != u"http" && o.upstream.scheme() != u"https") ||
            o.upstream.hasQuery() || o.upstream.hasFragment())
            return fail(u"bad --upstream \"" + text + u"\": an http or https address is needed");
    }
    if (parser.isSet(lowercase))
        o.listingStyle = ListingStyle::LowerCase;
    o.cacheEntries = parser.value(cache).toInt(&ok);
    if (!ok || o.cacheEntries < 0)
        return fail(u"bad --cache \"" + parser.value(cache) + u'"');
    o.quiet = parser.isSet(quiet);
    o.cacheHeaders = !parser.isSet(noCacheHeaders);

    QUrlQuery faults;
    for (const QCommandLineOption* opt :
         {&latency, &failNext, &failStatus, &stallNext, &oversize}) {
        if (parser.isSet(*opt))
            faults.addQueryItem(opt->names().first(), parser.value(*opt));
    }
    for (const QCommandLineOption* opt : {&listing404, &truncate, &noGif}) {
        if (parser.isSet(*opt))
            faults.addQueryItem(opt->names().first(), QStringLiteral("1"));
    }
    if (const QString error = o.faults.apply(faults); !error.isEmpty())
        return fail(error);
    return result;
}

} // namespace pluvix::radarserver
