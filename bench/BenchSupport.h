#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pluvix::bench {

// Sets what every benchmark needs before QApplication exists: line-buffered output, the offscreen
// platform unless the caller chose one, and the bundled server's path unless the caller named
// another.
void prepareEnvironment();

// One line of the summary table scripts/bench.sh prints:
// "RESULT|<figure>|<measured>|<target>|PASS" (or FAIL).
void reportResult(const QString& figure, const QString& measured, const QString& target, bool pass);

// Prints the reason and ends with status 2, which scripts/bench.sh reports as an error rather
// than a missed target.
[[noreturn]] void fail(const QString& message);

bool hasFlag(const QStringList& arguments, const QString& flag);
// The number after `option` ("--repeats 5"); the fallback when absent, fail() when malformed.
int intOption(const QStringList& arguments, const QString& option, int fallback);

double mean(const QList<double>& values);
double median(QList<double> values);
// Nearest-rank percentile, p in (0, 100].
double percentile(QList<double> values, double p);

// How a run of timer ticks kept to its schedule of one tick per interval from the start. A
// handler that starts one interval or more after its due time means the timer coalesced ticks:
// every slot it overran is a frame that never showed, and later ticks are due in later slots.
struct TickStats {
    int ticks = 0;
    int droppedFrames = 0;
    int lateTicks = 0;        // ticks that overran at least one slot
    double maxLatenessMs = 0; // the latest start after a tick's due time
    double elapsedMs = 0;     // first due time to the last tick
    int ticksExpected = 0;    // slots that came due in that time
};
// startMs: when the timer was started; tickStartsMs: when each handler began, same clock.
TickStats tickStats(double startMs, const QList<double>& tickStartsMs, double intervalMs);

// The resident set size in bytes from the text of /proc/self/status; empty without a VmRSS line.
std::optional<qint64> vmRssBytes(const QByteArray& procStatus);
qint64 currentRssBytes();
// Bytes the allocator has handed out and not had back, mmapped blocks included.
qint64 currentHeapBytes();

// Ends the process with a message when a benchmark runs over its time: a hung transfer or a stuck
// event loop must not hang the whole run.
class Watchdog {
public:
    Watchdog(QString what, std::chrono::seconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_done = false;
    std::thread m_thread;
};

// CPU time of the whole process, helper threads included, in milliseconds.
double processCpuMs();

QString formatMs(double ms);
QString formatMiB(double bytes);

} // namespace pluvix::bench
