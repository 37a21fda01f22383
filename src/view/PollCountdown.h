#pragma once

#include <QString>
#include <QtGlobal>

namespace pluvix::view {

struct PollTick {
    qint32 PollCounter = 0; // after counting this second
    QString toolTip;        // for the clock
    bool pollNow = false;   // the caller polls, then sets PollCounter to 0
};

// One second of the poll timer.
PollTick pollTick(qint32 PollCounter, qint16 PollInterval);

} // namespace pluvix::view
