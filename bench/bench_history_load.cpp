// Start-up to a full history against the bundled server with added latency: the window's
// concurrent downloads against the same window fetching the images one after another. Then a
// second start on the first one's cache folder against a server that sends no cache headers.
#include "AppHarness.h"
#include "BenchSupport.h"

#include "platform/DownloadService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cstdio>

using namespace pluvix;
using namespace std::chrono_literals;

namespace {

enum class Fetch { Concurrent, OneAfterAnother };

// Passes every call on and notes when the history batch began and when its last image was in.
// One after another, the batch becomes the blocking download of each address in turn.
class TimedDownloads final : public platform::DownloadService {
public:
    TimedDownloads(platform::DownloadService& inner, Fetch fetch) : m_inner(inner), m_fetch(fetch) {
        m_clock.start();
    }

    void deleteCacheEntry(const QUrl& url) override { m_inner.deleteCacheEntry(url); }

    using DownloadService::download;
    platform::DownloadResult download(const QUrl& url, const QString& localFile, qint64 maxBytes,
                                      platform::CachePolicy cache) override {
        const double begin = nowMs();
        auto r = m_inner.download(url, localFile, maxBytes, cache);
        events << QStringLiteral("%1-%2 ms download %3")
                      .arg(begin, 0, 'f', 0)
                      .arg(nowMs(), 0, 'f', 0)
                      .arg(url.fileName().isEmpty() ? QStringLiteral("(listing)") : url.fileName());
        return r;
    }

    using DownloadService::startBatch;
    std::unique_ptr<platform::DownloadBatch> startBatch(const QList<QUrl>& urls,
                                                        qint64 maxBytesEach,
                                                        platform::CachePolicy cache,
                                                        qsizetype first) override {
        ++batches;
        batchStartMs = nowMs();
        events << QStringLiteral("%1 ms batch of %2 started")
                      .arg(batchStartMs, 0, 'f', 0)
                      .arg(urls.size());
        if (m_fetch == Fetch::Concurrent)
            return std::make_unique<Timed>(*this,
                                           m_inner.startBatch(urls, maxBytesEach, cache, first));
        return std::make_unique<OneByOne>(*this, urls, maxBytesEach, cache);
    }

    double nowMs() const { return double(m_clock.nsecsElapsed()) / 1e6; }

    int batches = 0;
    int imagesIn = 0;
    QStringList failures;
    QStringList events; // for --verbose
    double batchStartMs = -1.0;
    double lastImageMs = -1.0;
    double takeStartMs = -1.0;

private:
    void noteResult(const platform::DownloadResult& r) {
        lastImageMs = nowMs();
        events << QStringLiteral("%1-%2 ms image %3 taken")
                      .arg(takeStartMs, 0, 'f', 0)
                      .arg(lastImageMs, 0, 'f', 0)
                      .arg(imagesIn + 1);
        if (r.ok)
            ++imagesIn;
        else
            failures << r.message;
    }

    class Timed final : public platform::DownloadBatch {
    public:
        Timed(TimedDownloads& owner, std::unique_ptr<platform::DownloadBatch> inner)
            : m_owner(owner), m_inner(std::move(inner)) {}
        platform::DownloadResult takeNext(const QString& localFile) override {
            m_owner.takeStartMs = m_owner.nowMs();
            auto r = m_inner->takeNext(localFile);
            m_owner.noteResult(r);
            return r;
        }
        int remaining() const override { return m_inner->remaining(); }
        platform::DownloadResult take(int index, const QString& localFile) override {
            const double begin = m_owner.nowMs();
            auto r = m_inner->take(index, localFile);
            m_owner.events << QStringLiteral("%1-%2 ms image %3 taken ahead")
                                  .arg(begin, 0, 'f', 0)
                                  .arg(m_owner.nowMs(), 0, 'f', 0)
                                  .arg(index + 1);
            return r;
        }
        void cancel() override { m_inner->cancel(); }

    private:
        TimedDownloads& m_owner;
        std::unique_ptr<platform::DownloadBatch> m_inner;
    };

    class OneByOne final : public platform::DownloadBatch {
    public:
        OneByOne(TimedDownloads& owner, QList<QUrl> urls, qint64 cap, platform::CachePolicy cache)
            : m_owner(owner), m_urls(std::move(urls)), m_cap(cap), m_cache(cache) {}
        platform::DownloadResult takeNext(const QString& localFile) override {
            if (m_next >= m_urls.size()) {
                platform::DownloadResult none;
                none.message = QStringLiteral("no transfer left");
                return none;
            }
            m_owner.takeStartMs = m_owner.nowMs();
            const qsizetype i = m_next++;
            platform::DownloadResult r;
            if (m_ahead.contains(i)) {
                // Fetched ahead: written again, not fetched again, as the concurrent batch does.
                QFile file(localFile);
                r.ok = file.open(QIODevice::WriteOnly) && file.write(m_ahead[i]) >= 0;
                r.failure = platform::DownloadResult::Failure::None;
            } else {
                r = m_owner.m_inner.download(m_urls[i], localFile, m_cap, m_cache);
            }
            m_owner.noteResult(r);
            return r;
        }
        int remaining() const override { return int(m_urls.size() - m_next); }
        platform::DownloadResult take(int index, const QString& localFile) override {
            auto r = m_owner.m_inner.download(m_urls[index], localFile, m_cap, m_cache);
            QFile file(localFile);
            if (r.ok && file.open(QIODevice::ReadOnly))
                m_ahead.insert(index, file.readAll());
            return r;
        }
        void cancel() override { m_next = m_urls.size(); }

    private:
        TimedDownloads& m_owner;
        QList<QUrl> m_urls;
        qint64 m_cap;
        platform::CachePolicy m_cache;
        qsizetype m_next = 0;
        QHash<qsizetype, QByteArray> m_ahead;
    };

    platform::DownloadService& m_inner;
    Fetch m_fetch;
    QElapsedTimer m_clock;
};

struct LoadTimes {
    double startUpMs = 0; // the whole window load
    double historyMs = 0; // history batch started until its tenth image was in
};

LoadTimes loadWindow(const QString& folder, Fetch fetch, bool verbose) {
    // A fresh harness each time: its own disk cache, so no image comes from an earlier run.
    testsupport::AppHarness h;
    h.downloads->setTransferTimeout(10s);
    h.downloads->setTotalTimeout(30s);
    TimedDownloads timed(*h.downloads, fetch);
    h.downloadsOverride = &timed;
    h.set(QStringLiteral("BaseURL"), folder);

    QElapsedTimer clock;
    clock.start();
    auto& w = h.load();
    const double startUpMs = double(clock.nsecsElapsed()) / 1e6;

    const char* how = fetch == Fetch::Concurrent ? "concurrent" : "one after another";
    if (!h.boxes.shown.isEmpty())
        bench::fail(QStringLiteral("the window showed \"%1\" while loading (%2)")
                        .arg(h.boxes.shown.first().text, QLatin1String(how)));
    if (h.programEnd.endCount != 0)
        bench::fail(QStringLiteral("the window ended the program while loading (%1)")
                        .arg(QLatin1String(how)));
    if (timed.batches != 1 || timed.imagesIn != 10 || !timed.failures.isEmpty())
        bench::fail(QStringLiteral("expected one batch of 10 images, got %1 batches, %2 images "
                                   "in (%3); failures: %4")
                        .arg(timed.batches)
                        .arg(timed.imagesIn)
                        .arg(QLatin1String(how), timed.failures.join(QStringLiteral("; "))));
    if (w.viewer().feed().history().UBound() != 9)
        bench::fail(QStringLiteral("history holds %1 elements instead of 10 (%2)")
                        .arg(w.viewer().feed().history().UBound() + 1)
                        .arg(QLatin1String(how)));
    for (int i = 0; i < 10; ++i) {
        if (w.viewer().feed().history().picture(i).isNull())
            bench::fail(QStringLiteral("history element %1 has no picture (%2)")
                            .arg(i)
                            .arg(QLatin1String(how)));
    }
    if (verbose) {
        std::printf("  %s, window load %.0f ms:\n", how, startUpMs);
        for (const QString& e : timed.events)
            std::printf("    %s\n", qPrintable(e));
    }
    return {startUpMs, timed.lastImageMs - timed.batchStartMs};
}

QString ratioText(double baseline, double measured) {
    return QString::number(baseline / measured, 'f', 1) + QLatin1Char('x');
}

QString rttText(double ms, int latencyMs) {
    return QString::number(ms / latencyMs, 'f', 2) + QStringLiteral(" RTT");
}

struct WarmRestart {
    int imageRequests = 0;
    qint64 imageBytes = 0;
    int listingRequests = 0;
    double startUpMs = 0;
};

// Two starts on one cache folder against a server that sends no cache headers, as a plain
// folder server does; counts what the second one asked for.
WarmRestart warmRestart(int latencyMs) {
    testsupport::RadarServerProcess server;
    if (!server.start({QStringLiteral("--start"), QStringLiteral("2026-12-06T10:00:00Z"),
                       QStringLiteral("--frozen"), QStringLiteral("--no-cache-headers"),
                       QStringLiteral("--latency"), QString::number(latencyMs)}))
        bench::fail(QStringLiteral("cannot start the radar server: ") + server.errorString());
    const QString folder = server.folderUrl(QStringLiteral("kmlb"), QStringLiteral("p37cr"));
    QTemporaryDir cacheDir;
    WarmRestart result;
    qsizetype logged = 0;
    for (int run = 0; run < 2; ++run) {
        testsupport::AppHarness h;
        h.downloads = std::make_unique<platform::NetworkDownloadService>(
            cacheDir.path(), &acquisition::passesPictureCheck);
        h.set(QStringLiteral("BaseURL"), folder);
        QElapsedTimer clock;
        clock.start();
        auto& w = h.load();
        result.startUpMs = double(clock.nsecsElapsed()) / 1e6;
        if (!h.boxes.shown.isEmpty() || w.viewer().feed().history().UBound() != 9)
            bench::fail(
                QStringLiteral("start %1 on a server without cache headers failed").arg(run + 1));
        logged = run == 0 ? server.requestLog().size() : logged;
    }
    const QString folderPath = QUrl(folder).path();
    // Lines read "GET <path> <status> <bytes> <ms>".
    for (const QString& line : server.requestLog().mid(logged)) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() < 4 || !fields[1].startsWith(folderPath))
            continue;
        if (fields[1] == folderPath) {
            ++result.listingRequests;
        } else {
            ++result.imageRequests;
            result.imageBytes += fields[3].toLongLong();
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    bench::prepareEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (bench::hasFlag(args, QStringLiteral("--help"))) {
        std::printf("usage: bench_history_load [--repeats N] [--latency MS] [--verbose]\n"
                    "  --verbose   print when each transfer began and ended\n");
        return 0;
    }
    const int repeats = bench::intOption(args, QStringLiteral("--repeats"), 3);
    const int latencyMs = bench::intOption(args, QStringLiteral("--latency"), 100);
    const bool verbose = bench::hasFlag(args, QStringLiteral("--verbose"));
    const bench::Watchdog watchdog(
        QStringLiteral("bench_history_load"),
        std::chrono::seconds(60 + repeats * (2 + latencyMs * 30 / 1000)));

    testsupport::RadarServerProcess server;
    if (!server.start({QStringLiteral("--start"), QStringLiteral("2026-12-06T10:00:00Z"),
                       QStringLiteral("--frozen"), QStringLiteral("--quiet"),
                       QStringLiteral("--latency"), QString::number(latencyMs)}))
        bench::fail(QStringLiteral("cannot start the radar server (%1): %2")
                        .arg(testsupport::RadarServerProcess::executable(), server.errorString()));
    const QString folder = server.folderUrl(QStringLiteral("kmlb"), QStringLiteral("p37cr"));

    // The server draws each picture on first request; draw them before anything is timed, and
    // let the window code warm up once as well.
    loadWindow(folder, Fetch::Concurrent, false);

    std::printf("bench_history_load: %d runs, %d ms added to every server answer\n", repeats,
                latencyMs);
    std::printf("%-4s %24s %24s\n", "run", "concurrent", "one after another");
    std::printf("%-4s %11s %12s %11s %12s\n", "", "start-up", "history", "start-up", "history");
    QList<double> startUp[2], history[2];
    for (int run = 1; run <= repeats; ++run) {
        // Alternating the order keeps a slow spell of the machine from favouring one side.
        const bool concurrentFirst = run % 2 == 1;
        LoadTimes t[2];
        for (int k = 0; k < 2; ++k) {
            const bool concurrent = (k == 0) == concurrentFirst;
            t[concurrent ? 0 : 1] = loadWindow(
                folder, concurrent ? Fetch::Concurrent : Fetch::OneAfterAnother, verbose);
        }
        for (int m = 0; m < 2; ++m) {
            startUp[m] << t[m].startUpMs;
            history[m] << t[m].historyMs;
        }
        std::printf("%-4d %8.0f ms %9.0f ms %8.0f ms %9.0f ms\n", run, t[0].startUpMs,
                    t[0].historyMs, t[1].startUpMs, t[1].historyMs);
    }
    const double sc = bench::median(startUp[0]), so = bench::median(startUp[1]);
    const double hc = bench::median(history[0]), ho = bench::median(history[1]);
    std::printf("%-4s %8.0f ms %9.0f ms %8.0f ms %9.0f ms\n", "med", sc, hc, so, ho);
    std::printf("history load, 10 images: concurrent %.0f ms, one after another %.0f ms, %.2fx "
                "faster\n",
                hc, ho, ho / hc);
    std::printf("start-up to full history: concurrent %.0f ms, one after another %.0f ms, %.2fx "
                "faster\n",
                sc, so, so / sc);

    std::printf("as round trips (%d ms): start-up %s, history load %s (limits 2 and 1)\n",
                latencyMs, qPrintable(rttText(sc, latencyMs)), qPrintable(rttText(hc, latencyMs)));

    const WarmRestart warm = warmRestart(latencyMs);
    std::printf("warm restart, server without cache headers: %d image requests, %lld image bytes, "
                "%d listing request, start-up %.0f ms (%s)\n",
                warm.imageRequests, static_cast<long long>(warm.imageBytes), warm.listingRequests,
                warm.startUpMs, qPrintable(rttText(warm.startUpMs, latencyMs)));

    const QString latency = QStringLiteral(" (%1 ms latency)").arg(latencyMs);
    bench::reportResult(QStringLiteral("history load speed-up") + latency,
                        ratioText(ho, hc) +
                            QStringLiteral(" (%1 vs %2 ms)").arg(qRound(hc)).arg(qRound(ho)),
                        QStringLiteral(">= 4x"), ho >= 4.0 * hc);
    bench::reportResult(QStringLiteral("start-up to full history speed-up") + latency,
                        ratioText(so, sc) +
                            QStringLiteral(" (%1 vs %2 ms)").arg(qRound(sc)).arg(qRound(so)),
                        QStringLiteral(">= 4x"), so >= 4.0 * sc);
    // Two round trips (listing, then all images at once) and one for the images alone.
    const double startUpTarget = 2.4 * latencyMs, historyTarget = 1.3 * latencyMs;
    bench::reportResult(QStringLiteral("start-up to full history") + latency,
                        QStringLiteral("%1 ms, %2").arg(qRound(sc)).arg(rttText(sc, latencyMs)),
                        QStringLiteral("<= %1 ms (2.4 RTT)").arg(qRound(startUpTarget)),
                        sc <= startUpTarget);
    bench::reportResult(QStringLiteral("history load of ten images") + latency,
                        QStringLiteral("%1 ms, %2").arg(qRound(hc)).arg(rttText(hc, latencyMs)),
                        QStringLiteral("<= %1 ms (1.3 RTT)").arg(qRound(historyTarget)),
                        hc <= historyTarget);
    bench::reportResult(
        QStringLiteral("warm restart image requests (no cache headers)"),
        QStringLiteral("%1 (%2 bytes)").arg(warm.imageRequests).arg(warm.imageBytes),
        QStringLiteral("0"), warm.imageRequests == 0);
    const bool met = ho >= 4.0 * hc && so >= 4.0 * sc && sc <= startUpTarget &&
                     hc <= historyTarget && warm.imageRequests == 0;
    return met ? 0 : 1;
}
