#include "BenchSupport.h"

#include <QFile>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace pluvix::bench {

void prepareEnvironment() {
    // Progress of a long run shows as it happens, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("PLUVIX_RADAR_SERVER"))
        qputenv("PLUVIX_RADAR_SERVER", PLUVIX_BENCH_RADAR_SERVER);
}

void reportResult(const QString& figure, const QString& measured, const QString& target,
                  bool pass) {
    std::printf("RESULT|%s|%s|%s|%s\n", qPrintable(figure), qPrintable(measured),
                qPrintable(target), pass ? "PASS" : "FAIL");
    std::fflush(stdout);
}

void fail(const QString& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "error: %s\n", qPrintable(message.simplified()));
    std::fflush(stderr);
    std::exit(2);
}

bool hasFlag(const QStringList& arguments, const QString& flag) {
    return arguments.contains(flag);
}

int intOption(const QStringList& arguments, const QString& option, int fallback) {
    const qsizetype at = arguments.indexOf(option);
    if (at < 0)
        return fallback;
    bool ok = false;
    const int value = at + 1 < arguments.size() ? arguments[at + 1].toInt(&ok) : 0;
    if (!ok || value <= 0)
        fail(option + QStringLiteral(" needs a positive whole number"));
    return value;
}

double mean(const QList<double>& values) {
    if (values.isEmpty())
        return 0.0;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / double(values.size());
}

double median(QList<double> values) {
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double percentile(QList<double> values, double p) {
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<qsizetype>(rank - 1, 0, values.size() - 1)];
}

TickStats tickStats(double startMs, const QList<double>& tickStartsMs, double intervalMs) {
    TickStats s;
    s.ticks = int(tickStartsMs.size());
    if (tickStartsMs.isEmpty() || intervalMs <= 0.0)
        return s;
    int lost = 0;
    for (qsizetype k = 0; k < tickStartsMs.size(); ++k) {
        const double due = startMs + double(k + 1 + lost) * intervalMs;
        const double lateness = tickStartsMs[k] - due;
        s.maxLatenessMs = std::max(s.maxLatenessMs, lateness);
        if (lateness >= intervalMs) {
            // The slots it overran passed without a frame; the tick shows the latest one.
            lost += int(std::floor(lateness / intervalMs));
            ++s.lateTicks;
        }
    }
    s.droppedFrames = lost;
    s.elapsedMs = tickStartsMs.last() - (startMs + intervalMs);
    s.ticksExpected = int(std::floor(s.elapsedMs / intervalMs)) + 1;
    return s;
}

std::optional<qint64> vmRssBytes(const QByteArray& procStatus) {
    for (const QByteArray& line : procStatus.split('\n')) {
        if (!line.startsWith("VmRSS:"))
            continue;
        const QList<QByteArray> parts = line.mid(6).simplified().split(' ');
        bool ok = false;
        const qint64 kib = parts.value(0).toLongLong(&ok);
        if (!ok || parts.value(1) != "kB")
            return std::nullopt;
        return kib * 1024;
    }
    return std::nullopt;
}

qint64 currentRssBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read /proc/self/status: ") + status.errorString());
    const auto rss = vmRssBytes(status.readAll());
    if (!rss)
        fail(QStringLiteral("no VmRSS line in /proc/self/status"));
    return *rss;
}

qint64 currentHeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

Watchdog::Watchdog(QString what, std::chrono::seconds limit) {
    m_thread = std::thread([this, what = std::move(what), limit] {
        std::unique_lock lock(m_mutex);
        if (m_cond.wait_for(lock, limit, [this] { return m_done; }))
            return;
        std::fflush(stdout);
        std::fprintf(stderr, "error: %s did not finish within %lld s\n", qPrintable(what),
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(3);
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_cond.notify_all();
    m_thread.join();
}

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

QString formatMs(double ms) {
    return QString::number(ms, 'f', ms < 10.0 ? 2 : 0) + QStringLiteral(" ms");
}

QString formatMiB(double bytes) {
    return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MiB");
}

} // namespace pluvix::bench
