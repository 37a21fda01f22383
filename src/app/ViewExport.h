#pragma once

#include "desktop/AnimatedGif.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace pluvix::acquisition {
class ImageHistory;
}

namespace pluvix::app {

class Viewer;

// Turns a history picture into the map as the window shows it (zoom, pan, rings, overlays).
using ViewComposer = std::function<QImage(const QImage& picture)>;

struct LoopFrames {
    QList<desktop::GifFrame> frames;
    QStringList undecodable; // tags of the pictures left out
};

// The frames of the loop's pictures at history `positions` (1-based), in that order, each for
// one tick of `playSpeed` and the last for the loop delay as well. An undecodable picture is left
// out and named; a position beyond the history shows nothing new and is left out silently.
LoopFrames loopFrames(const acquisition::ImageHistory& history, const QList<qint32>& positions,
                      qint16 playSpeed, qint16 loopDelay, const ViewComposer& compose);

// The image menu's "Save Loop As…" (an animated GIF of what the loop plays) and "Copy View".
// Both show the map as displayed but leave the screen alone.
class ViewExport final : public QObject {
    Q_OBJECT
public:
    ViewExport(Viewer& viewer, ViewComposer compose, QObject* parent = nullptr);

    void saveLoop();
    void copyView();

signals:
    // The panel takes no input while the loop is written.
    void panelFrozen(bool frozen);

private:
    Viewer& m_viewer;
    ViewComposer m_compose;
    QString m_startFolder;
};

} // namespace pluvix::app
