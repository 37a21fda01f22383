#pragma once

#include <QtGlobal>

namespace pluvix::acquisition {

struct TrimStep {
    qint16 maxImageNumber;    // raised to the least allowed value
    qint16 firstHistoryIndex; // oldest element in use after the trim
    qint16 destroyIndex;      // element to drop before the append, or -1
};

// What happens to the history limit and its oldest element before a new image is appended at
// u + 1. At most one element goes per new image; element 0 is never dropped. The sums are
// 16-bit: a limit of 32767 throws core::RuntimeError 6.
TrimStep trimBeforeAppend(qint16 u, qint16 firstHistoryIndex, qint16 maxImageNumber);

} // namespace pluvix::acquisition
