#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace pluvix::desktop {

struct GifFrame {
    QImage image;
    int delayMs = 100; // how long the frame stays before the next one
};

enum class GifPalette {
    PerFrame, // each frame its own colours: truest to each picture
    Shared,   // one table for all frames: no colour flicker between frames, smaller file
};

// How long each picture of a loop export stays: one playback tick each, and the newest (last)
// one the loop's extra ticks as well, as the window's loop plays them.
QList<int> loopFrameDelays(int frameCount, qint16 playSpeed, qint16 loopDelay);

// Writes the frames as an endlessly repeating animated GIF of the first frame's size. Throws
// RuntimeError: invalidCall() without frames or with a frame of another size, diskFull() when
// the device runs out of space, pathFileAccess() for any other failed write.
void writeAnimatedGif(QIODevice& device, const QList<GifFrame>& frames, GifPalette palette);

// The same into a file that appears only when complete; a path that cannot be written is
// pathFileAccess().
void saveAnimatedGif(const QString& path, const QList<GifFrame>& frames, GifPalette palette);

} // namespace pluvix::desktop
