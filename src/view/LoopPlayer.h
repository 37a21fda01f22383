#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace pluvix::view {

// History slider and loop state one loop tick looks at.
struct LoopState {
    bool checked = false; // loop switch
    qint32 Min = 1;
    qint32 Max = 10;
    qint32 Value = 10;
    qint16 HistoryImageCount = 20;
    qint16 LoopDelay = 4;
    qint16 LoopPauseCount = 0;
};

struct LoopStep {
    qint32 Value = 0;
    qint16 LoopPauseCount = 0;
    bool valueChanged = false;
};

// One loop tick: step to the next picture, or stay on the newest picture for LoopDelay extra
// ticks and then jump back to at most HistoryImageCount pictures before it. The new value is
// kept within Min ... Max.
LoopStep PlayImagesStep(const LoopState& state);

// The history positions one round of the running loop shows, oldest first, in the range
// minimum ... maximum: PlayImagesStep's jump back and its steps up to the newest.
QList<qint32> loopRoundPositions(qint32 minimum, qint32 maximum, qint16 historyImageCount);

// Pause count set when the loop is switched on: the first arrival at the newest picture jumps
// back at once for any delay up to 9.
inline constexpr qint16 loopSwitchOnPauseCount = 9;

// "Images to Loop" items 0 to 9 and the number each stands for (another index throws
// RuntimeError::subscriptOutOfRange()).
QStringList playHistoryCaptions();
qint16 playHistoryCount(int index);
// First item whose number equals `count`; none when no item has it.
std::optional<int> playHistoryIndexFor(qint16 count);

// "Loop Images Per Second" items 1 to 10: the item's index is the speed.
inline constexpr int minPlaySpeedItem = 1;
inline constexpr int maxPlaySpeedItem = 10;

} // namespace pluvix::view
