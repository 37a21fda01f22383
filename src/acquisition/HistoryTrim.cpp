#include "acquisition/HistoryTrim.h"

#include "core/RuntimeError.h"

#include <limits>

namespace pluvix::acquisition {

namespace {

constexpr qint16 leastImageLimit = 20;

qint16 add16(int a, int b) {
    const int sum = a + b;
    if (sum > std::numeric_limits<qint16>::max() || sum < std::numeric_limits<qint16>::min())
        throw core::RuntimeError::overflow();
    return qint16(sum);
}

} // namespace

TrimStep trimBeforeAppend(qint16 u, qint16 firstHistoryIndex, qint16 maxImageNumber) {
    TrimStep step{qMax(maxImageNumber, leastImageLimit), firstHistoryIndex, -1};
    if (add16(u, -firstHistoryIndex) > add16(step.maxImageNumber, 1)) {
        if (firstHistoryIndex != 0)
            step.destroyIndex = firstHistoryIndex;
        step.firstHistoryIndex = add16(firstHistoryIndex, 1);
    }
    return step;
}

} // namespace pluvix::acquisition
