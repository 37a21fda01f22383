#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QtGlobal>

namespace pluvix::radarserver {

// The server's notion of "now": a start instant that runs on in real time unless frozen, plus
// whatever the control endpoint has added. Images exist on a grid of whole intervals.
class ServerClock {
public:
    ServerClock(qint64 startUtcMsecs, bool frozen, int intervalSecs);

    qint64 nowMsecs() const;
    void advanceSeconds(qint64 seconds);
    int intervalSecs() const { return m_interval; }

    qint64 newestImageTime() const;
    // The newest `count` image times, oldest first.
    QList<qint64> recentImageTimes(int count) const;
    // On the grid, not in the future and not older than the server keeps images.
    bool isServedImageTime(qint64 utcSecs) const;

    static constexpr qint64 RetainedSecs = 48 * 3600;

private:
    qint64 m_startMsecs;
    qint64 m_offsetMsecs = 0;
    bool m_frozen;
    int m_interval;
    QElapsedTimer m_elapsed;
};

// Floor division that also rounds negative values down.
qint64 floorToMultiple(qint64 value, qint64 step);

} // namespace pluvix::radarserver
