#include "ServerClock.h"

#include <algorithm>

namespace pluvix::radarserver {

qint64 floorToMultiple(qint64 value, qint64 step) {
    qint64 q = value / step;
    if (value % step != 0 && value < 0)
        --q;
    return q * step;
}

ServerClock::ServerClock(qint64 startUtcMsecs, bool frozen, int intervalSecs)
    : m_startMsecs(startUtcMsecs), m_frozen(frozen), m_interval(std::max(1, intervalSecs)) {
    m_elapsed.start();
}

qint64 ServerClock::nowMsecs() const {
    return m_startMsecs + m_offsetMsecs + (m_frozen ? 0 : m_elapsed.elapsed());
}

void ServerClock::advanceSeconds(qint64 seconds) {
    m_offsetMsecs += seconds * 1000;
}

qint64 ServerClock::newestImageTime() const {
    return floorToMultiple(floorToMultiple(nowMsecs(), 1000) / 1000, m_interval);
}

QList<qint64> ServerClock::recentImageTimes(int count) const {
    const qint64 newest = newestImageTime();
    QList<qint64> times;
    for (int i = count - 1; i >= 0; --i)
        times.append(newest - qint64(i) * m_interval);
    return times;
}

bool ServerClock::isServedImageTime(qint64 utcSecs) const {
    const qint64 newest = newestImageTime();
    const qint64 oldest = newest - std::max<qint64>(RetainedSecs, qint64(9) * m_interval);
    return floorToMultiple(utcSecs, m_interval) == utcSecs && utcSecs <= newest &&
           utcSecs >= oldest;
}

} // namespace pluvix::radarserver
