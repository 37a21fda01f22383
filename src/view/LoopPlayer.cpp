#include "view/LoopPlayer.h"

#include "core/RuntimeError.h"

#include <QtGlobal>

#include <algorithm>
#include <array>

namespace pluvix::view {

namespace {
constexpr std::array<qint16, 10> historyCounts{5, 10, 20, 25, 30, 50, 100, 150, 300, 500};
} // namespace

LoopStep PlayImagesStep(const LoopState& s) {
    LoopStep step{s.Value, s.LoopPauseCount, false};
    if (!s.checked)
        return step;

    qint32 n = s.Max - s.Min;
    if (s.HistoryImageCount < n)
        n = s.HistoryImageCount;

    qint32 next = s.Value;
    if (s.Value == s.Max) {
        if (s.LoopPauseCount < s.LoopDelay) {
            step.LoopPauseCount = qint16(s.LoopPauseCount + 1);
        } else {
            step.LoopPauseCount = 0;
            next = s.Max - n;
        }
    } else {
        next = s.Value + 1;
    }
    // A negative count would point past the newest picture; the slider cannot hold that.
    next = qBound(s.Min, next, s.Max);
    step.valueChanged = next != s.Value;
    step.Value = next;
    return step;
}

QList<qint32> loopRoundPositions(qint32 minimum, qint32 maximum, qint16 historyImageCount) {
    maximum = std::max(minimum, maximum);
    const qint32 n = std::clamp<qint32>(historyImageCount, 0, maximum - minimum);
    QList<qint32> positions;
    for (qint32 p = maximum - n; p <= maximum; ++p)
        positions.append(p);
    return positions;
}

QStringList playHistoryCaptions() {
    QStringList captions;
    for (qint16 count : historyCounts)
        captions << QString::number(count);
    return captions;
}

qint16 playHistoryCount(int index) {
    if (index < 0 || index >= int(historyCounts.size()))
        throw core::RuntimeError::subscriptOutOfRange();
    return historyCounts[std::size_t(index)];
}

std::optional<int> playHistoryIndexFor(qint16 count) {
    for (std::size_t i = 0; i < historyCounts.size(); ++i) {
        if (historyCounts[i] == count)
            return int(i);
    }
    return std::nullopt;
}

} // namespace pluvix::view
