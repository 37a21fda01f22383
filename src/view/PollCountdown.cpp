#include "view/PollCountdown.h"

#include "core/RuntimeError.h"

#include <limits>

namespace pluvix::view {

PollTick pollTick(qint32 PollCounter, qint16 PollInterval) {
    if (PollCounter == std::numeric_limits<qint32>::max())
        throw core::RuntimeError::overflow();
    PollTick tick;
    tick.PollCounter = PollCounter + 1;
    const qint64 left = qint64(PollInterval) - tick.PollCounter;
    tick.toolTip =
        QStringLiteral(" ") + QString::number(left) + QStringLiteral(" Seconds till next Poll ");
    tick.pollNow = tick.PollCounter >= PollInterval;
    return tick;
}

} // namespace pluvix::view
